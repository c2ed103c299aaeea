// Start-up options of a core, read from "oxoptions.xml" at every Init.
#ifndef OXCORE_CORE_RUNTIMEOPTIONS_H
#define OXCORE_CORE_RUNTIMEOPTIONS_H

#include <string>
#include <vector>

namespace oxcore {

struct RuntimeOptions {
  bool RemakeRegFile = false;
  bool RebuildRuntime = false;
  bool ConfirmCoClass = false;
  bool ScanDirRecursive = false;
  std::vector<std::wstring> IncludeDir;
  std::vector<std::wstring> ExcludeDir;
  std::vector<std::wstring> ExcludeFile;
};

}  // namespace oxcore

#endif  // OXCORE_CORE_RUNTIMEOPTIONS_H
