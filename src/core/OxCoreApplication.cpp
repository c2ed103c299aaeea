// IOxCore::OxRunApplication. The launcher is not part of this build yet.
#include "core/OxCore.h"

namespace oxcore {

STDMETHODIMP COxCore::OxRunApplication(BSTR) {
  if (applicationStarted) return S_FALSE;
  return E_NOTIMPL;
}

}  // namespace oxcore
