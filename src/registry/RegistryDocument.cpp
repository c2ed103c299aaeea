// The registry document (".oxreg"): one "typelib" element per library, with
// its coclasses and dispatch interfaces in containers that are always
// written, even when empty.
#include <new>

#include "registry/RegistryDocuments.h"
#include "xparam/DocumentIO.h"

namespace oxcore {
namespace {

const wchar_t kRootName[] = L"OxComRegistry";

TypeDesc ReadTypeDesc(xparam::XParamNode* item) {
  TypeDesc desc;
  doc::ReadStringField(item, L"name", &desc.name);
  doc::ReadGuidField(item, L"guid", &desc.guid);
  doc::ReadStringField(item, L"doc", &desc.doc);
  return desc;
}

// Replaces *out by the items of the container only when it holds at least
// one; a missing or empty container leaves the fresh (empty) list.
void ReadTypeDescList(xparam::XParamNode* typelib, const wchar_t* containerName, const wchar_t* itemName,
                      std::vector<TypeDesc>* out) {
  xparam::NodePtr container = doc::FirstChild(typelib, containerName);
  xparam::NodePtr item = doc::FirstChild(container.Get(), itemName);
  if (!item) return;
  out->clear();
  for (; item; item = doc::NextNamesake(item.Get())) out->push_back(ReadTypeDesc(item.Get()));
}

TypeLibDesc ReadTypeLib(xparam::XParamNode* typelib) {
  TypeLibDesc desc;
  doc::ReadStringField(typelib, L"file", &desc.file);
  doc::ReadStringField(typelib, L"path", &desc.path);
  doc::ReadStringField(typelib, L"name", &desc.name);
  doc::ReadGuidField(typelib, L"guid", &desc.guid);
  doc::ReadStringField(typelib, L"doc", &desc.doc);
  doc::ReadUShortField(typelib, L"majorver", &desc.majorver);
  doc::ReadUShortField(typelib, L"minorver", &desc.minorver);
  ReadTypeDescList(typelib, L"coclasses", L"coclass", &desc.coclasses);
  ReadTypeDescList(typelib, L"dispatches", L"dispatch", &desc.dispatches);
  return desc;
}

void WriteTypeDescList(doc::DocumentBuilder& builder, xparam::XParamNode* typelib, const wchar_t* containerName,
                       const wchar_t* itemName, const std::vector<TypeDesc>& list) {
  xparam::NodePtr container = builder.AddElement(typelib, containerName);
  for (const TypeDesc& desc : list) {
    xparam::NodePtr item = builder.AddElement(container.Get(), itemName);
    builder.AddString(item.Get(), L"name", desc.name);
    builder.AddGuid(item.Get(), L"guid", desc.guid);
    builder.AddString(item.Get(), L"doc", desc.doc);
  }
}

}  // namespace

bool ReadRegFile(const std::wstring& path, std::vector<TypeLibDesc>* list) {
  if (!list) return false;
  try {
    doc::Document document;
    if (!document.Load(path)) return false;
    xparam::NodePtr typelib = doc::FirstChild(document.Root(), L"typelib");
    if (!typelib) return true;
    // Built aside so that a failure half-way leaves the caller's list whole.
    std::vector<TypeLibDesc> read;
    for (; typelib; typelib = doc::NextNamesake(typelib.Get())) read.push_back(ReadTypeLib(typelib.Get()));
    list->swap(read);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool WriteRegFile(const std::wstring& path, const std::vector<TypeLibDesc>& list) {
  try {
    doc::DocumentBuilder builder;
    if (!builder.Begin()) return false;
    xparam::XParamNode* root = builder.Root();
    for (const TypeLibDesc& desc : list) {
      xparam::NodePtr typelib = builder.AddElement(root, L"typelib");
      builder.AddString(typelib.Get(), L"file", desc.file);
      builder.AddString(typelib.Get(), L"path", desc.path);
      builder.AddString(typelib.Get(), L"name", desc.name);
      builder.AddGuid(typelib.Get(), L"guid", desc.guid);
      builder.AddString(typelib.Get(), L"doc", desc.doc);
      builder.AddUShort(typelib.Get(), L"majorver", desc.majorver);
      builder.AddUShort(typelib.Get(), L"minorver", desc.minorver);
      WriteTypeDescList(builder, typelib.Get(), L"coclasses", L"coclass", desc.coclasses);
      WriteTypeDescList(builder, typelib.Get(), L"dispatches", L"dispatch", desc.dispatches);
    }
    return builder.Write(kRootName, path);
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace oxcore
