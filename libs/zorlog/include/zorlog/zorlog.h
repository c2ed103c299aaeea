// zorlog.dll: named loggers writing timestamped lines to one output.
//
// Binding: LoadLibraryW("zorlog.dll"), then GetProcAddress of
// "GetCppModuleInterface" and "FreeCppModuleInterface". The first fills a
// LogModuleInterface pointer, the second hands it back (and nulls it).
//
// All interfaces are abstract classes of __stdcall virtual methods without a
// virtual destructor; objects are released through the module.
#ifndef ZORLOG_ZORLOG_H
#define ZORLOG_ZORLOG_H

#include <cstdarg>

#define ZORLOG_CALL __stdcall

namespace zorlog {

// Levels, lowest first. A logger writes a line when its level is at or above
// the logger's threshold.
enum Level : int {
  kTrace = 0,
  kDebug = 1,
  kInfo = 2,
  kWarn = 3,
  kError = 4,
  kFatal = 5,
  kOff = 6,  // as a threshold: nothing is written
};

class Logger {
 public:
  virtual const wchar_t* ZORLOG_CALL GetName() = 0;
  // Overrides the threshold taken from the configuration.
  virtual void ZORLOG_CALL SetLevel(int level) = 0;
  // format is a printf-style wide format: %s and %ws take wide strings,
  // %hs narrow ones. One line per call; lines of concurrent callers never
  // interleave. Answers whether the line was written.
  virtual bool ZORLOG_CALL Log(int level, const wchar_t* format, va_list args) = 0;
  virtual bool ZORLOG_CALL IsLevelEnabled(int level) = 0;

  bool LogF(int level, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    bool written = Log(level, format, args);
    va_end(args);
    return written;
  }
};

class LogModuleInterface {
 public:
  // Flushes buffered output to the file.
  virtual void ZORLOG_CALL Flush() = 0;
  // The logger of that name (created on first request; every request for
  // one name yields the same logger and counts one reference). flags: see
  // kLoggerFlag*. Null name or no memory: null.
  virtual Logger* ZORLOG_CALL CreateLogger(const wchar_t* name, int flags) = 0;
  virtual void ZORLOG_CALL ReleaseLogger(Logger* logger) = 0;
  // Reads a "log.property" file; see the library's README for its format.
  // Missing or unreadable: defaults stay, false. Never blocks.
  virtual bool ZORLOG_CALL LoadConfig(const wchar_t* path) = 0;
};

// CreateLogger flags.
enum : int {
  kLoggerFlagNone = 0,
  // The logger also writes to the debugger stream (OutputDebugStringW).
  kLoggerFlagDebugger = 1,
};

typedef bool(ZORLOG_CALL* GetCppModuleInterfaceFn)(LogModuleInterface** module);
typedef bool(ZORLOG_CALL* FreeCppModuleInterfaceFn)(LogModuleInterface** module);

}  // namespace zorlog

#endif  // ZORLOG_ZORLOG_H
