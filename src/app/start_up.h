// Program start: title from the settings file, icon, main window, message
// loop, and the hook that lets worker threads call the window's thread.
#pragma once

#include <string>

namespace app {

// Makes the calling thread the main thread and lets queued main-thread calls
// wake the Qt event loop. Needs the application object.
void InstallMainThreadWaker();

// The whole program; returns the process's exit code. A settings file,
// icon or skin that cannot be used refuses the start: a message on stderr
// (and in a message box when a display is there), no window, exit code 1.
int RunProgram(int argc, char** argv);

}  // namespace app
