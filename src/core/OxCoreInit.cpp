// IOxCore::Init and IOxCore::Uninit: bring the core's services up and down.
// Steps run in a fixed order; only a failed XParam binding stops Init.
#include "core/OxCore.h"
#include "xparam/XParamModule.h"

namespace oxcore {

STDMETHODIMP COxCore::Init(BSTR /*PreLoadConfig*/) {
  if (initialised) return S_FALSE;

  // Everything after this reads or writes documents through xparam.dll.
  if (!BindXParam(XParamBindingKind::kPrimary)) return E_FAIL;
  BindXParam(XParamBindingKind::kDocuments);

  initialised = true;
  return S_OK;
}

STDMETHODIMP COxCore::Uninit() {
  if (!initialised) return S_FALSE;

  ReleaseXParam(XParamBindingKind::kDocuments);
  ReleaseXParam(XParamBindingKind::kPrimary);

  initialised = false;
  return S_OK;
}

}  // namespace oxcore
