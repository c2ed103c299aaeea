// A small host for tests that depend on the executable's directory: it is
// copied into a staged application directory, loads OxCore.dll from there,
// runs one scenario and prints "key=value" lines for the test to check.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "OxCoreLib.h"

namespace {

using GetOxCoreFn = HRESULT(STDAPICALLTYPE*)(IOxCore**);

void Print(const char* key, HRESULT hr) { std::printf("%s=0x%08lX\n", key, static_cast<unsigned long>(hr)); }

std::wstring OwnDirectory() {
  wchar_t path[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring s(path, n);
  return s.substr(0, s.find_last_of(L"\\/") + 1);
}

// Init without xparam.dll beside the host, then again once it is there.
int XParamRebind(IOxCore* core, const wchar_t* source) {
  Print("init_missing", core->Init(nullptr));
  Print("uninit_missing", core->Uninit());
  if (!CopyFileW(source, (OwnDirectory() + L"xparam.dll").c_str(), FALSE)) {
    std::printf("copy=failed\n");
    return 2;
  }
  Print("init_present", core->Init(nullptr));
  Print("init_again", core->Init(nullptr));
  Print("uninit_present", core->Uninit());
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::printf("usage: probe_host <scenario> [args]\n");
    return 2;
  }
  HMODULE lib = LoadLibraryW(L"OxCore.dll");
  if (!lib) {
    std::printf("load=failed\n");
    return 3;
  }
  auto getCore = reinterpret_cast<GetOxCoreFn>(reinterpret_cast<void*>(GetProcAddress(lib, "GetOxCore")));
  IOxCore* core = nullptr;
  if (!getCore || FAILED(getCore(&core))) {
    std::printf("core=failed\n");
    return 3;
  }
  int rc = 2;
  std::wstring scenario = argv[1];
  if (scenario == L"xparam-rebind" && argc >= 3) rc = XParamRebind(core, argv[2]);
  else std::printf("scenario=unknown\n");
  core->Release();
  std::fflush(stdout);
  return rc;
}
