// ConfirmClass: whether a component library really serves a class factory
// for a CLSID, asked by loading the library and calling its
// DllGetClassObject for IClassFactory. Used by the registry builder.
#ifndef OXCORE_REGISTRY_CONFIRMCLASS_H
#define OXCORE_REGISTRY_CONFIRMCLASS_H

#include <windows.h>

#include <string>

namespace oxcore {

// module caches the library for one type-library description: while it is
// null the library at path (a full path) is loaded with LoadLibraryW and the
// handle kept there, so a library is loaded at most once per description
// and a load that failed is tried again on the next call. DllInitialize is
// not called. The caller frees a non-null module with ReleaseConfirmModule.
//
// True only when DllGetClassObject is exported and hands out a factory,
// which is released at once. Any structured exception raised by the load or
// by the calls into the library gives false.
bool ConfirmClass(HMODULE* module, const std::wstring& path, REFCLSID clsid);

// Frees a module that ConfirmClass loaded (guarded the same way) and nulls it.
void ReleaseConfirmModule(HMODULE* module);

}  // namespace oxcore

#endif  // OXCORE_REGISTRY_CONFIRMCLASS_H
