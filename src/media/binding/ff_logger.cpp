#include "media/binding/ff_logger.h"

#include <unistd.h>

#include <atomic>
#include <cinttypes>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

#include "media/binding/ff_entry_points.h"
#include "media/binding/ff_utils.h"
#include "media/bridges/main_thread.h"

namespace media {

namespace {

constexpr const char* kOnlyOneLogger = "Allow creating only one instance of TFFLogger.";

// Pending text of one thread: library output waits here for its line feed.
struct ThreadLine {
  uint32_t threadId;
  std::string pending;
};

struct LogState {
  // Which logger is the default one, and how many deliveries use it now.
  std::mutex registryLock;
  std::condition_variable idle;
  TFFLogger* logger = nullptr;
  int inFlight = 0;
  std::unique_ptr<TFFLogger> systemLogger;

  std::atomic<int> currentLibraryLevel{32};

  // Serialises the library callback: the per-thread lines and the repeat state.
  std::mutex logLock;
  std::vector<ThreadLine> lines;
  std::string previousMessage;
  int repeatCount = 0;

  ~LogState() {
    logger = nullptr;
    // A thread still delivering at exit keeps it; the process is ending.
    if (inFlight == 0)
      systemLogger.reset();
    else
      (void)systemLogger.release();
  }
};

// Namespace scope: built before main, so it outlives the loader, which may
// unload the libraries (and so log) while the process ends.
LogState g_log;

}  // namespace

// Holds the default logger for one delivery; the logger's destructor waits
// until no delivery holds it.
struct LoggerAccess {
  TFFLogger* logger;

