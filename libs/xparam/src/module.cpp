// The module object and the two exports, the only names xparam.dll exports.
#include <windows.h>

#include "doc_reader.h"
#include "doc_writer.h"
#include "node.h"
#include "xparam/xparam.h"

namespace xparam {
namespace {

class Module final : public ModuleInterface {
 public:
  bool XPARAM_CALL CreateXParam(XParamNode** out) override {
    if (!out) return false;
    try {
      *out = Node::New();
      return true;
    } catch (...) {
      *out = nullptr;
      return false;
    }
  }
  DocReader* XPARAM_CALL CreateDocReader() override {
    try {
      return new Reader();
    } catch (...) {
      return nullptr;
    }
  }
  DocWriter* XPARAM_CALL CreateDocWriter() override {
    try {
      return new Writer();
    } catch (...) {
      return nullptr;
    }
  }
};

// One module object for the process; it has no state worth destroying, and
// nodes, readers and writers outlive FreeCppModuleInterface.
Module g_module;
LONG g_bindings = 0;

}  // namespace
}  // namespace xparam

extern "C" {

bool XPARAM_CALL GetCppModuleInterface(xparam::ModuleInterface** module);
bool XPARAM_CALL FreeCppModuleInterface(xparam::ModuleInterface** module);

bool XPARAM_CALL GetCppModuleInterface(xparam::ModuleInterface** module) {
  if (!module) return false;
  InterlockedIncrement(&xparam::g_bindings);
  *module = &xparam::g_module;
  return true;
}

bool XPARAM_CALL FreeCppModuleInterface(xparam::ModuleInterface** module) {
  if (!module || *module != &xparam::g_module) return false;
  *module = nullptr;
  InterlockedDecrement(&xparam::g_bindings);
  return true;
}

}  // extern "C"
