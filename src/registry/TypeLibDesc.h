// One library entry of a registry document (".oxreg"), as the registry
// builder describes it from the library's type library. Plain values.
#ifndef OXCORE_REGISTRY_TYPELIBDESC_H
#define OXCORE_REGISTRY_TYPELIBDESC_H

#include <windows.h>

#include <string>
#include <vector>

namespace oxcore {

// One coclass or dispatch interface of a type library.
struct TypeDesc {
  GUID guid = GUID_NULL;  // CLSID or IID
  std::wstring name;
  std::wstring doc;
};

struct TypeLibDesc {
  std::wstring file;  // file name: the path after its last '\' or '/'
  std::wstring path;  // relative to the scanned directory
  std::wstring name;  // type library name
  GUID guid = GUID_NULL;  // LIBID
  std::wstring doc;
  unsigned short majorver = 0;
  unsigned short minorver = 0;
  std::vector<TypeDesc> coclasses;   // in document order
  std::vector<TypeDesc> dispatches;  // in document order
};

}  // namespace oxcore

#endif  // OXCORE_REGISTRY_TYPELIBDESC_H
