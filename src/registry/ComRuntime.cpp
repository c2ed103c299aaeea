#include "registry/ComRuntime.h"

namespace oxcore {

void CComRuntime::Clear() {
  dispatches.clear();
  coclasses.clear();
  libraries.clear();
}

}  // namespace oxcore
