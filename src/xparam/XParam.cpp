// CXParam: lifetime, target resolution and the typed properties.
#include "xparam/XParam.h"

#include <oleauto.h>

#include "xparam/XParamModule.h"

namespace oxcore {

// {6C1E8A52-93D4-4B7E-A0C2-5F1D2B7E9A31}
const IID IID_IOxXParamSelf = {0x6c1e8a52, 0x93d4, 0x4b7e, {0xa0, 0xc2, 0x5f, 0x1d, 0x2b, 0x7e, 0x9a, 0x31}};

CXParam::CXParam() { InitializeCriticalSection(&lock); }

CXParam::~CXParam() {
  node.Reset();
  DeleteCriticalSection(&lock);
}

HRESULT CXParam::FinalConstruct() {
  xparam::ModuleInterface* module = PrimaryXParam();
  if (!module) return CO_E_NOTINITIALIZED;
  if (!module->CreateXParam(node.Receive()) || !node) return E_OUTOFMEMORY;
  return S_OK;
}

HRESULT CXParam::CreateHandle(xparam::XParamNode* found, IXParam** out) {
  comkit::Object<CXParam>* obj = nullptr;
  HRESULT hr = comkit::Object<CXParam>::CreateInstance(&obj);
  if (FAILED(hr)) return hr;
  obj->node = xparam::NodePtr(found);
  *out = static_cast<IXParam*>(obj);  // CreateInstance's reference goes to the caller
  return S_OK;
}

CXParam* CXParam::FromInterface(IXParam* itf) {
  if (!itf) return nullptr;
  IXParam* self = nullptr;
  if (FAILED(itf->QueryInterface(IID_IOxXParamSelf, reinterpret_cast<void**>(&self))) || !self) return nullptr;
  CXParam* impl = static_cast<CXParam*>(self);
  self->Release();  // the caller holds itf, which keeps the object alive
  return impl;
}

bool CXParam::Target(const wchar_t* name, UINT length, bool create, xparam::NodePtr* out) {
  if (!name || length == 0) {
    *out = node;
    return true;
  }
  int len = static_cast<int>(length);
  if (node->FindFirstChild(name, len, 0, out->Receive())) return true;
  if (!create) return false;
  xparam::NodePtr child;
  if (!node->CreateNode(child.Receive()) || !child) return false;
  child->SetName(name, len);
  child->SetNodeMode(0);
  if (!node->PushBackChild(child.Get())) return false;
  *out = child;
  return true;
}

template <class T>
HRESULT CXParam::GetTyped(BSTR name, T* pVal, bool(XPARAM_CALL xparam::XParamNode::*getter)(T*)) {
  if (!pVal) return E_POINTER;
  xparam::NodePtr target;
  if (!Target(name, SysStringLen(name), false, &target)) return E_FAIL;
  return ((target.Get())->*getter)(pVal) ? S_OK : DISP_E_TYPEMISMATCH;
}

template <class T>
HRESULT CXParam::PutTyped(BSTR name, T value, bool(XPARAM_CALL xparam::XParamNode::*setter)(T)) {
  xparam::NodePtr target;
  if (!Target(name, SysStringLen(name), true, &target)) return E_OUTOFMEMORY;
  ((target.Get())->*setter)(value);
  return S_OK;
}

#define OX_XPARAM_TYPED(Prop, Type, Getter, Setter)                                                       \
  STDMETHODIMP CXParam::get_##Prop(BSTR bstrName, Type* pVal) {                                          \
    return GetTyped(bstrName, pVal, &xparam::XParamNode::Getter);                                         \
  }                                                                                                      \
  STDMETHODIMP CXParam::put_##Prop(BSTR bstrName, Type newVal) {                                         \
    return PutTyped(bstrName, newVal, &xparam::XParamNode::Setter);                                       \
  }
