// CXParam's Value property: the node's value as a VARIANT, by type code on
// get and by VARIANT type on put. The name counts up to its first NUL here.
#include <windows.h>
#include <oleauto.h>

#include <cwchar>

#include "xparam/XParam.h"

namespace oxcore {
namespace {

UINT NameLength(BSTR name) { return name ? static_cast<UINT>(wcsnlen(name, SysStringLen(name))) : 0; }

// Reads the node's value into v; false when the type is unknown or the
// getter fails (v is then left VT_EMPTY). E_OUTOFMEMORY through *hr.
bool ReadValue(xparam::XParamNode* n, VARIANT* v, HRESULT* hr) {
  switch (n->GetType()) {
    case xparam::kTypeEmpty:
      return true;
    case xparam::kTypeChar:
      if (!n->GetChar(reinterpret_cast<signed char*>(&v->cVal))) return false;
      v->vt = VT_I1;
      return true;
    case xparam::kTypeUChar:
      if (!n->GetUChar(&v->bVal)) return false;
      v->vt = VT_UI1;
      return true;
    case xparam::kTypeShort:
      if (!n->GetShort(&v->iVal)) return false;
      v->vt = VT_I2;
      return true;
    case xparam::kTypeUShort:
      if (!n->GetUShort(&v->uiVal)) return false;
      v->vt = VT_UI2;
      return true;
    case xparam::kTypeLong:
      if (!n->GetLong(&v->lVal)) return false;
      v->vt = VT_I4;
      return true;
    case xparam::kTypeULong:
      if (!n->GetULong(&v->ulVal)) return false;
      v->vt = VT_UI4;
      return true;
    case xparam::kTypeLongLong:
      if (!n->GetLongLong(&v->llVal)) return false;
      v->vt = VT_I8;
      return true;
    case xparam::kTypeULongLong:
      if (!n->GetULongLong(&v->ullVal)) return false;
      v->vt = VT_UI8;
      return true;
    case xparam::kTypeInt:
      if (!n->GetInt(&v->intVal)) return false;
      v->vt = VT_INT;
      return true;
    case xparam::kTypeUInt:
      if (!n->GetUInt(&v->uintVal)) return false;
      v->vt = VT_UINT;
      return true;
    case xparam::kTypeFloat:
      if (!n->GetFloat(&v->fltVal)) return false;
      v->vt = VT_R4;
      return true;
    case xparam::kTypeDouble:
    case xparam::kTypeLongDouble:
      if (!n->GetDouble(&v->dblVal)) return false;
      v->vt = VT_R8;
      return true;
    case xparam::kTypeBool: {
      bool b = false;
      if (!n->GetBool(&b)) return false;
      v->boolVal = b ? VARIANT_TRUE : VARIANT_FALSE;
      v->vt = VT_BOOL;
      return true;
    }
    case xparam::kTypePointer:
      if (!n->GetPointer(&v->byref)) return false;
      v->vt = VT_BYREF;
      return true;
    case xparam::kTypeUnknown:
      if (!n->GetUnknown(&v->punkVal)) return false;
      v->vt = VT_UNKNOWN;
      return true;
    case xparam::kTypeDispatch:
      if (!n->GetDispatch(&v->pdispVal)) return false;
      v->vt = VT_DISPATCH;
      return true;
    case xparam::kTypeString: {
      const wchar_t* text = nullptr;
      int length = 0;
      xparam::Holder holder;
      if (!n->GetString(&text, &length, &holder)) return false;
      BSTR s = SysAllocStringLen(text, static_cast<UINT>(length));
      if (!s) {
        *hr = E_OUTOFMEMORY;
        return false;
      }
      v->bstrVal = s;
      v->vt = VT_BSTR;
      return true;
    }
    case xparam::kTypeBlob: {
      const unsigned char* data = nullptr;
      unsigned int size = 0;
      xparam::Holder holder;
      if (!n->GetBlob(&data, &size, &holder)) return false;
      SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, size);
      if (!array) {
        *hr = E_OUTOFMEMORY;
        return false;
      }
      if (size) {
        void* dest = nullptr;
        if (FAILED(SafeArrayAccessData(array, &dest))) {
          SafeArrayDestroy(array);
          *hr = E_OUTOFMEMORY;
          return false;
        }
        CopyMemory(dest, data, size);
        SafeArrayUnaccessData(array);
      }
      v->parray = array;
      v->vt = VT_ARRAY | VT_UI1;
      return true;
    }
    default:
      return false;
  }
}

bool Accepted(const VARIANT* v) {
  switch (v->vt) {
    case VT_EMPTY: case VT_I1: case VT_UI1: case VT_I2: case VT_UI2: case VT_I4: case VT_ERROR:
    case VT_UI4: case VT_I8: case VT_CY: case VT_UI8: case VT_INT: case VT_UINT: case VT_R4:
    case VT_R8: case VT_DATE: case VT_BOOL: case VT_BSTR: case VT_UNKNOWN: case VT_DISPATCH: case VT_BYREF:
      return true;
    case VT_ARRAY | VT_UI1:
      return v->parray && SafeArrayGetDim(v->parray) == 1;
    default:
      return false;
  }
}

HRESULT WriteValue(xparam::XParamNode* n, const VARIANT* v) {
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
    case VT_ARRAY | VT_UI1: {
      SAFEARRAY* array = v->parray;
      HRESULT hr = SafeArrayLock(array);
      if (FAILED(hr)) return hr;
      n->SetBlob(array->pvData, array->rgsabound[0].cElements);
      SafeArrayUnlock(array);
      break;
    }
    default:
      return DISP_E_TYPEMISMATCH;
  }
  return S_OK;
}

}  // namespace

STDMETHODIMP CXParam::get_Value(BSTR bstrName, VARIANT* pVal) {
  if (!pVal) return E_POINTER;
  if (pVal->vt != VT_EMPTY) return E_INVALIDARG;
  pVal->lVal = 0;
  xparam::NodePtr target;
  if (!Target(bstrName, NameLength(bstrName), false, &target)) return E_FAIL;
  HRESULT hr = S_OK;
  VARIANT value;
  VariantInit(&value);
  if (!ReadValue(target.Get(), &value, &hr)) return hr == S_OK ? DISP_E_TYPEMISMATCH : hr;
  *pVal = value;  // the data first, the type last
  return S_OK;
}

STDMETHODIMP CXParam::put_Value(BSTR bstrName, VARIANT* newVal) {
  if (!newVal) return E_POINTER;
  // Checked before the target is resolved: a refused value creates no child.
  if (!Accepted(newVal)) return DISP_E_TYPEMISMATCH;
  xparam::NodePtr target;
  if (!Target(bstrName, NameLength(bstrName), true, &target)) return E_OUTOFMEMORY;
  return WriteValue(target.Get(), newVal);
}

}  // namespace oxcore
