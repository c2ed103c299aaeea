// Builds "default.oxreg" in a root directory from the type libraries of the
// component libraries found below it.
#ifndef OXCORE_REGISTRY_MAKEDEFAULTREGFILE_H
#define OXCORE_REGISTRY_MAKEDEFAULTREGFILE_H

#include <windows.h>

#include <string>
#include <vector>

#include "core/RuntimeOptions.h"

namespace oxcore {

// Scans root (see ScanLibraries) and writes the result to the normalised root
// followed by "default.oxreg", replacing any earlier file. S_OK when the
// document was written (an empty scan still writes a root without children),
// E_FAIL when it could not be (E_OUTOFMEMORY when memory ran out on the
// way). The in-memory registry is never touched.
HRESULT MakeDefaultRegFile(const std::wstring& root, bool recursive, bool confirm,
                           const std::vector<std::wstring>& includeDirs,
                           const std::vector<std::wstring>& excludeDirs,
                           const std::vector<std::wstring>& excludeFiles);
// The same with the scan options of a core (ScanDirRecursive, ConfirmCoClass,
// IncludeDir, ExcludeDir, ExcludeFile).
HRESULT MakeDefaultRegFile(const std::wstring& root, const RuntimeOptions& options);

}  // namespace oxcore

#endif  // OXCORE_REGISTRY_MAKEDEFAULTREGFILE_H
