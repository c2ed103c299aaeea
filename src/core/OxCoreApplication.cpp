// IOxCore::OxRunApplication: one successful run per core.
#include "core/Launcher.h"
#include "core/OxCore.h"

namespace oxcore {

STDMETHODIMP COxCore::OxRunApplication(BSTR AppPath) {
  if (applicationStarted) return S_FALSE;
  // The launcher works on this core, so a core made through the class table
  // runs its application from its own table, under its own flag.
  HRESULT hr = RunApplication(this, AppPath);
  if (SUCCEEDED(hr)) applicationStarted = true;
  return hr;
}

}  // namespace oxcore
