#include "registry/DescribeTypeLib.h"

#include <oleauto.h>

#include "comkit/ComPtr.h"
#include "registry/ConfirmClass.h"

namespace oxcore {
namespace {

// Takes ownership of a BSTR and hands back its text (a null BSTR is empty).
std::wstring TakeString(BSTR text) {
  std::wstring result = text ? std::wstring(text, SysStringLen(text)) : std::wstring();
  SysFreeString(text);
  return result;
}

// Frees the library loaded for confirmation when the description ends.
class ConfirmModule {
 public:
  ConfirmModule() = default;
  ~ConfirmModule() { ReleaseConfirmModule(&module_); }
  ConfirmModule(const ConfirmModule&) = delete;
  ConfirmModule& operator=(const ConfirmModule&) = delete;
  HMODULE* Get() { return &module_; }

 private:
  HMODULE module_ = nullptr;
};

std::wstring FileNameOf(const std::wstring& path) {
  size_t separator = path.find_last_of(L"\\/");
  return separator == std::wstring::npos ? path : path.substr(separator + 1);
}

// Name, doc and GUID of type info index; false when any of them cannot be read.
bool DescribeTypeInfo(ITypeLib* library, UINT index, TypeDesc* desc) {
  BSTR name = nullptr;
  BSTR doc = nullptr;
  if (FAILED(library->GetDocumentation(static_cast<INT>(index), &name, &doc, nullptr, nullptr))) return false;
  desc->name = TakeString(name);
  desc->doc = TakeString(doc);
  comkit::ComPtr<ITypeInfo> info;
  if (FAILED(library->GetTypeInfo(index, info.Receive()))) return false;
  TYPEATTR* attr = nullptr;
  if (FAILED(info->GetTypeAttr(&attr)) || !attr) return false;
  desc->guid = attr->guid;
  info->ReleaseTypeAttr(attr);
  return true;
}

}  // namespace

HRESULT DescribeTypeLib(TypeLibDesc* record, const std::wstring& path, bool confirm) {
  if (!record) return E_POINTER;
  if (path.empty()) return E_INVALIDARG;

  comkit::ComPtr<ITypeLib> library;
  HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.Receive());
  if (FAILED(hr)) return hr;

  record->coclasses.clear();
  record->dispatches.clear();
  record->file = FileNameOf(path);
  record->path = record->file;

  TLIBATTR* libAttr = nullptr;
  hr = library->GetLibAttr(&libAttr);
  if (FAILED(hr)) return hr;
  if (!libAttr) return E_FAIL;
  record->guid = libAttr->guid;
  record->majorver = libAttr->wMajorVerNum;
  record->minorver = libAttr->wMinorVerNum;
  library->ReleaseTLibAttr(libAttr);

  BSTR name = nullptr;
  BSTR doc = nullptr;
  hr = library->GetDocumentation(-1, &name, &doc, nullptr, nullptr);
  if (FAILED(hr)) return hr;
  record->name = TakeString(name);
  record->doc = TakeString(doc);

  ConfirmModule module;
  const UINT count = library->GetTypeInfoCount();
  for (UINT i = 0; i < count; ++i) {
    TYPEKIND kind;
    hr = library->GetTypeInfoType(i, &kind);
    if (FAILED(hr)) return hr;
    if (kind != TKIND_COCLASS && kind != TKIND_DISPATCH) continue;
    TypeDesc desc;
    if (!DescribeTypeInfo(library.Get(), i, &desc)) continue;
    if (kind == TKIND_DISPATCH) {
      record->dispatches.push_back(desc);
    } else if (!confirm || ConfirmClass(module.Get(), path, desc.guid)) {
      record->coclasses.push_back(desc);
    }
  }
  return S_OK;
}

}  // namespace oxcore
