#include "logger.h"

#include <windows.h>

#include "levels.h"
#include "line_format.h"
#include "log_module.h"
#include "output_sink.h"
#include "text.h"

namespace zorlog {
namespace internal {

LoggerImpl::LoggerImpl(LogModule* module, std::wstring name, int flags, int threshold)
    : module_(module), name_(std::move(name)), flags_(flags), threshold_(threshold) {
  module_->AddRef();
}

LoggerImpl::~LoggerImpl() { module_->Release(); }

const wchar_t* ZORLOG_CALL LoggerImpl::GetName() { return name_.c_str(); }

void ZORLOG_CALL LoggerImpl::SetLevel(int level) {
  try {
    module_->SetLoggerLevel(this, level);
  } catch (...) {
  }
}

void LoggerImpl::ApplyConfigLevel(int threshold) {
  if (!overridden_) threshold_.store(threshold);
}

void LoggerImpl::Override(int threshold) {
  overridden_ = true;
  threshold_.store(threshold);
}

void LoggerImpl::FollowConfig(int threshold) {
  overridden_ = false;
  threshold_.store(threshold);
}

bool ZORLOG_CALL LoggerImpl::IsLevelEnabled(int level) {
  return IsMessageLevel(level) && level >= threshold_.load(std::memory_order_relaxed);
}

bool ZORLOG_CALL LoggerImpl::Log(int level, const wchar_t* format, va_list args) {
  try {
    if (!format || !IsLevelEnabled(level)) return false;
    std::shared_ptr<OutputSink> sink = module_->Sink();
    if (!sink) return false;
    const bool to_debugger = (flags_ & kLoggerFlagDebugger) != 0 && sink->debugger();
    if (!to_debugger && !sink->has_file()) return false;

    SYSTEMTIME now;
    GetLocalTime(&now);
    std::wstring message;
    if (!FormatMessageText(format, args, &message)) return false;
    std::wstring line = FormatLine(now, GetCurrentThreadId(), level, name_, message);

    bool written = false;
    if (sink->has_file()) written = sink->WriteLine(ToUtf8(line));
    if (to_debugger) {
      OutputSink::WriteDebugger(line);
      written = true;
    }
    return written;
  } catch (...) {
    return false;
  }
}

}  // namespace internal
}  // namespace zorlog
