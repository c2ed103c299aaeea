#include "core/ProcessCore.h"

#include "core/OxCore.h"

namespace oxcore {
namespace {
IOxCore* g_core = nullptr;
}

void CreateProcessCore() {
  if (g_core) return;
  IOxCore* core = nullptr;
  if (SUCCEEDED(comkit::Object<COxCore>::Create(nullptr, IID_IOxCore, reinterpret_cast<void**>(&core)))) g_core = core;
}

IOxCore* ProcessCore() { return g_core; }

}  // namespace oxcore
