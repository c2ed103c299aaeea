// zorlog.dll: named loggers writing timestamped lines to one output.
//
// Binding: LoadLibraryW("zorlog.dll"), then GetProcAddress of
// "GetCppModuleInterface" and "FreeCppModuleInterface". The first fills a
// LogModuleInterface pointer, the second hands it back (and nulls it).
//
// All interfaces are abstract classes of __stdcall virtual methods without a
// virtual destructor; objects are released through the module.
//
// Each GetCppModuleInterface call hands out a module of its own (its own
// loggers and configuration). A module lives until it has been handed back
// and all its loggers are released. No entry point lets an exception out.
//
// Output. Each line is
//   "2024-05-06 13:45:12.345 [1234] WARN  msgbus: message\r\n"
// local time with milliseconds, the writing thread's id in decimal, the level
// tag (TRACE, DEBUG, INFO, WARN, ERROR, FATAL, padded to five characters),
// the logger name and the message, with line breaks at its end dropped. The
// file is UTF-8 without byte-order mark, opened for appending with every
// share mode, and written with one WriteFile per line, so lines of
// concurrent callers never interleave. A file that cannot be opened drops
// its lines silently.
//
// Configuration ("log.property", read by LoadConfig): key = value lines, keys
// case-insensitive, white space around keys and values ignored; lines
// starting with # or ; are comments, and a # or ; after white space ends a
// value. UTF-8 (with or without BOM) or UTF-16 with BOM; LF, CRLF or CR.
// Unknown keys and bad values are skipped line by line; a later line wins.
//   file = zorlog.log      output file; relative to the folder of
//                          "log.property"; missing folders are made. Default:
//                          no file.
//   level = info           threshold of every logger (default info)
//   logger.msgbus = trace  threshold of one logger (its name exactly, else
//                          matched ignoring case)
//   append = true          false: the file is emptied at each LoadConfig
//   debugger = on          off: no logger writes to the debugger stream
// Levels are written as 0..6 or trace, debug, info, warn (warning), error,
// fatal, off, in any case. Booleans: 1/0, true/false, yes/no, on/off.
// See libs/zorlog/README.md for more.
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
  // Overrides the threshold taken from the configuration (kTrace..kOff); the
  // override outlasts later LoadConfig calls. A negative level drops the
  // override and takes the configured threshold again; higher values are
  // ignored.
  virtual void ZORLOG_CALL SetLevel(int level) = 0;
  // format is a printf-style wide format with msvcrt's rules: %s and %ws take
  // wide strings, %hs narrow ones. One line per call; lines of concurrent
  // callers never interleave. Answers whether the line went to the file or
  // the debugger stream: false for a null format, a level that is not
  // enabled, or nowhere to write.
  virtual bool ZORLOG_CALL Log(int level, const wchar_t* format, va_list args) = 0;
  // Whether level (kTrace..kFatal) is at or above the threshold; one atomic
  // read. It does not look at whether an output exists.
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
  // Flushes the file to disk. Lines are not buffered in the library: each is
  // in the file when Log returns.
  virtual void ZORLOG_CALL Flush() = 0;
  // The logger of that name (created on first request; every request for
  // one name yields the same logger and counts one reference). flags: see
  // kLoggerFlag*. Null name or no memory: null.
  virtual Logger* ZORLOG_CALL CreateLogger(const wchar_t* name, int flags) = 0;
  virtual void ZORLOG_CALL ReleaseLogger(Logger* logger) = 0;
  // Reads a "log.property" file (format above) and replaces the whole
  // configuration with it; existing loggers take the new thresholds unless
  // SetLevel overrode them. Missing or unreadable (or larger than 1 MB): the
  // defaults (threshold info, no file, debugger stream on), false. Null path:
  // nothing changes, false. Never blocks on the file.
  virtual bool ZORLOG_CALL LoadConfig(const wchar_t* path) = 0;
};

// CreateLogger flags.
enum : int {
  kLoggerFlagNone = 0,
  // The logger also writes to the debugger stream (OutputDebugStringW),
  // unless the configuration says "debugger = off". Other bits are ignored.
  kLoggerFlagDebugger = 1,
};

typedef bool(ZORLOG_CALL* GetCppModuleInterfaceFn)(LogModuleInterface** module);
typedef bool(ZORLOG_CALL* FreeCppModuleInterfaceFn)(LogModuleInterface** module);

}  // namespace zorlog

#endif  // ZORLOG_ZORLOG_H
