// A host for the registry builder's core test, copied into a staged
// application directory: it loads OxCore.dll from there, starts the process
// core (which reads the directory's "oxoptions.xml"), asks OxCreateInstance
// for each CLSID given, runs OxMakeDefaultRegFile on the root given, asks
// again, and prints "key=value" lines.
//
//   builder_host <root> <clsid>...
#include <windows.h>
#include <oleauto.h>

#include <cstdio>
#include <string>

#include "OxCoreLib.h"

namespace {

using GetOxCoreFn = HRESULT(STDAPICALLTYPE*)(IOxCore**);

void Print(const char* key, int index, HRESULT hr) {
  if (index < 0) std::printf("%s=0x%08lX\n", key, static_cast<unsigned long>(hr));
  else std::printf("%s_%d=0x%08lX\n", key, index, static_cast<unsigned long>(hr));
}

HRESULT Create(IOxCore* core, const wchar_t* clsidText) {
  CLSID clsid;
  if (FAILED(CLSIDFromString(clsidText, &clsid))) return E_INVALIDARG;
  IUnknown* object = nullptr;
  HRESULT hr = core->OxCreateInstance(&clsid, nullptr, const_cast<IID*>(&IID_IUnknown),
                                      reinterpret_cast<void**>(&object));
  if (object) object->Release();
  return hr;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::printf("usage: builder_host <root> <clsid>...\n");
    return 2;
  }
  HMODULE lib = LoadLibraryW(L"OxCore.dll");
  auto getCore = lib ? reinterpret_cast<GetOxCoreFn>(reinterpret_cast<void*>(GetProcAddress(lib, "GetOxCore")))
                     : nullptr;
  IOxCore* core = nullptr;
  if (!getCore || FAILED(getCore(&core)) || !core) {
    std::printf("core=failed\n");
    return 3;
  }
  Print("init", -1, core->Init(nullptr));
  for (int i = 2; i < argc; ++i) Print("before", i - 2, Create(core, argv[i]));
  BSTR root = SysAllocString(argv[1]);
  Print("make", -1, core->OxMakeDefaultRegFile(root));
  SysFreeString(root);
  for (int i = 2; i < argc; ++i) Print("after", i - 2, Create(core, argv[i]));
  Print("uninit", -1, core->Uninit());
  core->Release();
  std::fflush(stdout);
  return 0;
}
