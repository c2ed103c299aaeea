// A host for loader tests that need the process core with a registry: it is
// copied into a staged application directory (OxCore.dll, xparam.dll,
// zorlog.dll, fx_counted.dll and a "runtime.xml" listing fx_counted), runs
// one scenario through the core and prints "key=value" lines.
//
//   nested        OxFreeUnusedLibraries while fx_counted calls it again from
//                 DllCanUnloadNow and DllFinalize
//   initactivate  fx_counted activates its own class from DllInitialize
//   uninit        Uninit frees fx_counted; its DllFinalize calls
//                 OxFreeUnusedLibraries; the methods afterwards
//   entryfree     fx_counted calls OxFreeUnusedLibraries from DllInitialize
//                 and DllGetClassObject (while it is idle)
#include <windows.h>

#include <cstdio>
#include <string>

#include "Fixtures.h"
#include "OxCoreLib.h"

namespace {

using GetOxCoreFn = HRESULT(STDAPICALLTYPE*)(IOxCore**);

const fx::Fixture& f = fx::fx_counted;

void Print(const char* key, HRESULT hr) { std::printf("%s=0x%08lX\n", key, static_cast<unsigned long>(hr)); }
void PrintCount(const char* key, const wchar_t* counter) { std::printf("%s=%ld\n", key, f.Count(counter)); }
void PrintText(const char* key, const wchar_t* record) {
  std::wstring text = f.Text(record);
  std::printf("%s=%s\n", key, std::string(text.begin(), text.end()).c_str());
}
void PrintLoaded() { std::printf("loaded=%d\n", GetModuleHandleW(L"fx_counted.dll") ? 1 : 0); }

HRESULT Create(IOxCore* core) {
  IUnknown* thing = nullptr;
  HRESULT hr = core->OxCreateInstance(const_cast<CLSID*>(&f.clsid), nullptr, const_cast<IID*>(&IID_IUnknown),
                                      reinterpret_cast<void**>(&thing));
  if (thing) thing->Release();
  return hr;
}

void Nested(IOxCore* core) {
  f.Set(L"NESTED", L"1");
  Print("create", Create(core));
  PrintLoaded();
  Print("free", core->OxFreeUnusedLibraries());
  PrintLoaded();
  PrintText("nested_canunload", L"NestedCanUnload");
  PrintText("nested_finalize", L"NestedFinalize");
  PrintCount("canunload_calls", L"DllCanUnloadNow");
  PrintCount("finalize_calls", L"DllFinalize");
  // Outside any run the call does its work again.
  f.Set(L"NESTED", nullptr);
  Print("create_again", Create(core));
  PrintCount("initialize_calls", L"DllInitialize");
  Print("free_again", core->OxFreeUnusedLibraries());
  PrintLoaded();
}

void InitActivate(IOxCore* core) {
  // Set before Init: the first activation loads the library.
  Print("create", Create(core));
  PrintText("init_activate", L"InitActivate");
  PrintCount("initialize_calls", L"DllInitialize");
  PrintCount("getclassobject_calls", L"DllGetClassObject");
  PrintCount("created", L"Created");
  PrintCount("live", L"Live");
}

void Uninit(IOxCore* core) {
  f.Set(L"NESTED", L"1");
  Print("create", Create(core));
  Print("uninit", core->Uninit());
  PrintLoaded();
  PrintCount("finalize_calls", L"DllFinalize");
  PrintText("nested_finalize", L"NestedFinalize");
  void* pv = reinterpret_cast<void*>(1);
  Print("create_after", core->OxCreateInstance(const_cast<CLSID*>(&f.clsid), nullptr,
                                               const_cast<IID*>(&IID_IUnknown), &pv));
  std::printf("slot_after=%d\n", pv ? 1 : 0);
  pv = reinterpret_cast<void*>(1);
  Print("classobject_after", core->OxGetClassObject(const_cast<CLSID*>(&f.clsid),
                                                    const_cast<IID*>(&IID_IClassFactory), &pv));
  Print("free_after", core->OxFreeUnusedLibraries());
}

void EntryFree(IOxCore* core) {
  IClassFactory* factory = nullptr;
  Print("classobject", core->OxGetClassObject(const_cast<CLSID*>(&f.clsid), const_cast<IID*>(&IID_IClassFactory),
                                              reinterpret_cast<void**>(&factory)));
  PrintLoaded();
  PrintText("nested_initialize", L"NestedInitialize");
  PrintText("nested_getclassobject", L"NestedGetClassObject");
  PrintCount("canunload_calls", L"DllCanUnloadNow");
  PrintCount("finalize_calls", L"DllFinalize");
  IUnknown* thing = nullptr;
  Print("create", factory ? factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&thing)) : E_POINTER);
  if (thing) thing->Release();
  if (factory) factory->Release();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::printf("usage: loader_host <scenario>\n");
    return 2;
  }
  f.Reset();
  const std::wstring scenario = argv[1];
  if (scenario == L"initactivate") f.Set(L"INIT_ACTIVATE", L"1");
  if (scenario == L"entryfree") f.Set(L"ENTRY_FREE", L"1");

  HMODULE lib = LoadLibraryW(L"OxCore.dll");
  auto getCore = lib ? reinterpret_cast<GetOxCoreFn>(reinterpret_cast<void*>(GetProcAddress(lib, "GetOxCore"))) : nullptr;
  IOxCore* core = nullptr;
  if (!getCore || FAILED(getCore(&core))) {
    std::printf("core=failed\n");
    return 3;
  }
  Print("init", core->Init(nullptr));
  int rc = 0;
  if (scenario == L"nested") Nested(core);
  else if (scenario == L"initactivate") InitActivate(core);
  else if (scenario == L"uninit") Uninit(core);
  else if (scenario == L"entryfree") EntryFree(core);
  else {
    std::printf("scenario=unknown\n");
    rc = 2;
  }
  core->Uninit();
  core->Release();
  std::fflush(stdout);
  return rc;
}
