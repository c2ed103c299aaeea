#include "core/RuntimeOptionsFile.h"

#include <new>

#include "xparam/DocumentIO.h"

namespace oxcore {
namespace {

// Returns false when no element of that name exists (the list is kept).
bool ReadList(xparam::XParamNode* root, const wchar_t* name, std::vector<std::wstring>* out) {
  xparam::NodePtr item = doc::FirstChild(root, name);
  if (!item) return false;
  for (; item; item = doc::NextNamesake(item.Get())) {
    std::wstring value;
    doc::ReadString(item.Get(), &value);
    out->push_back(std::move(value));
  }
  return true;
}

}  // namespace

bool ReadRuntimeOptions(const std::wstring& path, RuntimeOptions* options) {
  if (!options) return false;
  try {
    doc::Document document;
    if (!document.Load(path)) return false;
    xparam::XParamNode* root = document.Root();
    // Read into a copy and committed at the end: running out of memory
    // half-way leaves the options as they were.
    RuntimeOptions read = *options;
    doc::ReadBoolField(root, L"RemakeRegFile", &read.RemakeRegFile);
    doc::ReadBoolField(root, L"RebuildRuntime", &read.RebuildRuntime);
    doc::ReadBoolField(root, L"ConfirmCoClass", &read.ConfirmCoClass);
    doc::ReadBoolField(root, L"ScanDirRecursive", &read.ScanDirRecursive);
    std::vector<std::wstring> list;
    if (ReadList(root, L"IncludeDir", &list)) read.IncludeDir.swap(list);
    list.clear();
    if (ReadList(root, L"ExcludeDir", &list)) read.ExcludeDir.swap(list);
    list.clear();
    if (ReadList(root, L"ExcludeFile", &list)) read.ExcludeFile.swap(list);
    *options = std::move(read);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace oxcore
