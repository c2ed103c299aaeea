#include "core/OxCore.h"

#include <oleauto.h>

namespace oxcore {
namespace {

template <class T>
void ReleaseMember(T*& member) {
  if (member) {
    T* p = member;
    member = nullptr;
    p->Release();
  }
}

// Hands out a held service: E_POINTER, E_INVALIDARG for a filled slot,
// CO_E_NOTINITIALIZED while the service is absent.
template <class T>
HRESULT HandOut(T* member, T** slot) {
  if (!slot) return E_POINTER;
  if (*slot) return E_INVALIDARG;
  if (!member) return CO_E_NOTINITIALIZED;
  member->AddRef();
  *slot = member;
  return S_OK;
}

}  // namespace

COxCore::~COxCore() {
  ReleaseMember(configManager);
  ReleaseMember(i18n);
  ReleaseMember(msgBus);
  instances.reset();
  comRuntime.reset();
}

STDMETHODIMP COxCore::OxGetVersion(USHORT* Major, USHORT* Minor, ULONG* BuildNum, BSTR* VersionString) {
  if (!Major || !Minor || !BuildNum || !VersionString) return E_POINTER;
  BSTR text = SysAllocString(L"1.1.20070626");
  if (!text) return E_OUTOFMEMORY;
  *Major = 1;
  *Minor = 1;
  *BuildNum = 20070626;
  *VersionString = text;
  return S_OK;
}

STDMETHODIMP COxCore::OxGetMsgBus(IMsgBus** ppMsgBus) {
  if (!ppMsgBus) return E_POINTER;
  // The slot's previous content is not examined.
  *ppMsgBus = msgBus;
  if (!msgBus) return CO_E_NOTINITIALIZED;
  msgBus->AddRef();
  return S_OK;
}

STDMETHODIMP COxCore::OxGetI18N(II18N** ppI18N) { return HandOut(i18n, ppI18N); }

STDMETHODIMP COxCore::OxGetConfigueFileManager(IConfigueFileManager** ppIConfigueFileManager) {
  return HandOut(configManager, ppIConfigueFileManager);
}

STDMETHODIMP COxCore::PerfLog(BSTR, BSTR, BSTR, BSTR, BSTR, int) { return S_OK; }

}  // namespace oxcore
