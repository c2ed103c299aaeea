// The start-up registry step on a registry of 1,000 classes in 100 libraries:
// the fast path (reading the cached "runtime.xml") against the merge path
// (merging "default.oxreg" of the same content and writing "runtime.xml"),
// both through LoadRuntimeRegistry in this process.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "BenchTiming.h"
#include "core/StartupRegistry.h"
#include "registry/RegistryDocuments.h"
#include "xparam/XParamModule.h"

namespace {

using oxbench::Best;

const int kLibraries = 100;
const int kClassesPerLibrary = 10;
const int kDispatchesPerLibrary = 2;

GUID MakeGuid(unsigned long kind, unsigned long n) {
  GUID g = {0x0B5E0000 | kind, static_cast<unsigned short>(n >> 16), static_cast<unsigned short>(n),
            {0x80, 0, 0, 0, 0, 0, static_cast<unsigned char>(n >> 8), static_cast<unsigned char>(n)}};
  return g;
}

std::vector<oxcore::TypeLibDesc> MakeRegistry() {
  std::vector<oxcore::TypeLibDesc> list;
  unsigned long classNo = 0, dispatchNo = 0;
  for (int l = 0; l < kLibraries; ++l) {
    oxcore::TypeLibDesc lib;
    lib.file = L"component" + std::to_wstring(l) + L".dll";
    lib.path = L"modules\\part" + std::to_wstring(l % 10) + L"\\" + lib.file;
    lib.name = L"ComponentLib" + std::to_wstring(l);
    lib.guid = MakeGuid(1, static_cast<unsigned long>(l));
    lib.doc = L"Component library " + std::to_wstring(l);
    lib.majorver = 1;
    lib.minorver = static_cast<unsigned short>(l % 5);
    for (int c = 0; c < kClassesPerLibrary; ++c) {
      oxcore::TypeDesc t;
      t.guid = MakeGuid(2, classNo++);
      t.name = L"Class" + std::to_wstring(classNo);
      t.doc = L"A component class";
      lib.coclasses.push_back(t);
    }
    for (int d = 0; d < kDispatchesPerLibrary; ++d) {
      oxcore::TypeDesc t;
      t.guid = MakeGuid(3, dispatchNo++);
      t.name = L"IEvents" + std::to_wstring(dispatchNo);
      lib.dispatches.push_back(t);
    }
    list.push_back(lib);
  }
  return list;
}

std::wstring MakeTempDirectory() {
  wchar_t base[MAX_PATH];
  GetTempPathW(MAX_PATH, base);
  std::wstring dir = std::wstring(base) + L"oxbench_startup_" + std::to_wstring(GetCurrentProcessId()) + L"\\";
  CreateDirectoryW(dir.c_str(), nullptr);
  return dir;
}

}  // namespace

int main() {
  if (!oxcore::BindXParam(oxcore::XParamBindingKind::kDocuments)) {
    std::printf("xparam.dll must lie beside the benchmark\n");
    return 1;
  }
  const std::wstring dir = MakeTempDirectory();
  const std::wstring defaultPath = dir + L"default.oxreg";
  const std::wstring runtimePath = dir + L"runtime.xml";

  // Both documents describe the same registry.
  if (!oxcore::WriteRegFile(defaultPath, MakeRegistry())) {
    std::printf("cannot write %ls\n", defaultPath.c_str());
    return 1;
  }
  {
    oxcore::CComRuntime merged;
    oxcore::MergeRegFiles(&merged, {defaultPath});
    if (merged.coclasses.size() != static_cast<size_t>(kLibraries * kClassesPerLibrary) ||
        !oxcore::WriteRuntimeFile(runtimePath, merged)) {
      std::printf("cannot prepare %ls\n", runtimePath.c_str());
      return 1;
    }
  }

  oxcore::RuntimeOptions cached;             // a usable "runtime.xml" is read alone
  oxcore::RuntimeOptions rebuild;            // "runtime.xml" ignored: merge and write it anew
  rebuild.RebuildRuntime = true;
  size_t classes = 0;
  bool ok = true;
  auto run = [&](const oxcore::RuntimeOptions& options) {
    std::unique_ptr<oxcore::CComRuntime> runtime;
    ok = oxcore::LoadRuntimeRegistry(&runtime, options, dir) && ok;
    classes = runtime ? runtime->coclasses.size() : 0;
  };

  double fast = Best([&] { run(cached); });
  size_t fastClasses = classes;
  double merge = Best([&] { run(rebuild); });
  size_t mergeClasses = classes;
  // The merge alone, without writing "runtime.xml".
  double mergeOnly = Best([&] {
    oxcore::CComRuntime runtime;
    oxcore::MergeRegFiles(&runtime, {defaultPath});
  });

  std::printf("Start-up registry, %d libraries, %d classes, %d dispatch interfaces\n", kLibraries,
              kLibraries * kClassesPerLibrary, kLibraries * kDispatchesPerLibrary);
  std::printf("  runtime.xml read (fast path):               %8.2f ms  (%zu classes)\n", fast * 1e3, fastClasses);
  std::printf("  default.oxreg merged, runtime.xml written:  %8.2f ms  (%zu classes)\n", merge * 1e3, mergeClasses);
  std::printf("    of which the merge alone:                 %8.2f ms\n", mergeOnly * 1e3);
  std::printf("  ratio merge path / fast path: %.2f\n", fast > 0 ? merge / fast : 0.0);

  DeleteFileW(runtimePath.c_str());
  DeleteFileW(defaultPath.c_str());
  RemoveDirectoryW(dir.c_str());
  oxcore::ReleaseXParam(oxcore::XParamBindingKind::kDocuments);
  if (!ok) {
    std::printf("a run failed to fill the registry\n");
    return 1;
  }
  return 0;
}
