// CXParamEnum: the enumerator over one XParam object's children.
#include "xparam/XParamEnum.h"

namespace oxcore {

HRESULT CXParamEnum::Create(IXParam* target, IXParamEnum** out) {
  comkit::Object<CXParamEnum>* e = nullptr;
  HRESULT hr = comkit::Object<CXParamEnum>::CreateInstance(&e);
  if (FAILED(hr)) return hr;
  target->AddRef();
  e->target = target;
  target->LockIt();
  *out = static_cast<IXParamEnum*>(e);
  return S_OK;
}

void CXParamEnum::FinalRelease() {
  if (target) {
    target->UnlockIt();
    target->Release();
    target = nullptr;
  }
  if (cursor) {
    cursor->Release();
    cursor = nullptr;
  }
}

STDMETHODIMP CXParamEnum::GetName(BSTR* pbstrName) {
  if (!cursor) return E_FAIL;
  return cursor->GetName(pbstrName);
}

STDMETHODIMP CXParamEnum::GetValue(VARIANT* pVal) {
  if (!cursor) return E_FAIL;
  return cursor->get_Value(nullptr, pVal);
}

STDMETHODIMP CXParamEnum::Next(VARIANT_BOOL* pbEOF) {
  if (!pbEOF) return E_POINTER;
  *pbEOF = VARIANT_TRUE;
  if (!target) return E_FAIL;
  IXParam* next = nullptr;
  HRESULT hr = cursor ? cursor->GetNextSibling(&next) : target->GetFirstChild(&next);
  if (hr != S_OK) {
    if (next) next->Release();
    return hr;
  }
  if (cursor) cursor->Release();
  cursor = next;
  *pbEOF = VARIANT_FALSE;
  return S_OK;
}

STDMETHODIMP CXParamEnum::Reset() {
  if (cursor) {
    cursor->Release();
    cursor = nullptr;
  }
  return S_OK;
}

}  // namespace oxcore
