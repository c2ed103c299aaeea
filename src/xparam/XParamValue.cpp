// CXParam's Value property: the node's value as a VARIANT, by type code on
// get and by VARIANT type on put. The name counts up to its first NUL here.
#include <windows.h>
#include <oleauto.h>

#include <cwchar>

#include "xparam/XParam.h"

namespace oxcore {
namespace {

UINT NameLength(BSTR name) { return name ? static_cast<UINT>(wcsnlen(name, SysStringLen(name))) : 0; }

// Answers a getter's outcome, recording the VARIANT type it stands for.
HRESULT As(bool read, VARTYPE type, VARTYPE* vt) {
  if (!read) return DISP_E_TYPEMISMATCH;
  *vt = type;
  return S_OK;
}

// Reads the node's value into v's data and its type into *vt; v->vt itself
// is left for the caller to write last. DISP_E_TYPEMISMATCH for an unknown
// type code or a failing getter, E_OUTOFMEMORY when a copy fails.
HRESULT ReadValue(xparam::XParamNode* n, VARIANT* v, VARTYPE* vt) {
  switch (n->GetType()) {
    case xparam::kTypeEmpty:
      return As(true, VT_EMPTY, vt);
    case xparam::kTypeChar:
      return As(n->GetChar(reinterpret_cast<signed char*>(&v->cVal)), VT_I1, vt);
    case xparam::kTypeUChar:
      return As(n->GetUChar(&v->bVal), VT_UI1, vt);
    case xparam::kTypeShort:
      return As(n->GetShort(&v->iVal), VT_I2, vt);
    case xparam::kTypeUShort:
      return As(n->GetUShort(&v->uiVal), VT_UI2, vt);
    case xparam::kTypeLong:
      return As(n->GetLong(&v->lVal), VT_I4, vt);
    case xparam::kTypeULong:
      return As(n->GetULong(&v->ulVal), VT_UI4, vt);
    case xparam::kTypeLongLong:
      return As(n->GetLongLong(&v->llVal), VT_I8, vt);
    case xparam::kTypeULongLong:
      return As(n->GetULongLong(&v->ullVal), VT_UI8, vt);
    case xparam::kTypeInt:
      return As(n->GetInt(&v->intVal), VT_INT, vt);
    case xparam::kTypeUInt:
      return As(n->GetUInt(&v->uintVal), VT_UINT, vt);
    case xparam::kTypeFloat:
      return As(n->GetFloat(&v->fltVal), VT_R4, vt);
    case xparam::kTypeDouble:
    case xparam::kTypeLongDouble:
      return As(n->GetDouble(&v->dblVal), VT_R8, vt);
    case xparam::kTypeBool: {
      bool b = false;
      if (!n->GetBool(&b)) return DISP_E_TYPEMISMATCH;
      v->boolVal = b ? VARIANT_TRUE : VARIANT_FALSE;
      return As(true, VT_BOOL, vt);
    }
    case xparam::kTypePointer:
      return As(n->GetPointer(&v->byref), VT_BYREF, vt);
    case xparam::kTypeUnknown:
      return As(n->GetUnknown(&v->punkVal), VT_UNKNOWN, vt);
    case xparam::kTypeDispatch:
      return As(n->GetDispatch(&v->pdispVal), VT_DISPATCH, vt);
    case xparam::kTypeString: {
      const wchar_t* text = nullptr;
      int length = 0;
      xparam::Holder holder;
      if (!n->GetString(&text, &length, &holder)) return DISP_E_TYPEMISMATCH;
      BSTR s = SysAllocStringLen(text, static_cast<UINT>(length));
      if (!s) return E_OUTOFMEMORY;
      v->bstrVal = s;
      return As(true, VT_BSTR, vt);
    }
    case xparam::kTypeBlob: {
      const unsigned char* data = nullptr;
      unsigned int size = 0;
      xparam::Holder holder;
      if (!n->GetBlob(&data, &size, &holder)) return DISP_E_TYPEMISMATCH;
      SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, size);
      if (!array) return E_OUTOFMEMORY;
      if (size) CopyMemory(array->pvData, data, size);  // a new array is not locked; its data is ours
      v->parray = array;
      return As(true, VT_ARRAY | VT_UI1, vt);
    }
    default:
      return DISP_E_TYPEMISMATCH;
  }
}

bool Accepted(VARTYPE vt) {
  switch (vt) {
    case VT_EMPTY: case VT_I1: case VT_UI1: case VT_I2: case VT_UI2: case VT_I4: case VT_ERROR:
    case VT_UI4: case VT_I8: case VT_CY: case VT_UI8: case VT_INT: case VT_UINT: case VT_R4:
    case VT_R8: case VT_DATE: case VT_BOOL: case VT_BSTR: case VT_UNKNOWN: case VT_DISPATCH: case VT_BYREF:
    case VT_ARRAY | VT_UI1:
      return true;
    default:
      return false;
  }
}

// Writes v to n. A byte array arrives locked by the caller.
void WriteValue(xparam::XParamNode* n, const VARIANT* v) {
  switch (v->vt) {
    case VT_EMPTY: n->SetEmpty(); break;
    case VT_I1: n->SetChar(static_cast<signed char>(v->cVal)); break;
    case VT_UI1: n->SetUChar(v->bVal); break;
    case VT_I2: n->SetShort(v->iVal); break;
    case VT_UI2: n->SetUShort(v->uiVal); break;
    case VT_I4: n->SetLong(v->lVal); break;
    case VT_ERROR: n->SetLong(v->scode); break;
    case VT_UI4: n->SetULong(v->ulVal); break;
    case VT_I8: n->SetLongLong(v->llVal); break;
    case VT_CY: n->SetLongLong(v->cyVal.int64); break;
    case VT_UI8: n->SetULongLong(v->ullVal); break;
    case VT_INT: n->SetInt(v->intVal); break;
    case VT_UINT: n->SetUInt(v->uintVal); break;
    case VT_R4: n->SetFloat(v->fltVal); break;
    case VT_R8: n->SetDouble(v->dblVal); break;
    case VT_DATE: n->SetDouble(v->date); break;
    case VT_BOOL: n->SetBool(v->boolVal != 0); break;
    case VT_BSTR: n->SetString(v->bstrVal ? v->bstrVal : L"", static_cast<int>(SysStringLen(v->bstrVal))); break;
    case VT_UNKNOWN: n->SetUnknown(v->punkVal); break;
    case VT_DISPATCH: n->SetDispatch(v->pdispVal); break;
    case VT_BYREF: n->SetPointer(v->byref); break;
    case VT_ARRAY | VT_UI1: n->SetBlob(v->parray->pvData, v->parray->rgsabound[0].cElements); break;
    default: break;
  }
}

// Keeps a byte array locked while its data is copied.
class ArrayLock {
 public:
  ArrayLock() = default;
  ~ArrayLock() {
    if (array_) SafeArrayUnlock(array_);
  }
  ArrayLock(const ArrayLock&) = delete;
  ArrayLock& operator=(const ArrayLock&) = delete;
  HRESULT Lock(SAFEARRAY* array) {
    HRESULT hr = SafeArrayLock(array);
    if (SUCCEEDED(hr)) array_ = array;
    return hr;
  }

