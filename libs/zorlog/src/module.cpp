// The DLL's two exports. Each GetCppModuleInterface call hands out a module
// of its own; FreeCppModuleInterface takes it back. Handles are checked
// against the live ones, so a stale or foreign pointer is refused.
#include <windows.h>

#include <mutex>
#include <set>

#include "log_module.h"
#include "zorlog/zorlog.h"

namespace {

std::mutex g_live_mutex;
std::set<zorlog::LogModuleInterface*> g_live;

}  // namespace

extern "C" {
bool ZORLOG_CALL GetCppModuleInterface(zorlog::LogModuleInterface** module);
bool ZORLOG_CALL FreeCppModuleInterface(zorlog::LogModuleInterface** module);
}

bool ZORLOG_CALL GetCppModuleInterface(zorlog::LogModuleInterface** module) {
  try {
    if (!module) return false;
    *module = nullptr;
    zorlog::internal::LogModule* created = zorlog::internal::LogModule::Create();
    if (!created) return false;
    try {
      std::lock_guard<std::mutex> lock(g_live_mutex);
      g_live.insert(created);
    } catch (...) {
      created->Release();
      return false;
    }
    *module = created;
    return true;
  } catch (...) {
    return false;
  }
}

bool ZORLOG_CALL FreeCppModuleInterface(zorlog::LogModuleInterface** module) {
  try {
    if (!module || !*module) return false;
    zorlog::LogModuleInterface* handle = *module;
    {
      std::lock_guard<std::mutex> lock(g_live_mutex);
      if (g_live.erase(handle) == 0) return false;
    }
    *module = nullptr;
    // Loggers not yet released keep the module (and their output) alive.
    static_cast<zorlog::internal::LogModule*>(handle)->Release();
    return true;
  } catch (...) {
    return false;
  }
}
