#include "log_module.h"

#include <new>
#include <utility>
#include <vector>

#include "levels.h"
#include "logger.h"
#include "output_sink.h"

namespace zorlog {
namespace internal {

LogModule* LogModule::Create() {
  try {
    LogModule* module = new LogModule();
    module->sink_ = OutputSink::Open(module->config_);
    return module;
  } catch (...) {
    return nullptr;
  }
}

LogModule::~LogModule() {
  // Only loggers whose references were never released can remain here, and
  // they hold the module alive, so the map is empty.
}

void LogModule::AddRef() { references_.fetch_add(1); }

void LogModule::Release() {
  if (references_.fetch_sub(1) == 1) delete this;
}

std::shared_ptr<OutputSink> LogModule::Sink() {
  std::lock_guard<std::mutex> lock(sink_mutex_);
  return sink_;
}

void LogModule::SetLoggerLevel(LoggerImpl* logger, int level) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (level < 0) {
    logger->FollowConfig(config_.LevelFor(logger->name()));
  } else if (IsThreshold(level)) {
    logger->Override(level);
  }
}

void ZORLOG_CALL LogModule::Flush() {
  try {
    std::shared_ptr<OutputSink> sink = Sink();
    if (sink) sink->Flush();
  } catch (...) {
  }
}

Logger* ZORLOG_CALL LogModule::CreateLogger(const wchar_t* name, int flags) {
  try {
    if (!name) return nullptr;
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = loggers_.find(name);
    if (found != loggers_.end()) {
      ++found->second->references;
      return found->second;
    }
    std::wstring key(name);
    auto logger = std::make_unique<LoggerImpl>(this, key, flags, config_.LevelFor(key));
    loggers_.emplace(std::move(key), logger.get());
    return logger.release();
  } catch (...) {
    return nullptr;
  }
}

void ZORLOG_CALL LogModule::ReleaseLogger(Logger* logger) {
  try {
    if (!logger) return;
    LoggerImpl* last = nullptr;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      // Only loggers of this module are counted down; anything else is ignored.
      for (auto it = loggers_.begin(); it != loggers_.end(); ++it) {
        if (static_cast<Logger*>(it->second) != logger) continue;
        if (--it->second->references == 0) {
          last = it->second;
          loggers_.erase(it);
        }
        break;
      }
    }
    // May release the module's last reference: nothing may follow.
    delete last;
  } catch (...) {
  }
}

bool ZORLOG_CALL LogModule::LoadConfig(const wchar_t* path) {
  try {
    if (!path) return false;
    Config config;
    const bool read = ReadConfigFile(path, &config);
    // Opened before taking the locks: a slow file system delays only this
    // caller.
    std::shared_ptr<OutputSink> sink = OutputSink::Open(config);
    if (!sink) return false;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      config_ = std::move(config);
      for (auto& entry : loggers_) entry.second->ApplyConfigLevel(config_.LevelFor(entry.first));
      std::lock_guard<std::mutex> sink_lock(sink_mutex_);
      sink_.swap(sink);
    }
    // The old output closes when its last writer lets go of it.
    return read;
  } catch (...) {
    return false;
  }
}

}  // namespace internal
}  // namespace zorlog
