// IOxCore::OxMakeDefaultRegFile: the registry builder on a caller's root,
// with the scan options of this core's last Init (defaults before any).
// The in-memory registry is left as it is; the new "default.oxreg" is taken
// up by a later start-up.
#include "core/OxCore.h"

#include "registry/MakeDefaultRegFile.h"

namespace oxcore {

STDMETHODIMP COxCore::OxMakeDefaultRegFile(BSTR RootDir) {
  try {
    const std::wstring root = RootDir ? std::wstring(RootDir) : std::wstring();
    return MakeDefaultRegFile(root, options);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace oxcore
