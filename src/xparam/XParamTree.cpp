// CXParam's tree methods: navigation, edits, cloning, exchange and names.
#include <windows.h>
#include <oleauto.h>

#include "xparam/XParam.h"
#include "xparam/XParamEnum.h"

namespace oxcore {

HRESULT CXParam::Navigate(bool(XPARAM_CALL xparam::XParamNode::*step)(xparam::XParamNode**), IXParam** ppXParam) {
  if (!ppXParam) return E_POINTER;
  if (*ppXParam) return E_INVALIDARG;
  xparam::NodePtr found;
  if (!((node.Get())->*step)(found.Receive()) || !found) return S_FALSE;
  return CreateHandle(found.Get(), ppXParam);
}

STDMETHODIMP CXParam::GetParent(IXParam** p) { return Navigate(&xparam::XParamNode::GetParent, p); }
STDMETHODIMP CXParam::GetFirstChild(IXParam** p) { return Navigate(&xparam::XParamNode::GetFirstChild, p); }
STDMETHODIMP CXParam::GetLastChild(IXParam** p) { return Navigate(&xparam::XParamNode::GetLastChild, p); }
STDMETHODIMP CXParam::GetPrevSibling(IXParam** p) { return Navigate(&xparam::XParamNode::GetPrevSibling, p); }
STDMETHODIMP CXParam::GetNextSibling(IXParam** p) { return Navigate(&xparam::XParamNode::GetNextSibling, p); }
STDMETHODIMP CXParam::GetPrevNamesake(IXParam** p) { return Navigate(&xparam::XParamNode::GetPrevNamesake, p); }
STDMETHODIMP CXParam::GetNextNamesake(IXParam** p) { return Navigate(&xparam::XParamNode::GetNextNamesake, p); }

STDMETHODIMP CXParam::GetFirstChildByName(BSTR bstrName, LONG nOffset, IXParam** ppXParam) {
  if (!ppXParam) return E_POINTER;
  if (*ppXParam) return E_INVALIDARG;
  xparam::NodePtr found;
  if (!node->FindFirstChild(bstrName ? bstrName : L"", static_cast<int>(SysStringLen(bstrName)),
                            static_cast<int>(nOffset), found.Receive()) ||
      !found)
    return S_FALSE;
  return CreateHandle(found.Get(), ppXParam);
}

STDMETHODIMP CXParam::GetLastChildByName(BSTR bstrName, LONG nOffset, IXParam** ppXParam) {
  if (!ppXParam) return E_POINTER;
  if (*ppXParam) return E_INVALIDARG;
  xparam::NodePtr found;
  if (!node->FindLastChild(bstrName ? bstrName : L"", static_cast<int>(SysStringLen(bstrName)),
                           static_cast<int>(nOffset), found.Receive()) ||
      !found)
    return S_FALSE;
  return CreateHandle(found.Get(), ppXParam);
}

STDMETHODIMP CXParam::GetChildrenCount(LONG* nCount) {
  if (!nCount) return E_POINTER;
  *nCount = node->GetChildrenCount();
  return S_OK;
}

HRESULT CXParam::Link(IXParam* reference, IXParam* child,
                      bool (*edit)(xparam::XParamNode*, xparam::XParamNode*, xparam::XParamNode*)) {
  CXParam* c = FromInterface(child);
  CXParam* r = reference ? FromInterface(reference) : nullptr;
  if (!c || (reference && !r)) return E_INVALIDARG;
  return edit(node.Get(), r ? r->Node() : nullptr, c->Node()) ? S_OK : E_FAIL;
}

STDMETHODIMP CXParam::PushBackChild(IXParam* pChild) {
  if (!pChild) return E_POINTER;
  return Link(nullptr, pChild, [](xparam::XParamNode* n, xparam::XParamNode*, xparam::XParamNode* c) {
    return n->PushBackChild(c);
  });
}

STDMETHODIMP CXParam::PushFrontChild(IXParam* pChild) {
  if (!pChild) return E_POINTER;
  return Link(nullptr, pChild, [](xparam::XParamNode* n, xparam::XParamNode*, xparam::XParamNode* c) {
    return n->PushFrontChild(c);
  });
}

STDMETHODIMP CXParam::InsertBefore(IXParam* pBefore, IXParam* pChild) {
  if (!pBefore || !pChild) return E_POINTER;
  return Link(pBefore, pChild, [](xparam::XParamNode* n, xparam::XParamNode* r, xparam::XParamNode* c) {
    return n->InsertBefore(r, c);
  });
}

STDMETHODIMP CXParam::InsertAfter(IXParam* pAfter, IXParam* pChild) {
  if (!pAfter || !pChild) return E_POINTER;
  return Link(pAfter, pChild, [](xparam::XParamNode* n, xparam::XParamNode* r, xparam::XParamNode* c) {
    return n->InsertAfter(r, c);
  });
}

STDMETHODIMP CXParam::DropChild(IXParam* pChild) {
  if (!pChild) return E_POINTER;
  return Link(nullptr, pChild, [](xparam::XParamNode* n, xparam::XParamNode*, xparam::XParamNode* c) {
    return n->DropChild(c);
  });
}

STDMETHODIMP CXParam::DropSelf() {
  node->DropSelf();
  return S_OK;
}

STDMETHODIMP CXParam::ClearChildren() {
  node->ClearChildren();
  return S_OK;
}

STDMETHODIMP CXParam::Clear() { return ClearChildren(); }

STDMETHODIMP CXParam::Remove(BSTR bstrName) {
  xparam::NodePtr child;
  node->FindFirstChild(bstrName ? bstrName : L"", static_cast<int>(SysStringLen(bstrName)), 0, child.Receive());
  while (child) {
    xparam::NodePtr next;
    child->GetNextNamesake(next.Receive());
    child->DropSelf();
    child = next;
  }
  return S_OK;
}

STDMETHODIMP CXParam::Clone(VARIANT_BOOL bCopy, IXParam** ppXParam) {
  if (!ppXParam) return E_POINTER;
  if (*ppXParam) return E_INVALIDARG;
  comkit::Object<CXParam>* copy = nullptr;
  HRESULT hr = comkit::Object<CXParam>::CreateInstance(&copy);
  if (FAILED(hr)) return hr;
  if (bCopy) {
    xparam::NodePtr cloned;
    if (!node->Clone(cloned.Receive()) || !cloned) {
      copy->Release();
      return E_OUTOFMEMORY;
    }
    copy->node = cloned;
  }
  *ppXParam = static_cast<IXParam*>(copy);
  return S_OK;
}

STDMETHODIMP CXParam::Exchange(IXParam* pXParam) {
  if (!pXParam) return E_POINTER;
  void* other = nullptr;
  HRESULT hr = pXParam->GetCppXParam(&other);
  if (FAILED(hr)) return hr;
  if (!other) return E_FAIL;
  hr = pXParam->SetCppXParam(node.Get());
  if (FAILED(hr)) {
    static_cast<xparam::XParamNode*>(other)->Release();
    return hr;
  }
  node.Attach(static_cast<xparam::XParamNode*>(other));  // takes over GetCppXParam's reference
  return S_OK;
}

STDMETHODIMP CXParam::GetCppXParam(void** ppCppXParam) {
  if (!ppCppXParam) return E_POINTER;
  if (*ppCppXParam) return E_INVALIDARG;
  node->AddRef();
  *ppCppXParam = node.Get();
  return S_OK;
}

STDMETHODIMP CXParam::SetCppXParam(void* pCppXParam) {
  if (!pCppXParam) return E_POINTER;
  node = xparam::NodePtr(static_cast<xparam::XParamNode*>(pCppXParam));
  return S_OK;
}

STDMETHODIMP CXParam::GetName(BSTR* bstrName) {
  if (!bstrName) return E_POINTER;
  const wchar_t* text = nullptr;
  int length = 0;
  xparam::Holder holder;
  if (!node->GetName(&text, &length, &holder)) length = 0;
  BSTR name = SysAllocStringLen(length ? text : L"", static_cast<UINT>(length));
  if (!name) return E_OUTOFMEMORY;
  *bstrName = name;
  return S_OK;
}

STDMETHODIMP CXParam::SetName(BSTR bstrName) {
  node->SetName(bstrName ? bstrName : L"", static_cast<int>(SysStringLen(bstrName)));
  return S_OK;
}

STDMETHODIMP CXParam::CreateEnum(IXParamEnum** pEnum) {
  if (!pEnum) return E_POINTER;
  *pEnum = nullptr;
  return CXParamEnum::Create(this, pEnum);
}

}  // namespace oxcore
