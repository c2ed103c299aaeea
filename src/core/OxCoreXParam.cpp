// IOxCore::OxCreateXParam. The XParam object is not part of this build yet.
#include "core/OxCore.h"

namespace oxcore {

STDMETHODIMP COxCore::OxCreateXParam(IXParam** ppXParam) {
  if (!ppXParam) return E_POINTER;
  return E_NOTIMPL;
}

}  // namespace oxcore
