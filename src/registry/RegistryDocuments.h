// The two document forms of the registry. Readers accept any root element
// name; a field whose node is missing or of another kind keeps its fresh
// value. Writers produce the whole document or leave the file untouched.
//
// Duplicates resolve in opposite ways on purpose: a runtime document keeps
// the first entry of a key, a merge of registry documents the last.
#ifndef OXCORE_REGISTRY_REGISTRYDOCUMENTS_H
#define OXCORE_REGISTRY_REGISTRYDOCUMENTS_H

#include <string>
#include <vector>

#include "registry/ComRuntime.h"
#include "registry/TypeLibDesc.h"

namespace oxcore {

// Registry document, root "OxComRegistry". A readable document without any
// "typelib" leaves list unchanged and answers true.
bool ReadRegFile(const std::wstring& path, std::vector<TypeLibDesc>* list);
bool WriteRegFile(const std::wstring& path, const std::vector<TypeLibDesc>& list);

// Runtime document, root "OxComRuntime". The caller clears runtime first.
bool ReadRuntimeFile(const std::wstring& path, CComRuntime* runtime);
bool WriteRuntimeFile(const std::wstring& path, const CComRuntime& runtime);

// Clears runtime, then merges the registry documents in order; unreadable
// ones are skipped.
void MergeRegFiles(CComRuntime* runtime, const std::vector<std::wstring>& paths);

}  // namespace oxcore

#endif  // OXCORE_REGISTRY_REGISTRYDOCUMENTS_H
