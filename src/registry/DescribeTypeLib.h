// DescribeTypeLib: one registry-document entry from the type library
// embedded in (or making up) a file.
#ifndef OXCORE_REGISTRY_DESCRIBETYPELIB_H
#define OXCORE_REGISTRY_DESCRIBETYPELIB_H

#include <string>

#include <windows.h>
#include <unknwn.h>  // GUID_NULL, used by the records

#include "registry/TypeLibDesc.h"

namespace oxcore {

// Fills record from the type library of the file at path: file and path are
// set to the file name (the caller replaces path), then name, doc, LIBID and
// version, the coclasses and the dispatch interfaces in type-info order.
// Other kinds of type info are left out, and so is an index whose name or
// attributes cannot be read. With confirm, a coclass is kept only when
// ConfirmClass says the library serves it; the library is loaded at most
// once for this and freed again before returning.
//
// E_INVALIDARG for an empty path; the failure of loading the type library
// (how files without one are told apart), of reading its attributes or
// documentation, or of telling the kind of a type info, in which case the
// record is incomplete and must not be listed. S_OK otherwise.
//
// The type library is loaded without registering it anywhere, whether the
// path is full or relative.
HRESULT DescribeTypeLib(TypeLibDesc* record, const std::wstring& path, bool confirm);

}  // namespace oxcore

#endif  // OXCORE_REGISTRY_DESCRIBETYPELIB_H
