#include "registry/ScanLibraries.h"

#include <windows.h>

#include <cwchar>

#include "registry/DescribeTypeLib.h"
#include "registry/FindFiles.h"

namespace oxcore {
namespace {

struct ScanContext {
  std::vector<TypeLibDesc>* list;
  bool confirm;
  const std::wstring* root;  // as the caller passed it
  const std::vector<std::wstring>* excludeDirs;
  const std::vector<std::wstring>* excludeFiles;
};

bool IsExcludedFile(const ScanContext& scan, const wchar_t* fileName) {
  for (const std::wstring& excluded : *scan.excludeFiles) {
    if (!excluded.empty() && _wcsicmp(excluded.c_str(), fileName) == 0) return true;
  }
  return false;
}

bool IsExcludedPath(const ScanContext& scan, const std::wstring& fullPath) {
  const size_t start = scan.root->size();
  if (start > fullPath.size()) return false;
  for (const std::wstring& excluded : *scan.excludeDirs) {
    if (!excluded.empty() && fullPath.compare(start, excluded.size(), excluded) == 0) return true;
  }
  return false;
}

// The per-file step; it never stops the walk.
bool ScanEntry(const std::wstring& directory, const WIN32_FIND_DATAW& data, void* context) {
  const ScanContext& scan = *static_cast<ScanContext*>(context);
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return true;
  const std::wstring fullPath = directory + data.cFileName;
  if (IsExcludedFile(scan, data.cFileName)) return true;
  if (IsExcludedPath(scan, fullPath)) return true;

  TypeLibDesc record;
  if (SUCCEEDED(DescribeTypeLib(&record, fullPath, scan.confirm))) {
    const size_t rootLength = scan.root->size();
    record.path = rootLength <= fullPath.size() ? fullPath.substr(rootLength) : fullPath;
    scan.list->push_back(std::move(record));
  }
  return true;
}

}  // namespace

void ScanLibraries(std::vector<TypeLibDesc>* list, const std::wstring& root, bool recursive, bool confirm,
                   const std::vector<std::wstring>& includeDirs, const std::vector<std::wstring>& excludeDirs,
                   const std::vector<std::wstring>& excludeFiles) {
  if (!list) return;
  list->clear();
  const std::wstring normalized = NormalizeDirectory(root);
  ScanContext scan{list, confirm, &root, &excludeDirs, &excludeFiles};
  FindFiles(&ScanEntry, L"*.dll", normalized, recursive, &scan);
  // A recursive walk has covered the included directories already.
  if (recursive) return;
  for (const std::wstring& included : includeDirs) {
    if (!included.empty()) FindFiles(&ScanEntry, L"*.dll", normalized + included, false, &scan);
  }
}

}  // namespace oxcore
