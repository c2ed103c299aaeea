// The demo application: Run walks through what the runtime offers a
// component and prints it on the host's console.
#include <windows.h>
#include <oleauto.h>

#include <cstdio>
#include <string>

#include "DemoApp.h"
#include "OxCoreLib.h"
#include "comkit/ClassFactory.h"
#include "comkit/ComPtr.h"
#include "comkit/Object.h"

namespace {

using GetOxCoreFn = HRESULT(STDAPICALLTYPE*)(IOxCore**);

// A service the runtime may not offer yet is reported, not treated as an error.
void Report(const char* what, HRESULT hr) {
  if (SUCCEEDED(hr)) std::printf("  %-22s available\n", what);
  else std::printf("  %-22s not available (hr = 0x%08lX)\n", what, static_cast<unsigned long>(hr));
}

std::wstring Names(IOxCore* core, const CLSID& clsid) {
  BSTR text = nullptr;
  if (core->OxGetAllInstanceNames(const_cast<CLSID*>(&clsid), &text) != S_OK || !text) return L"(none)";
  std::wstring list;
  for (UINT i = 0, n = SysStringLen(text); i < n; ++i) {
    if (text[i] == L'\n') list += (i + 1 < n) ? L"\", \"" : L"\"";
    else list += text[i];
  }
  SysFreeString(text);
  return L"\"" + list;
}

class CDemoApplication : public comkit::ObjectBase, public IApplication {
 public:
  COMKIT_INTERFACES(CDemoApplication)
    COMKIT_INTERFACE(IApplication)
  COMKIT_END_INTERFACES()

  virtual ~CDemoApplication() = default;

  STDMETHODIMP Run() override {
    HMODULE runtime = GetModuleHandleW(L"OxCore.dll");
    auto getCore = runtime ? reinterpret_cast<GetOxCoreFn>(reinterpret_cast<void*>(GetProcAddress(runtime, "GetOxCore")))
                           : nullptr;
    comkit::ComPtr<IOxCore> core;
    if (!getCore || FAILED(getCore(core.Receive())) || !core) {
      std::printf("demo: the runtime is not loaded\n");
      return E_FAIL;
    }

    std::printf("OxCore demo application\n");
    USHORT major = 0, minor = 0;
    ULONG build = 0;
    BSTR version = nullptr;
    if (SUCCEEDED(core->OxGetVersion(&major, &minor, &build, &version))) {
      std::printf("  runtime version        %ls (major %u, minor %u, build %lu)\n", version, major, minor,
                  static_cast<unsigned long>(build));
      SysFreeString(version);
    }

    // This object is a named instance: the launcher obtained it by the name
    // in application.xml.
    std::printf("  application instances  %ls\n", Names(core.Get(), CLSID_DemoApplication).c_str());

    // Components share objects by class and name.
    comkit::ComPtr<IXParam> settings;
    HRESULT hr = core->OxCreateXParam(settings.Receive());
    if (SUCCEEDED(hr) && settings) {
      BSTR name = SysAllocString(L"demo.settings");
      hr = core->OxSetInstance(const_cast<CLSID*>(&CLSID_XParam), name, settings.Get());
      SysFreeString(name);
      std::printf("  XParam instances       %ls\n", Names(core.Get(), CLSID_XParam).c_str());
    } else {
      Report("XParam objects", hr);
    }

    comkit::ComPtr<IWeakRef> weak;
    Report("weak references", core->OxCreateWeakRef(weak.Receive()));
    comkit::ComPtr<IMsgBus> bus;
    Report("message bus", core->OxGetMsgBus(bus.Receive()));
    comkit::ComPtr<II18N> i18n;
    Report("strings (i18n)", core->OxGetI18N(i18n.Receive()));
    comkit::ComPtr<IConfigueFileManager> config;
    Report("configuration files", core->OxGetConfigueFileManager(config.Receive()));
    Report("task queues", runtime && GetProcAddress(runtime, "queue_gui_task") ? S_OK : E_NOTIMPL);
    std::printf("OxCore demo application: done\n");
    std::fflush(stdout);
    return S_OK;
  }
};

comkit::ClassFactory g_factory(&comkit::CreatorFor<CDemoApplication>);
const comkit::ClassEntry g_classes[] = {{&CLSID_DemoApplication, &g_factory}, {nullptr, nullptr}};

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    if (!comkit::Module::Attach(instance)) return FALSE;
    DisableThreadLibraryCalls(instance);
  } else if (reason == DLL_PROCESS_DETACH) {
    comkit::Module::Detach();
  }
  return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** ppv) {
  return comkit::GetClassObjectFromTable(g_classes, clsid, iid, ppv);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return comkit::Module::LockCount() == 0 ? S_OK : S_FALSE; }
