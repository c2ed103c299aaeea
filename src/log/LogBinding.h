// The process's binding to zorlog.dll and its two loggers.
//
// The binding is made once, on first use (module load), and never undone.
// Without the library, or with a null logger, nothing is written and nothing
// fails.
#ifndef OXCORE_LOG_LOGBINDING_H
#define OXCORE_LOG_LOGBINDING_H

#include <zorlog/zorlog.h>

namespace oxlog {

// The module interface of zorlog.dll, or null when the library is missing.
zorlog::LogModuleInterface* LogModule();

// Module load: obtains "msgbus" then "OxComReg". Module unload hands them
// back in reverse order.
void CreateLoggers();
void ReleaseLoggers();
// Process exit: forgets the loggers without calling into a library that may
// already be gone.
void AbandonLoggers();

zorlog::Logger* MsgBusLogger();
zorlog::Logger* ComRegLogger();

// Level 0 lines: callers ask first, since building their arguments costs.
bool TraceEnabled(zorlog::Logger* logger);
// Writes one line; a null logger writes nothing.
void Write(zorlog::Logger* logger, int level, const wchar_t* format, ...);

constexpr int kTrace = 0;
constexpr int kFailure = 4;

}  // namespace oxlog

#endif  // OXCORE_LOG_LOGBINDING_H