 private:
  SAFEARRAY* array_ = nullptr;
};

}  // namespace

STDMETHODIMP CXParam::get_Value(BSTR bstrName, VARIANT* pVal) {
  if (!pVal) return E_POINTER;
  if (pVal->vt != VT_EMPTY) return E_INVALIDARG;
  pVal->lVal = 0;
  xparam::NodePtr target;
  if (!Target(bstrName, NameLength(bstrName), false, &target)) return E_FAIL;
  VARTYPE vt = VT_EMPTY;
  HRESULT hr = ReadValue(target.Get(), pVal, &vt);
  if (FAILED(hr)) return hr;
  pVal->vt = vt;  // the data first, the type last
  return S_OK;
}

STDMETHODIMP CXParam::put_Value(BSTR bstrName, VARIANT* newVal) {
  if (!newVal) return E_POINTER;
  // Everything that can refuse the value runs before the target is
  // resolved, so a refused value creates no child.
  if (!Accepted(newVal->vt)) return DISP_E_TYPEMISMATCH;
  ArrayLock locked;
  if (newVal->vt == (VT_ARRAY | VT_UI1)) {
    HRESULT hr = locked.Lock(newVal->parray);
    if (FAILED(hr)) return hr;
    // One dimension of single bytes only; the lower bound is ignored.
    if (SafeArrayGetDim(newVal->parray) != 1 || SafeArrayGetElemsize(newVal->parray) != 1) return DISP_E_TYPEMISMATCH;
  }
  xparam::NodePtr target;
  if (!Target(bstrName, NameLength(bstrName), true, &target)) return E_OUTOFMEMORY;
  WriteValue(target.Get(), newVal);
  return S_OK;
}

}  // namespace oxcore