  LoggerAccess() {
    std::lock_guard guard(g_log.registryLock);
    if (!g_log.logger) {
      g_log.systemLogger.reset(new TFFLogger(TFFLogger::SystemTag{}));
      g_log.logger = g_log.systemLogger.get();
    }
    logger = g_log.logger;
    ++g_log.inFlight;
  }
  ~LoggerAccess() {
    std::lock_guard guard(g_log.registryLock);
    if (--g_log.inFlight == 0) g_log.idle.notify_all();
  }
  LoggerAccess(const LoggerAccess&) = delete;
  LoggerAccess& operator=(const LoggerAccess&) = delete;
};

uint32_t CurrentThreadId() { return static_cast<uint32_t>(gettid()); }

TFFLogger::TFFLogger(SystemTag)
    : logLevel_(LogLevelOfLibrary(g_log.currentLibraryLevel)), systemCreated_(true) {}

TFFLogger::TFFLogger() : logLevel_(LogLevelOfLibrary(g_log.currentLibraryLevel)) {
  std::unique_ptr<TFFLogger> replaced;
  {
    std::lock_guard guard(g_log.registryLock);
    if (g_log.logger && g_log.logger->systemCreated_) {
      replaced = std::move(g_log.systemLogger);
      g_log.logger = nullptr;
    }
  }
  replaced.reset();  // waits for deliveries that still use it
  std::lock_guard guard(g_log.registryLock);
  if (g_log.logger) throw std::logic_error(kOnlyOneLogger);
  g_log.logger = this;
}

TFFLogger::~TFFLogger() {
  std::unique_lock guard(g_log.registryLock);
  if (g_log.logger == this) g_log.logger = nullptr;
  // A delivery may be waiting for the main thread; if that is us, serve it.
  while (g_log.inFlight > 0) {
    guard.unlock();
    WaitServingMainThreadCalls([] { return true; }, std::chrono::milliseconds(0));
    guard.lock();
    g_log.idle.wait_for(guard, std::chrono::milliseconds(5));
  }
}

void TFFLogger::SetLogLevel(TLogLevel level) {
  logLevel_ = level;
  ApplyLogLevel();
}

void TFFLogger::SetOnLog(TLogEvent handler) {
  std::lock_guard guard(handlerLock_);
  onLog_ = std::move(handler);
}

bool TFFLogger::HasOnLog() const {
  std::lock_guard guard(handlerLock_);
  return bool(onLog_);
}

void TFFLogger::ApplyLogLevel() {
  if (!ff::av_log_set_level) return;
  g_log.currentLibraryLevel = LibraryLevelOf(logLevel_);
  ff::av_log_set_level(g_log.currentLibraryLevel);
}

void TFFLogger::Deliver(const void* sender, uint32_t threadId, TLogLevel level,
                        const std::string& message) {
  TLogEvent handler;
  {
    std::lock_guard guard(handlerLock_);
    handler = onLog_;
  }
  if (!handler) return;
  RaiseEvent([&] { handler(sender, threadId, level, message); });
}

void TFFLogger::Log(const void* sender, TLogLevel level, const std::string& message) {
  if (int(level) > int(logLevel_)) return;
  Deliver(sender, CurrentThreadId(), level, message);
}

void TFFLogger::LogFormat(const void* sender, TLogLevel level, const char* format, ...) {
  if (int(level) > int(logLevel_)) return;
  va_list args;
  va_start(args, format);
  std::string message = FormatTextV(format, args);
  va_end(args);
  Deliver(sender, CurrentThreadId(), level, message);
}

void TFFLogger::DeliverLine(uint32_t threadId, int libraryLevel, const std::string& line) {
  Deliver(this, threadId, LogLevelOfLibrary(libraryLevel), line);
}

TFFLogger& DefaultLogger() {
  LoggerAccess access;
  return *access.logger;
}

void Log(const void* sender, TLogLevel level, const std::string& message) {
  LoggerAccess access;
  access.logger->Log(sender, level, message);
}

void LogFormat(const void* sender, TLogLevel level, const char* format, ...) {
  LoggerAccess access;
  if (int(level) > int(access.logger->LogLevel())) return;
  va_list args;
  va_start(args, format);
  std::string message = FormatTextV(format, args);
  va_end(args);
  access.logger->Log(sender, level, message);
}

int CurrentLibraryLevel() { return g_log.currentLibraryLevel; }

void InstallLogCallback() {
  if (!ff::av_log_set_callback) return;
  ff::av_log_set_callback(&LibraryLogCallback);
  LoggerAccess access;
  access.logger->ApplyLogLevel();
}

namespace {

std::string Address(const void* p) {
  return FormatText("%0*" PRIXPTR, int(2 * sizeof(void*)), reinterpret_cast<uintptr_t>(p));
}

const char* ItemName(void* context, const AVClass* cls) {
  const char* name = cls->item_name ? cls->item_name(context) : cls->class_name;
  return name ? name : "";
}

// "[parent @ address] [item @ address]" from the class that every library
// object starts with.
std::string ContextPrefix(void* context) {
  const AVClass* cls = *static_cast<const AVClass**>(context);
  if (!cls) return {};
  std::string prefix;
  if (cls->parent_log_context_offset) {
    void* parent = *reinterpret_cast<void**>(static_cast<uint8_t*>(context) +
                                             cls->parent_log_context_offset);
    if (parent && *static_cast<const AVClass**>(parent)) {
      const AVClass* parentClass = *static_cast<const AVClass**>(parent);
      prefix = FormatText("[%s @ %s] ", ItemName(parent, parentClass), Address(parent).c_str());
    }
  }
  prefix += FormatText("[%s @ %s]", ItemName(context, cls), Address(context).c_str());
  return prefix;
}

// Formats into a 2048-byte buffer first and grows by 2048 until it fits.
std::string FormatLibraryText(const char* format, va_list args) {
  if (!format) return {};
  if (std::strcmp(format, "%s") == 0) {
    va_list copy;
    va_copy(copy, args);
    const char* text = va_arg(copy, const char*);
    va_end(copy);
    if (!text || !*text) return {};
  }
  char first[2048];
  va_list copy;
  va_copy(copy, args);
  int n = std::vsnprintf(first, sizeof first, format, copy);
  va_end(copy);
  if (n < 0) return {};
  if (size_t(n) < sizeof first) return std::string(first, size_t(n));
  size_t size = 4096;
  while (size <= size_t(n)) size += 2048;
  std::string text(size, '\0');
  va_copy(copy, args);
  std::vsnprintf(text.data(), text.size(), format, copy);
  va_end(copy);
  text.resize(size_t(n));
  return text;
}

struct OutLine {
  uint32_t threadId;
  int level;
  std::string text;
};

void CollectLines(int level, void* context, const char* format, va_list args,
                  std::vector<OutLine>& out) {
  const uint32_t threadId = CurrentThreadId();
  std::lock_guard guard(g_log.logLock);
  auto entry = g_log.lines.begin();
  while (entry != g_log.lines.end() && entry->threadId != threadId) ++entry;
  if (entry == g_log.lines.end()) entry = g_log.lines.insert(g_log.lines.begin(), {threadId, {}});

  std::string message;
  if (context && entry->pending.empty()) message = ContextPrefix(context);
  message += FormatLibraryText(format, args);

  if (!message.empty() && message.back() == '\n' && message == g_log.previousMessage) {
    ++g_log.repeatCount;
    return;
  }
  if (g_log.repeatCount > 1)
    out.push_back({threadId, level, FormatText("    Last message repeated %d times", g_log.repeatCount)});
  g_log.repeatCount = 0;
  g_log.previousMessage = message;

  entry->pending += message;
  size_t start = 0;
  for (size_t lf; (lf = entry->pending.find('\n', start)) != std::string::npos; start = lf + 1)
    out.push_back({threadId, level, entry->pending.substr(start, lf - start)});
  entry->pending.erase(0, start);
  // Threads come and go; keep entries only while they hold a partial line.
  if (entry->pending.empty()) g_log.lines.erase(entry);
}

}  // namespace

void LibraryLogCallback(void* context, int level, const char* format, va_list args) {
  // Levels may carry colour bits above the low byte.
  if (level >= 0) level &= 0xff;
  if (level > g_log.currentLibraryLevel) return;
  try {
    std::vector<OutLine> out;
    CollectLines(level, context, format, args, out);
    // Delivered after the lock is released: a delivery may wait for the main
    // thread, which must be able to log meanwhile.
    if (out.empty()) return;
    LoggerAccess access;
    for (const OutLine& line : out) access.logger->DeliverLine(line.threadId, line.level, line.text);
  } catch (...) {
    // Nothing may escape into the library.
  }
}

}  // namespace media
