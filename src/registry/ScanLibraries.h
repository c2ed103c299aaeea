// ScanLibraries: finds the component libraries ("*.dll") below a root and
// describes each one from its type library.
#ifndef OXCORE_REGISTRY_SCANLIBRARIES_H
#define OXCORE_REGISTRY_SCANLIBRARIES_H

#include <string>
#include <vector>

#include <windows.h>
#include <unknwn.h>  // GUID_NULL, used by the records

#include "registry/TypeLibDesc.h"

namespace oxcore {

// Empties list, then appends one record per library found, in walk order:
// the root (and, when recursive, the whole tree below it, breadth-first),
// then, only when not recursive, each non-empty includeDirs entry (a
// directory relative to the root, not walked further) in list order.
//
// A file is skipped when its name equals a non-empty excludeFiles entry
// (case-insensitively), when its path relative to root begins with a
// non-empty excludeDirs entry (a case-sensitive prefix test, so plugins\old
// also excludes plugins\older), or when it has no type library that can be
// described. Relative paths are taken against root exactly as passed: a root
// without a trailing separator gives paths, and needs excludeDirs entries,
// that begin with one. Directories named *.dll are never described. With
// confirm, each coclass must be served by its library (ConfirmClass).
//
// The scan cannot fail: unreadable directories and unusable files are
// passed over silently.
void ScanLibraries(std::vector<TypeLibDesc>* list, const std::wstring& root, bool recursive, bool confirm,
                   const std::vector<std::wstring>& includeDirs, const std::vector<std::wstring>& excludeDirs,
                   const std::vector<std::wstring>& excludeFiles);

}  // namespace oxcore

#endif  // OXCORE_REGISTRY_SCANLIBRARIES_H
