// Runs the runtime's logging binding inside a staged application directory
// (zorlog.dll and "log.property" beside it, or not) and reports what it saw.
#include <windows.h>

#include <cstdio>
#include <thread>
#include <vector>

#include "log/LogBinding.h"

int wmain() {
  // Concurrent first users all get the one binding.
  std::vector<std::thread> threads;
  std::vector<zorlog::LogModuleInterface*> seen(8, nullptr);
  for (size_t i = 0; i < seen.size(); ++i) threads.emplace_back([&seen, i] { seen[i] = oxlog::LogModule(); });
  for (auto& t : threads) t.join();
  bool same = true;
  for (auto* m : seen) same = same && m == seen[0];

  oxlog::CreateLoggers();
  std::printf("module=%d\n", seen[0] ? 1 : 0);
  std::printf("same_module=%d\n", same ? 1 : 0);
  std::printf("msgbus=%d\n", oxlog::MsgBusLogger() ? 1 : 0);
  std::printf("comreg=%d\n", oxlog::ComRegLogger() ? 1 : 0);
  std::printf("msgbus_trace=%d\n", oxlog::TraceEnabled(oxlog::MsgBusLogger()) ? 1 : 0);
  std::printf("comreg_trace=%d\n", oxlog::TraceEnabled(oxlog::ComRegLogger()) ? 1 : 0);

  oxlog::Write(oxlog::ComRegLogger(), oxlog::kFailure, L"launcher failed: %s (%d)", L"app.xml", 42);
  if (oxlog::TraceEnabled(oxlog::MsgBusLogger()))
    oxlog::Write(oxlog::MsgBusLogger(), oxlog::kTrace, L"trace %ws", L"ox.test");
  // Null loggers write nothing and never fail.
  oxlog::Write(nullptr, oxlog::kFailure, L"nowhere %s", L"x");
  std::printf("null_trace=%d\n", oxlog::TraceEnabled(nullptr) ? 1 : 0);

  oxlog::ReleaseLoggers();
  std::printf("released=%d\n", (!oxlog::MsgBusLogger() && !oxlog::ComRegLogger()) ? 1 : 0);
  std::fflush(stdout);
  return 0;
}
