// The process's one logger: the media libraries' log output and the
// program's own messages, handed line by line to one event.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "media/bridges/ff_base_component.h"
#include "media/binding/log_level.h"

namespace media {

// Sender may be null; the message is one line without its line break.
using TLogEvent = std::function<void(const void* Sender, uint32_t AThreadID,
                                     TLogLevel ALogLevel, const std::string& ALogMsg)>;

// The system's identifier of the calling thread.
uint32_t CurrentThreadId();

class TFFLogger : public TFFBaseComponent {
 public:
  // Replaces a logger the system created itself; a second application
  // logger throws std::logic_error "Allow creating only one instance of TFFLogger.".
  TFFLogger();
  ~TFFLogger() override;

  TLogLevel LogLevel() const { return logLevel_; }
  // Takes effect in the library at once when it is bound.
  void SetLogLevel(TLogLevel level);

  void SetOnLog(TLogEvent handler);
  bool HasOnLog() const;

  // The program's own messages: delivered when the level is at most LogLevel.
  void Log(const void* sender, TLogLevel level, const std::string& message);
  void LogFormat(const void* sender, TLogLevel level, const char* format, ...)
      __attribute__((format(printf, 4, 5)));

  // Hands the library level of LogLevel to the library, if bound.
  void ApplyLogLevel();
  // One line of library output; the library callback has filtered it.
  void DeliverLine(uint32_t threadId, int libraryLevel, const std::string& line);

  bool SystemCreated() const { return systemCreated_; }

 private:
  struct SystemTag {};
  explicit TFFLogger(SystemTag);
  friend struct LoggerAccess;

  void Deliver(const void* sender, uint32_t threadId, TLogLevel level, const std::string& message);

  TLogLevel logLevel_;
  bool systemCreated_ = false;
  mutable std::mutex handlerLock_;
  TLogEvent onLog_;
};

// The one logger; creates one of the system's own when there is none. The
// reference is for the main thread; other threads use the functions below.
TFFLogger& DefaultLogger();

// Shortcuts through the default logger, safe from any thread.
void Log(const void* sender, TLogLevel level, const std::string& message);
void LogFormat(const void* sender, TLogLevel level, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// The level the library callback lets through (starts at 32, info).
int CurrentLibraryLevel();

// Run by the loader after avutil is bound: installs the callback and level.
void InstallLogCallback();

// The callback given to the library; public for tests.
void LibraryLogCallback(void* context, int level, const char* format, va_list args);

}  // namespace media
