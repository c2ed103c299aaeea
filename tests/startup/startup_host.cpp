// A host for the start-up tests. It is copied into a staged application
// directory, loads OxCore.dll (from its own directory, or from the path of
// --core), and runs a script of steps given on the command line, printing one
// "key=value" line per step; a key carries the step's count, so a script
// "init uninit init" prints init1, uninit1 and init2.
//
//   init [preload-list]    Init (with the preload list, when given)
//   uninit                 Uninit
//   create <clsid>         OxCreateInstance for IUnknown, released at once
//   classobject <clsid>    OxGetClassObject for IClassFactory, released at once
//   bus                    OxGetMsgBus; also prints busN.present=0/1
//   copy <from> <to>       CopyFileW between names in the application directory
//   delete <name>          DeleteFileW of a name in the application directory
//   env <name>             prints env.<name>=<value of the environment variable>
//
// Exit codes: 0 the script ran; 2 bad script; 3 the runtime could not be had.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <cstdio>
#include <map>
#include <string>

#include "OxCoreLib.h"

namespace {

using GetOxCoreFn = HRESULT(STDAPICALLTYPE*)(IOxCore**);

std::wstring OwnDirectory() {
  wchar_t path[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring s(path, n);
  return s.substr(0, s.find_last_of(L"\\/") + 1);
}

class Script {
 public:
  Script(IOxCore* core, std::wstring dir) : core_(core), dir_(std::move(dir)) {}

  // Runs argv[first..]; false on a step it does not know.
  bool Run(int first, int argc, wchar_t** argv) {
    for (int i = first; i < argc; ++i) {
      std::wstring step = argv[i];
      auto arg = [&](std::wstring* out) {
        if (i + 1 >= argc) return false;
        *out = argv[++i];
        return true;
      };
      std::wstring a, b;
      if (step == L"init") {
        // An optional argument that is not a step names the preload list.
        BSTR list = nullptr;
        if (i + 1 < argc && !IsStep(argv[i + 1])) list = SysAllocString(argv[++i]);
        Print(Key("init"), core_->Init(list));
        SysFreeString(list);
      } else if (step == L"uninit") {
        Print(Key("uninit"), core_->Uninit());
      } else if (step == L"create" && arg(&a)) {
        CLSID clsid;
        if (FAILED(CLSIDFromString(&a[0], &clsid))) return false;
        void* pv = nullptr;
        Print(Key("create"), core_->OxCreateInstance(&clsid, nullptr, const_cast<IID*>(&IID_IUnknown), &pv));
        if (pv) static_cast<IUnknown*>(pv)->Release();
      } else if (step == L"classobject" && arg(&a)) {
        CLSID clsid;
        if (FAILED(CLSIDFromString(&a[0], &clsid))) return false;
        void* pv = nullptr;
        Print(Key("classobject"), core_->OxGetClassObject(&clsid, const_cast<IID*>(&IID_IClassFactory), &pv));
        if (pv) static_cast<IUnknown*>(pv)->Release();
      } else if (step == L"bus") {
        IMsgBus* bus = nullptr;
        std::string key = Key("bus");
        Print(key, core_->OxGetMsgBus(&bus));
        std::printf("%s.present=%d\n", key.c_str(), bus ? 1 : 0);
        if (bus) bus->Release();
      } else if (step == L"copy" && arg(&a) && arg(&b)) {
        Print(Key("copy"), CopyFileW((dir_ + a).c_str(), (dir_ + b).c_str(), FALSE) ? S_OK : E_FAIL);
      } else if (step == L"delete" && arg(&a)) {
        Print(Key("delete"), DeleteFileW((dir_ + a).c_str()) ? S_OK : E_FAIL);
      } else if (step == L"env" && arg(&a)) {
        wchar_t value[256] = {};
        DWORD n = GetEnvironmentVariableW(a.c_str(), value, 256);
        std::printf("env.%ls=%ls\n", a.c_str(), n < 256 ? value : L"");
      } else {
        return false;
      }
    }
    return true;
  }

 private:
  static bool IsStep(const std::wstring& s) {
    for (const wchar_t* step : {L"init", L"uninit", L"create", L"classobject", L"bus", L"copy", L"delete", L"env"})
      if (s == step) return true;
    return false;
  }
  std::string Key(const char* step) { return step + std::to_string(++counts_[step]); }
  static void Print(const std::string& key, HRESULT hr) {
    std::printf("%s=0x%08lX\n", key.c_str(), static_cast<unsigned long>(hr));
  }

  IOxCore* core_;
  std::wstring dir_;
  std::map<std::string, int> counts_;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  int first = 1;
  std::wstring corePath = L"OxCore.dll";
  if (argc > 1 && std::wstring(argv[1]).compare(0, 7, L"--core=") == 0) {
    corePath = argv[1] + 7;
    first = 2;
  }
  HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  HMODULE lib = LoadLibraryW(corePath.c_str());
  auto getCore =
      lib ? reinterpret_cast<GetOxCoreFn>(reinterpret_cast<void*>(GetProcAddress(lib, "GetOxCore"))) : nullptr;
  IOxCore* core = nullptr;
  if (!getCore || FAILED(getCore(&core)) || !core) {
    std::printf("core=unavailable\n");
    return 3;
  }
  Script script(core, OwnDirectory());
  bool ok = script.Run(first, argc, argv);
  core->Release();
  std::fflush(stdout);
  // The runtime stays loaded: the core lives for the process.
  if (SUCCEEDED(com)) CoUninitialize();
  if (!ok) {
    std::printf("script=bad\n");
    return 2;
  }
  return 0;
}
