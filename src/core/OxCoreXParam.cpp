// IOxCore::OxCreateXParam: a new, empty XParam object.
#include "core/OxCore.h"
#include "xparam/XParam.h"

namespace oxcore {

STDMETHODIMP COxCore::OxCreateXParam(IXParam** ppXParam) {
  if (!ppXParam) return E_POINTER;
  *ppXParam = nullptr;
  return comkit::Object<CXParam>::Create(nullptr, IID_IXParam, reinterpret_cast<void**>(ppXParam));
}

}  // namespace oxcore
