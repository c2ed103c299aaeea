// The process's two bindings to xparam.dll.
//
// The primary binding serves XParam objects and stays loaded for good, so
// nodes handed out earlier never outlive their code. The document binding
// serves document readers and writers and frees its library handle when
// released. Init makes both; Uninit releases the document binding first.
#ifndef OXCORE_XPARAM_XPARAMMODULE_H
#define OXCORE_XPARAM_XPARAMMODULE_H

#include <xparam/xparam.h>

namespace oxcore {

enum class XParamBindingKind { kPrimary, kDocuments };

// (Re)binds; false when the library or its module interface is missing.
bool BindXParam(XParamBindingKind kind);
void ReleaseXParam(XParamBindingKind kind);

// The module interface of a binding, or null while unbound.
xparam::ModuleInterface* XParamModule(XParamBindingKind kind);
inline xparam::ModuleInterface* PrimaryXParam() { return XParamModule(XParamBindingKind::kPrimary); }
inline xparam::ModuleInterface* DocumentXParam() { return XParamModule(XParamBindingKind::kDocuments); }

}  // namespace oxcore

#endif  // OXCORE_XPARAM_XPARAMMODULE_H
