// The module object handed out by GetCppModuleInterface: the loggers by
// name, the current configuration and the output it opened.
#ifndef ZORLOG_SRC_LOG_MODULE_H
#define ZORLOG_SRC_LOG_MODULE_H

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "config.h"
#include "zorlog/zorlog.h"

namespace zorlog {
namespace internal {

class LoggerImpl;
class OutputSink;

class LogModule final : public LogModuleInterface {
 public:
  // Null when out of memory. The caller holds the one first reference.
  static LogModule* Create();

  void ZORLOG_CALL Flush() override;
  Logger* ZORLOG_CALL CreateLogger(const wchar_t* name, int flags) override;
  void ZORLOG_CALL ReleaseLogger(Logger* logger) override;
  bool ZORLOG_CALL LoadConfig(const wchar_t* path) override;

  // The module lives while its binding or any of its loggers does.
  void AddRef();
  void Release();

  // The output lines go to now (a snapshot: a new configuration swaps it).
  std::shared_ptr<OutputSink> Sink();
  // Logger::SetLevel: a threshold 0..6 overrides the configuration, a
  // negative value returns to it, anything else is ignored.
  void SetLoggerLevel(LoggerImpl* logger, int level);

 private:
  LogModule() = default;
  ~LogModule();
  LogModule(const LogModule&) = delete;
  LogModule& operator=(const LogModule&) = delete;

  std::atomic<long> references_{1};
  // Guards config_ and loggers_.
  std::mutex mutex_;
  Config config_;
  std::map<std::wstring, LoggerImpl*> loggers_;
  // Guards sink_ alone, so writers never wait for CreateLogger or LoadConfig.
  std::mutex sink_mutex_;
  std::shared_ptr<OutputSink> sink_;
};

}  // namespace internal
}  // namespace zorlog

#endif  // ZORLOG_SRC_LOG_MODULE_H
