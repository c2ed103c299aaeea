// One named logger: its threshold and its writing of lines.
#ifndef ZORLOG_SRC_LOGGER_H
#define ZORLOG_SRC_LOGGER_H

#include <atomic>
#include <string>

#include "zorlog/zorlog.h"

namespace zorlog {
namespace internal {

class LogModule;

class LoggerImpl final : public Logger {
 public:
  // Holds a reference on the module for as long as it lives.
  LoggerImpl(LogModule* module, std::wstring name, int flags, int threshold);
  ~LoggerImpl();
  LoggerImpl(const LoggerImpl&) = delete;
  LoggerImpl& operator=(const LoggerImpl&) = delete;

  const wchar_t* ZORLOG_CALL GetName() override;
  void ZORLOG_CALL SetLevel(int level) override;
  bool ZORLOG_CALL Log(int level, const wchar_t* format, va_list args) override;
  bool ZORLOG_CALL IsLevelEnabled(int level) override;

  const std::wstring& name() const { return name_; }
  // The threshold changes below run under the module's lock, so a
  // concurrent LoadConfig and SetLevel cannot leave a stale threshold.
  // A new configuration's threshold, unless SetLevel chose one.
  void ApplyConfigLevel(int threshold);
  // SetLevel with a threshold: kept across configurations.
  void Override(int threshold);
  // SetLevel with a negative value: back to the configuration.
  void FollowConfig(int threshold);

  // CreateLogger requests not yet released; guarded by the module's lock.
  int references = 1;

 private:
  LogModule* const module_;
  const std::wstring name_;
  const int flags_;
  std::atomic<int> threshold_;
  // Guarded by the module's lock.
  bool overridden_ = false;
};

}  // namespace internal
}  // namespace zorlog

#endif  // ZORLOG_SRC_LOGGER_H
