// IOxCore::OxMakeDefaultRegFile: the registry builder on a caller's root.
// The builder is not part of this build yet.
#include "core/OxCore.h"

namespace oxcore {

STDMETHODIMP COxCore::OxMakeDefaultRegFile(BSTR) { return E_NOTIMPL; }

}  // namespace oxcore
