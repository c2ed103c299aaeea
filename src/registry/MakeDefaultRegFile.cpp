#include "registry/MakeDefaultRegFile.h"

#include <new>

#include "registry/FindFiles.h"
#include "registry/RegistryDocuments.h"
#include "registry/ScanLibraries.h"
#include "registry/TypeLibDesc.h"

namespace oxcore {

HRESULT MakeDefaultRegFile(const std::wstring& root, bool recursive, bool confirm,
                           const std::vector<std::wstring>& includeDirs,
                           const std::vector<std::wstring>& excludeDirs,
                           const std::vector<std::wstring>& excludeFiles) {
  try {
    std::vector<TypeLibDesc> libraries;
    ScanLibraries(&libraries, root, recursive, confirm, includeDirs, excludeDirs, excludeFiles);
    const std::wstring target = NormalizeDirectory(root) + L"default" + L".oxreg";
    return WriteRegFile(target, libraries) ? S_OK : E_FAIL;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT MakeDefaultRegFile(const std::wstring& root, const RuntimeOptions& options) {
  return MakeDefaultRegFile(root, options.ScanDirRecursive, options.ConfirmCoClass, options.IncludeDir,
                            options.ExcludeDir, options.ExcludeFile);
}

}  // namespace oxcore
