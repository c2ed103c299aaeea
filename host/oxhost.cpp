// oxhost: the sample host of the runtime.
//
//   oxhost [--preload <file>] [<application document>]
//
// Loads OxCore.dll from its own directory, initialises the core (with the
// preload list, a file name relative to the application directory), creates
// the main GUI window when the runtime offers it, runs the application named
// by the document (default: "application.xml" beside the host) on this
// thread, and shuts the core down again.
//
// Exit codes: 0 the application ran; 1 bad command line; 2 the runtime could
// not be loaded; 3 Init failed; 4 the main window could not be created; 5 the
// application could not be run.
#include <windows.h>
#include <oleauto.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "OxCoreLib.h"

namespace {

using GetOxCoreFn = HRESULT(STDAPICALLTYPE*)(IOxCore**);
using CreateMainWindowFn = HWND (*)();

enum ExitCode { kOk = 0, kUsage = 1, kNoRuntime = 2, kInitFailed = 3, kNoWindow = 4, kRunFailed = 5 };

void Usage(FILE* to) {
  std::fprintf(to,
               "usage: oxhost [--preload <file>] [<application document>]\n"
               "\n"
               "Runs the application component named by an application document on the\n"
               "OxCore runtime found beside oxhost.exe.\n"
               "\n"
               "  <application document>  default: application.xml beside oxhost.exe\n"
               "  --preload <file>        preload list, relative to oxhost.exe's directory\n"
               "  --help                  this text\n");
}

std::wstring OwnDirectory() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
    if (n == 0) return std::wstring();
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  return path.substr(0, path.find_last_of(L"\\/") + 1);
}

std::wstring FullPath(const std::wstring& path) {
  DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (n == 0) return path;
  std::wstring full(n, L'\0');
  n = GetFullPathNameW(path.c_str(), n, &full[0], nullptr);
  full.resize(n);
  return full;
}

void Fail(const char* what, HRESULT hr) {
  std::fprintf(stderr, "oxhost: %s (hr = 0x%08lX)\n", what, static_cast<unsigned long>(hr));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring preload;
  std::wstring document;
  for (int i = 1; i < argc; ++i) {
    std::wstring arg = argv[i];
    if (arg == L"--help" || arg == L"-h" || arg == L"/?") {
      Usage(stdout);
      return kOk;
    }
    if (arg == L"--preload") {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "oxhost: --preload needs a file name\n");
        Usage(stderr);
        return kUsage;
      }
      preload = argv[++i];
    } else if (arg.size() > 1 && arg[0] == L'-' && arg[1] == L'-') {
      std::fprintf(stderr, "oxhost: unknown option %ls\n", arg.c_str());
      Usage(stderr);
      return kUsage;
    } else if (document.empty()) {
      document = arg;
    } else {
      std::fprintf(stderr, "oxhost: only one application document can be run\n");
      Usage(stderr);
      return kUsage;
    }
  }

  std::wstring dir = OwnDirectory();
  document = document.empty() ? dir + L"application.xml" : FullPath(document);

  // The runtime beside the host, never one found elsewhere on the search path.
  HMODULE runtime = LoadLibraryW((dir + L"OxCore.dll").c_str());
  if (!runtime) {
    Fail("OxCore.dll could not be loaded from the host's directory", HRESULT_FROM_WIN32(GetLastError()));
    return kNoRuntime;
  }
  auto getCore = reinterpret_cast<GetOxCoreFn>(reinterpret_cast<void*>(GetProcAddress(runtime, "GetOxCore")));
  IOxCore* core = nullptr;
  HRESULT hr = getCore ? getCore(&core) : HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
  if (FAILED(hr) || !core) {
    Fail("GetOxCore failed", FAILED(hr) ? hr : E_POINTER);
    return kNoRuntime;
  }

  // This thread is the user-interface thread: components may create windows
  // and apartment-bound objects from Run.
  HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

  int rc = kOk;
  BSTR preloadArg = preload.empty() ? nullptr : SysAllocString(preload.c_str());
  hr = core->Init(preloadArg);
  SysFreeString(preloadArg);
  if (FAILED(hr)) {
    Fail("Init failed (is xparam.dll beside the host?)", hr);
    rc = kInitFailed;
  }

  if (rc == kOk) {
    // Older runtimes have no GUI windows; the application then runs without.
    auto createWindow = reinterpret_cast<CreateMainWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(runtime, "create_main_thread_window")));
    if (createWindow && !createWindow()) {
      Fail("the main GUI window could not be created", HRESULT_FROM_WIN32(GetLastError()));
      rc = kNoWindow;
    }
  }

  if (rc == kOk) {
    BSTR path = SysAllocString(document.c_str());
    hr = path ? core->OxRunApplication(path) : E_OUTOFMEMORY;
    SysFreeString(path);
    if (FAILED(hr)) {
      std::fprintf(stderr, "oxhost: the application of %ls could not be run (OxRunApplication: 0x%08lX)\n",
                   document.c_str(), static_cast<unsigned long>(hr));
      std::fprintf(stderr, "oxhost: see the log configured by log.property; the registry is rebuilt at the next start\n");
      rc = kRunFailed;
    }
  }

  core->Uninit();
  core->Release();
  if (SUCCEEDED(com)) CoUninitialize();
  std::fflush(stdout);
  std::fflush(stderr);
  return rc;
}