OX_XPARAM_TYPED(Char, signed char, GetChar, SetChar)
OX_XPARAM_TYPED(UChar, unsigned char, GetUChar, SetUChar)
OX_XPARAM_TYPED(Short, short, GetShort, SetShort)
OX_XPARAM_TYPED(UShort, unsigned short, GetUShort, SetUShort)
OX_XPARAM_TYPED(Long, LONG, GetLong, SetLong)
OX_XPARAM_TYPED(ULong, ULONG, GetULong, SetULong)
OX_XPARAM_TYPED(LongLong, LONGLONG, GetLongLong, SetLongLong)
OX_XPARAM_TYPED(ULongLong, ULONGLONG, GetULongLong, SetULongLong)
OX_XPARAM_TYPED(Int, int, GetInt, SetInt)
OX_XPARAM_TYPED(UInt, unsigned int, GetUInt, SetUInt)
OX_XPARAM_TYPED(Byte, unsigned char, GetUChar, SetUChar)
OX_XPARAM_TYPED(Float, float, GetFloat, SetFloat)
OX_XPARAM_TYPED(Double, double, GetDouble, SetDouble)
OX_XPARAM_TYPED(Pvoid, void*, GetPointer, SetPointer)
OX_XPARAM_TYPED(Unknown, IUnknown*, GetUnknown, SetUnknown)
OX_XPARAM_TYPED(Dispatch, IDispatch*, GetDispatch, SetDispatch)
OX_XPARAM_TYPED(Date, DATE, GetDouble, SetDouble)
#undef OX_XPARAM_TYPED

STDMETHODIMP CXParam::get_Bool(BSTR bstrName, VARIANT_BOOL* pVal) {
  if (!pVal) return E_POINTER;
  bool value = false;
  HRESULT hr = GetTyped(bstrName, &value, &xparam::XParamNode::GetBool);
  if (hr == S_OK) *pVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return hr;
}

STDMETHODIMP CXParam::put_Bool(BSTR bstrName, VARIANT_BOOL newVal) {
  return PutTyped(bstrName, (static_cast<unsigned short>(newVal) & 0xFFFF) != 0, &xparam::XParamNode::SetBool);
}

STDMETHODIMP CXParam::get_Bstr(BSTR bstrName, BSTR* pVal) {
  if (!pVal) return E_POINTER;
  xparam::NodePtr target;
  if (!Target(bstrName, SysStringLen(bstrName), false, &target)) return E_FAIL;
  const wchar_t* text = nullptr;
  int length = 0;
  xparam::Holder holder;
  if (!target->GetString(&text, &length, &holder)) return DISP_E_TYPEMISMATCH;
  BSTR copy = SysAllocStringLen(text, static_cast<UINT>(length));
  if (!copy) return E_OUTOFMEMORY;
  *pVal = copy;
  return S_OK;
}

STDMETHODIMP CXParam::put_Bstr(BSTR bstrName, BSTR newVal) {
  xparam::NodePtr target;
  if (!Target(bstrName, SysStringLen(bstrName), true, &target)) return E_OUTOFMEMORY;
  target->SetString(newVal ? newVal : L"", static_cast<int>(SysStringLen(newVal)));
  return S_OK;
}

STDMETHODIMP CXParam::get_Blob(BSTR bstrName, XBLOB* pVal) {
  if (!pVal) return E_POINTER;
  xparam::NodePtr target;
  if (!Target(bstrName, SysStringLen(bstrName), false, &target)) return E_FAIL;
  const unsigned char* data = nullptr;
  unsigned int size = 0;
  xparam::Holder holder;
  if (!target->GetBlob(&data, &size, &holder)) return DISP_E_TYPEMISMATCH;
  if (pVal->cbSize == 0) {  // size query
    pVal->cbSize = size;
    return S_OK;
  }
  if (!pVal->pData) return E_INVALIDARG;
  ULONG count = pVal->cbSize < size ? pVal->cbSize : size;
  if (count) CopyMemory(pVal->pData, data, count);
  pVal->cbSize = count;
  return S_OK;
}

STDMETHODIMP CXParam::put_Blob(BSTR bstrName, XBLOB newVal) {
  if (newVal.cbSize != 0 && !newVal.pData) return E_INVALIDARG;
  xparam::NodePtr target;
  if (!Target(bstrName, SysStringLen(bstrName), true, &target)) return E_OUTOFMEMORY;
  target->SetBlob(newVal.pData, newVal.cbSize);
  return S_OK;
}

STDMETHODIMP CXParam::LockIt() {
  EnterCriticalSection(&lock);
  if (lockDepth++ == 0) lockOwner.store(GetCurrentThreadId());
  return S_OK;
}

STDMETHODIMP CXParam::UnlockIt() {
  // Only the owner ever stores its own id, so this read needs no lock.
  if (lockOwner.load() != GetCurrentThreadId()) return HRESULT_FROM_WIN32(ERROR_NOT_OWNER);
  if (--lockDepth == 0) lockOwner.store(0);
  LeaveCriticalSection(&lock);
  return S_OK;
}

}  // namespace oxcore
