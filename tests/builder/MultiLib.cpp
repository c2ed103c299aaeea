// bx_multi.dll: a component library for the registry builder's tests. It
// reports through process environment variables, which outlive the library:
//
//   BX_MULTI_ATTACH, BX_MULTI_DETACH  process attach / detach count
//   BX_MULTI_GCO                      DllGetClassObject calls
//   BX_MULTI_SERVE   switch: one '1' or '0' per coclass (BxFirst, BxSecond,
//                    BxThird) saying whether its factory is served; unset:
//                    all three are
//   BX_MULTI_MODE    switch: "fail-attach" (DllMain refuses), "fault-attach"
//                    (access violation in DllMain), "gco-av" (access
//                    violation in DllGetClassObject), "gco-raise"
//                    (RaiseException 0xE0B0B001 there), "release-av" (the
//                    factory's Release faults)
#include <windows.h>
#include <unknwn.h>

#include <cwchar>
#include <string>

#include "MultiLib.h"

namespace {

std::wstring Var(const wchar_t* name) {
  wchar_t buf[64];
  DWORD n = GetEnvironmentVariableW(name, buf, 64);
  return (n == 0 || n >= 64) ? std::wstring() : std::wstring(buf, n);
}

void Count(const wchar_t* name) {
  long value = std::wcstol(Var(name).c_str(), nullptr, 10) + 1;
  SetEnvironmentVariableW(name, std::to_wstring(value).c_str());
}

bool ModeIs(const wchar_t* mode) { return Var(L"BX_MULTI_MODE") == mode; }

void Fault() {
  volatile int* nowhere = nullptr;
  *nowhere = 1;
}

// A factory that creates nothing; the builder only asks for it.
class Factory final : public IClassFactory {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
      *ppv = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override {
    if (ModeIs(L"release-av")) Fault();
    return 1;
  }
  STDMETHODIMP CreateInstance(IUnknown*, REFIID, void** ppv) override {
    if (ppv) *ppv = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

Factory g_factory;

bool Served(REFCLSID clsid) {
  const CLSID* classes[] = {&CLSID_BxFirst, &CLSID_BxSecond, &CLSID_BxThird};
  std::wstring serve = Var(L"BX_MULTI_SERVE");
  for (size_t i = 0; i < 3; ++i) {
    if (IsEqualCLSID(clsid, *classes[i])) return serve.empty() || (i < serve.size() && serve[i] == L'1');
  }
  return false;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    Count(L"BX_MULTI_ATTACH");
    DisableThreadLibraryCalls(instance);
    if (ModeIs(L"fail-attach")) return FALSE;
    if (ModeIs(L"fault-attach")) Fault();
  } else if (reason == DLL_PROCESS_DETACH) {
    Count(L"BX_MULTI_DETACH");
  }
  return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** ppv) {
  Count(L"BX_MULTI_GCO");
  if (ModeIs(L"gco-av")) Fault();
  if (ModeIs(L"gco-raise")) RaiseException(0xE0B0B001, 0, 0, nullptr);
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (!Served(clsid)) return CLASS_E_CLASSNOTAVAILABLE;
  return g_factory.QueryInterface(iid, ppv);
}
