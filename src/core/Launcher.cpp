#include "core/Launcher.h"

#include <oleauto.h>
#include <shlwapi.h>

#include <cstdint>

#include "comkit/ComPtr.h"
#include "core/AppDirectory.h"
#include "log/LogBinding.h"
#include "xparam/DocumentIO.h"

namespace oxcore {

bool ReadAppLaunchInfo(const wchar_t* path, AppLaunchInfo* info) {
  if (!path || !*path || !info) return false;
  doc::Document document;
  if (!document.Load(path)) return false;

  AppLaunchInfo read;
  doc::ReadGuidField(document.Root(), L"clsid", &read.clsid);
  doc::ReadStringField(document.Root(), L"name", &read.name);
  *info = read;
  return true;
}

std::wstring ApplicationLibraryProbePath(const wchar_t* appPath) {
  std::wstring path = appPath ? appPath : L"";
  size_t at = path.find(L"application.xml");
  if (at == std::wstring::npos) return L"ZkApplication.dll";
  return path.substr(0, at) + L"ZkApplication.dll";
}

HRESULT RunApplication(IOxCore* core, BSTR AppPath) {
  if (!core) return E_POINTER;
  AppLaunchInfo info;
  try {
    ReadAppLaunchInfo(AppPath, &info);  // a failed read leaves the fresh values
  } catch (...) {
    info = AppLaunchInfo();
  }

  BSTR name = SysAllocStringLen(info.name.data(), static_cast<UINT>(info.name.size()));
  if (!name && !info.name.empty()) return E_OUTOFMEMORY;
  comkit::ComPtr<IApplication> app;
  HRESULT hr = core->OxGetInstance(&info.clsid, name, const_cast<IID*>(&IID_IApplication), app.ReceiveVoid());
  SysFreeString(name);

  if (SUCCEEDED(hr) && app) {
    app->Run();  // its result does not count: the run happened
    return S_OK;
  }
  // A success without an object is no run: reported as a failure so the
  // core does not mark the application as started.
  if (SUCCEEDED(hr)) hr = E_NOINTERFACE;

  zorlog::Logger* log = oxlog::ComRegLogger();
  oxlog::Write(log, oxlog::kFailure, L"OxGetInstance IApplication failed: hr = %08X", static_cast<unsigned>(hr));
  std::wstring probe = ApplicationLibraryProbePath(AppPath);
  oxlog::Write(log, oxlog::kFailure, L"ZkApplication.dll is Exists: %d", PathFileExistsW(probe.c_str()) ? 1 : 0);
  HMODULE probed = LoadLibraryW(probe.c_str());
  // The handle's low 32 bits fill the 8-digit field (all of it on 32-bit).
  oxlog::Write(log, oxlog::kFailure, L"ZkApplication.dll is Loaded: %08X",
               static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(probed)));
  // The probe only reports: none of the library's entry points is called,
  // and it is left loaded rather than run its detach code here.

  // The next start scans the application directory afresh; this core keeps
  // the registry it has.
  std::wstring dir = GetAppDirectory();
  if (!dir.empty()) {
    DeleteFileW((dir + L"runtime.xml").c_str());
    DeleteFileW((dir + L"default.oxreg").c_str());
  }
  return hr;
}

}  // namespace oxcore
