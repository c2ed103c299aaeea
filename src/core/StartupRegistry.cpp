#include "core/StartupRegistry.h"

#include <windows.h>
#include <shlwapi.h>

#include <new>

#include "registry/MakeDefaultRegFile.h"
#include "registry/RegistryDocuments.h"

namespace oxcore {
namespace {

bool Exists(const std::wstring& path) { return PathFileExistsW(path.c_str()) != FALSE; }

}  // namespace

bool LoadRuntimeRegistry(std::unique_ptr<CComRuntime>* runtime, const RuntimeOptions& options,
                         const std::wstring& appDirectory) {
  if (!runtime) return false;
  if (!*runtime) runtime->reset(new (std::nothrow) CComRuntime());
  if (!*runtime || appDirectory.empty()) return false;
  CComRuntime& rt = **runtime;
  try {
    const std::wstring runtimePath = appDirectory + L"runtime.xml";
    const std::wstring defaultPath = appDirectory + L"default.oxreg";

    if (options.RemakeRegFile) MakeDefaultRegFile(appDirectory, options);

    if (!options.RebuildRuntime) {
      rt.Clear();
      if (ReadRuntimeFile(runtimePath, &rt) && !rt.coclasses.empty()) return true;
    }

    if (!Exists(defaultPath)) MakeDefaultRegFile(appDirectory, options);
    if (!Exists(defaultPath)) return false;
    MergeRegFiles(&rt, {defaultPath});
    if (rt.coclasses.empty()) return false;
    WriteRuntimeFile(runtimePath, rt);
    return true;
  } catch (const std::bad_alloc&) {
    return !rt.coclasses.empty();
  }
}

}  // namespace oxcore
