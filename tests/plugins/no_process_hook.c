/* Test frame-hook plug-in without "Process": must be refused. */
int Configure(void** ctx, int argc, char* argv[]) {
  (void)ctx;
  (void)argc;
  (void)argv;
  return 0;
}
