// The runtime document ("runtime.xml"): the three tables of a CComRuntime in
// key order. Reading keeps the first entry of a key; later duplicates are
// dropped.
#include <new>

#include "registry/RegistryDocuments.h"
#include "xparam/DocumentIO.h"

namespace oxcore {
namespace {

const wchar_t kRootName[] = L"OxComRuntime";

// The items of a container, or null when it holds none (the table then
// keeps what it had).
xparam::NodePtr FirstItem(xparam::XParamNode* root, const wchar_t* containerName, const wchar_t* itemName) {
  xparam::NodePtr container = doc::FirstChild(root, containerName);
  return doc::FirstChild(container.Get(), itemName);
}

bool ReadLibraries(xparam::XParamNode* root, CComRuntime::LibraryMap* out) {
  xparam::NodePtr item = FirstItem(root, L"libraries", L"lib");
  if (!item) return false;
  for (; item; item = doc::NextNamesake(item.Get())) {
    LibInfo info;
    doc::ReadGuidField(item.Get(), L"libid", &info.libid);
    doc::ReadStringField(item.Get(), L"name", &info.name);
    doc::ReadStringField(item.Get(), L"path", &info.path);
    out->emplace(info.libid, std::move(info));  // first of a key wins
  }
  return true;
}

bool ReadEntries(xparam::XParamNode* root, const wchar_t* containerName, const wchar_t* itemName,
                 const wchar_t* keyName, CComRuntime::EntryMap* out) {
  xparam::NodePtr item = FirstItem(root, containerName, itemName);
  if (!item) return false;
  for (; item; item = doc::NextNamesake(item.Get())) {
    ComEntry entry;
    doc::ReadGuidField(item.Get(), keyName, &entry.guid);
    doc::ReadStringField(item.Get(), L"name", &entry.name);
    doc::ReadGuidField(item.Get(), L"libid", &entry.libid);
    out->emplace(entry.guid, std::move(entry));  // first of a key wins
  }
  return true;
}

void WriteEntries(doc::DocumentBuilder& builder, const wchar_t* containerName, const wchar_t* itemName,
                  const wchar_t* keyName, const CComRuntime::EntryMap& entries) {
  xparam::NodePtr container = builder.AddElement(builder.Root(), containerName);
  for (const auto& pair : entries) {
    xparam::NodePtr item = builder.AddElement(container.Get(), itemName);
    builder.AddGuid(item.Get(), keyName, pair.second.guid);
    builder.AddString(item.Get(), L"name", pair.second.name);
    builder.AddGuid(item.Get(), L"libid", pair.second.libid);
  }
}

}  // namespace

bool ReadRuntimeFile(const std::wstring& path, CComRuntime* runtime) {
  if (!runtime) return false;
  try {
    doc::Document document;
    if (!document.Load(path)) return false;
    // All three tables are read aside first, so that running out of memory
    // half-way leaves the runtime as it was.
    CComRuntime::LibraryMap libraries;
    CComRuntime::EntryMap coclasses, dispatches;
    bool haveLibraries = ReadLibraries(document.Root(), &libraries);
    bool haveCoclasses = ReadEntries(document.Root(), L"coclasses", L"coclass", L"clsid", &coclasses);
    bool haveDispatches = ReadEntries(document.Root(), L"dispatches", L"dispatch", L"iid", &dispatches);
    if (haveLibraries) runtime->libraries.swap(libraries);
    if (haveCoclasses) runtime->coclasses.swap(coclasses);
    if (haveDispatches) runtime->dispatches.swap(dispatches);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool WriteRuntimeFile(const std::wstring& path, const CComRuntime& runtime) {
  try {
    doc::DocumentBuilder builder;
    if (!builder.Begin()) return false;
    xparam::NodePtr libraries = builder.AddElement(builder.Root(), L"libraries");
    for (const auto& pair : runtime.libraries) {
      xparam::NodePtr item = builder.AddElement(libraries.Get(), L"lib");
      builder.AddGuid(item.Get(), L"libid", pair.second.libid);
      builder.AddString(item.Get(), L"name", pair.second.name);
      builder.AddString(item.Get(), L"path", pair.second.path);
    }
    WriteEntries(builder, L"coclasses", L"coclass", L"clsid", runtime.coclasses);
    WriteEntries(builder, L"dispatches", L"dispatch", L"iid", runtime.dispatches);
    return builder.Write(kRootName, path);
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace oxcore
