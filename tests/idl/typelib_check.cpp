#include "typelib_check.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace oxtlb {
namespace {

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return out;
}

class TypeAttr {
 public:
  explicit TypeAttr(ITypeInfo* info) : info_(info) {
    if (FAILED(info_->GetTypeAttr(&attr_))) attr_ = nullptr;
  }
  ~TypeAttr() {
    if (attr_) info_->ReleaseTypeAttr(attr_);
  }
  TypeAttr(const TypeAttr&) = delete;
  TypeAttr& operator=(const TypeAttr&) = delete;
  const TYPEATTR* operator->() const { return attr_; }
  explicit operator bool() const { return attr_ != nullptr; }

 private:
  ITypeInfo* info_;
  TYPEATTR* attr_ = nullptr;
};

class FuncDesc {
 public:
  FuncDesc(ITypeInfo* info, UINT index) : info_(info) {
    if (FAILED(info_->GetFuncDesc(index, &desc_))) desc_ = nullptr;
  }
  ~FuncDesc() {
    if (desc_) info_->ReleaseFuncDesc(desc_);
  }
  FuncDesc(const FuncDesc&) = delete;
  FuncDesc& operator=(const FuncDesc&) = delete;
  const FUNCDESC* operator->() const { return desc_; }
  explicit operator bool() const { return desc_ != nullptr; }

 private:
  ITypeInfo* info_;
  FUNCDESC* desc_ = nullptr;
};

class VarDesc {
 public:
  VarDesc(ITypeInfo* info, UINT index) : info_(info) {
    if (FAILED(info_->GetVarDesc(index, &desc_))) desc_ = nullptr;
  }
  ~VarDesc() {
    if (desc_) info_->ReleaseVarDesc(desc_);
  }
  VarDesc(const VarDesc&) = delete;
  VarDesc& operator=(const VarDesc&) = delete;
  const VARDESC* operator->() const { return desc_; }
  explicit operator bool() const { return desc_ != nullptr; }

 private:
  ITypeInfo* info_;
  VARDESC* desc_ = nullptr;
};

// Names of a member and its parameters, as GetNames reports them.
std::vector<std::wstring> Names(ITypeInfo* info, MEMBERID memid) {
  BSTR names[32] = {};
  UINT count = 0;
  std::vector<std::wstring> out;
  if (FAILED(info->GetNames(memid, names, 32, &count))) return out;
  for (UINT i = 0; i < count; ++i) {
    out.emplace_back(names[i] ? names[i] : L"");
    SysFreeString(names[i]);
  }
  return out;
}

// The type info that implemented interface `index` refers to (-1: the
// interface part of a dual dispinterface).
HRESULT RefOfImplType(ITypeInfo* info, UINT index, ITypeInfo** out) {
  HREFTYPE href = 0;
  HRESULT hr = info->GetRefTypeOfImplType(index, &href);
  if (FAILED(hr)) return hr;
  return info->GetRefTypeInfo(href, out);
}

HRESULT TypeInfoOf(ITypeLib* lib, const std::wstring& guidText, ITypeInfo** out) {
  GUID guid{};
  HRESULT hr = CLSIDFromString(guidText.c_str(), &guid);
  if (FAILED(hr)) return hr;
  return lib->GetTypeInfoOfGuid(guid, out);
}

// The members of a dispatch type info, keyed by DISPID and invoke kind.
struct DispMember {
  MEMBERID memid;
  INVOKEKIND invoke;
  std::wstring name;
};

std::vector<DispMember> DispatchMembers(ITypeInfo* dispatch) {
  std::vector<DispMember> out;
  TypeAttr attr(dispatch);
  if (!attr) return out;
  for (UINT i = 0; i < attr->cFuncs; ++i) {
    FuncDesc fd(dispatch, i);
    if (!fd) continue;
    const auto names = Names(dispatch, fd->memid);
    out.push_back({fd->memid, fd->invkind, names.empty() ? L"" : names[0]});
  }
  return out;
}

void ExpectMembers(ITypeInfo* info, const ExpectedInterface& expected) {
  TypeAttr attr(info);
  ASSERT_TRUE(attr);
  ASSERT_EQ(attr->cFuncs, expected.members.size()) << "member count";
  EXPECT_EQ(attr->cbSizeVft, (expected.firstSlot + expected.members.size()) * sizeof(void*)) << "vtable size";

  for (size_t i = 0; i < expected.members.size(); ++i) {
    const ExpectedMember& want = expected.members[i];
    SCOPED_TRACE("member " + std::to_string(i) + " " + Narrow(want.CppName()));
    FuncDesc fd(info, static_cast<UINT>(i));
    ASSERT_TRUE(fd);
    const auto names = Names(info, fd->memid);
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(Narrow(names[0]), Narrow(want.name));
    if (want.dispid != kAnyMemberId) {
      EXPECT_EQ(fd->memid, want.dispid) << "DISPID";
    }
    EXPECT_EQ(fd->invkind, want.invoke);
    EXPECT_EQ(fd->funckind, FUNC_PUREVIRTUAL);
    EXPECT_EQ(fd->callconv, CC_STDCALL);
    EXPECT_EQ(fd->oVft, static_cast<SHORT>((expected.firstSlot + i) * sizeof(void*))) << "vtable offset";
    EXPECT_EQ(Narrow(TypeText(info, fd->elemdescFunc.tdesc)), "HRESULT");

    ASSERT_EQ(static_cast<size_t>(fd->cParams), want.params.size()) << "parameter count";
    for (size_t p = 0; p < want.params.size(); ++p) {
      const ExpectedParam& param = want.params[p];
      SCOPED_TRACE("parameter " + std::to_string(p) + " " + Narrow(param.name));
      const ELEMDESC& elem = fd->lprgelemdescParam[p];
      EXPECT_EQ(Narrow(TypeText(info, elem.tdesc)), Narrow(param.type));
      EXPECT_EQ(elem.paramdesc.wParamFlags & (PARAMFLAG_FIN | PARAMFLAG_FOUT | PARAMFLAG_FRETVAL), param.flags);
      // The value of a property put is unnamed in a type library; GetNames
      // answers with the names of the property's get.
      const bool unnamed = want.invoke == INVOKE_PROPERTYPUT && p + 1 == want.params.size();
      if (!unnamed) {
        ASSERT_LT(p + 1, names.size());
        EXPECT_EQ(Narrow(names[p + 1]), Narrow(param.name));
      }
    }
  }
}

}  // namespace

void PrintTo(const ExpectedInterface& value, std::ostream* os) { *os << Narrow(value.name); }
void PrintTo(const ExpectedCoClass& value, std::ostream* os) { *os << Narrow(value.name); }

std::wstring GuidText(const GUID& guid) {
  wchar_t text[40] = {};
  StringFromGUID2(guid, text, 40);
  return text;
}

std::wstring TypeInfoName(ITypeInfo* info) {
  BSTR name = nullptr;
  if (FAILED(info->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr))) return L"";
  std::wstring out = name ? name : L"";
  SysFreeString(name);
  return out;
}

std::wstring TypeText(ITypeInfo* context, const TYPEDESC& desc) {
  switch (desc.vt) {
    case VT_I1: return L"signed char";
    case VT_UI1: return L"unsigned char";
    case VT_I2: return L"short";
    case VT_UI2: return L"unsigned short";
    case VT_I4: return L"long";
    case VT_UI4: return L"unsigned long";
    case VT_I8: return L"__int64";
    case VT_UI8: return L"unsigned __int64";
    case VT_INT: return L"int";
    case VT_UINT: return L"unsigned int";
    case VT_R4: return L"float";
    case VT_R8: return L"double";
    case VT_DATE: return L"DATE";
    case VT_BOOL: return L"VARIANT_BOOL";
    case VT_BSTR: return L"BSTR";
    case VT_VARIANT: return L"VARIANT";
    case VT_UNKNOWN: return L"IUnknown*";
    case VT_DISPATCH: return L"IDispatch*";
    case VT_VOID: return L"void";
    case VT_HRESULT: return L"HRESULT";
    case VT_PTR: return TypeText(context, *desc.lptdesc) + L"*";
    case VT_SAFEARRAY: return L"SAFEARRAY(" + TypeText(context, *desc.lptdesc) + L")";
    case VT_USERDEFINED: {
      Ref<ITypeInfo> ref;
      if (FAILED(context->GetRefTypeInfo(desc.hreftype, ref.Out()))) return L"<unresolved>";
      return TypeInfoName(ref.Get());
    }
    default:
      return L"vt" + std::to_wstring(desc.vt);
  }
}

HRESULT LoadLibraryFile(const std::wstring& path, ITypeLib** lib) {
  return LoadTypeLibEx(path.c_str(), REGKIND_NONE, lib);
}

void ExpectLibraryAttributes(ITypeLib* lib, const ExpectedLibrary& expected) {
  BSTR name = nullptr;
  ASSERT_EQ(S_OK, lib->GetDocumentation(-1, &name, nullptr, nullptr, nullptr));
  EXPECT_EQ(Narrow(name ? name : L""), Narrow(expected.name));
  SysFreeString(name);

  TLIBATTR* attr = nullptr;
  ASSERT_EQ(S_OK, lib->GetLibAttr(&attr));
  EXPECT_EQ(Narrow(GuidText(attr->guid)), Narrow(expected.libid));
  EXPECT_EQ(attr->wMajorVerNum, expected.major);
  EXPECT_EQ(attr->wMinorVerNum, expected.minor);
  EXPECT_EQ(attr->syskind, expected.syskind);
  lib->ReleaseTLibAttr(attr);
}

void ExpectInterface(ITypeLib* lib, const ExpectedInterface& expected) {
  SCOPED_TRACE(Narrow(expected.name));
  Ref<ITypeInfo> info;
  ASSERT_EQ(S_OK, TypeInfoOf(lib, expected.iid, info.Out())) << "IID not in the library";
  EXPECT_EQ(Narrow(TypeInfoName(info.Get())), Narrow(expected.name));

  TypeAttr attr(info.Get());
  ASSERT_TRUE(attr);
  Ref<ITypeInfo> vtblPart;
  if (expected.dual) {
    ASSERT_EQ(attr->typekind, TKIND_DISPATCH);
    EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FDUAL);
    EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FDISPATCHABLE);
    ASSERT_EQ(S_OK, RefOfImplType(info.Get(), static_cast<UINT>(-1), vtblPart.Out())) << "no interface part";
    TypeAttr partAttr(vtblPart.Get());
    ASSERT_TRUE(partAttr);
    EXPECT_EQ(partAttr->typekind, TKIND_INTERFACE);
    EXPECT_EQ(Narrow(GuidText(partAttr->guid)), Narrow(expected.iid));
    EXPECT_TRUE(partAttr->wTypeFlags & TYPEFLAG_FDUAL);
    EXPECT_TRUE(partAttr->wTypeFlags & TYPEFLAG_FOLEAUTOMATION);

    // Late binding resolves names through the dispatch type info.
    const auto dispMembers = DispatchMembers(info.Get());
    for (const ExpectedMember& member : expected.members) {
      SCOPED_TRACE(Narrow(member.CppName()));
      LPOLESTR name = const_cast<LPOLESTR>(member.name.c_str());
      MEMBERID memid = MEMBERID_NIL;
      EXPECT_EQ(S_OK, info->GetIDsOfNames(&name, 1, &memid));
      EXPECT_EQ(memid, member.dispid);
      bool found = false;
      for (const DispMember& d : dispMembers) {
        found = found || (d.memid == member.dispid && d.invoke == member.invoke && d.name == member.name);
      }
      EXPECT_TRUE(found) << "not dispatched by DISPID and invoke kind";
    }
  } else {
    ASSERT_EQ(attr->typekind, TKIND_INTERFACE);
    EXPECT_FALSE(attr->wTypeFlags & TYPEFLAG_FDUAL);
    ASSERT_EQ(S_OK, TypeInfoOf(lib, expected.iid, vtblPart.Out()));
  }

  TypeAttr partAttr(vtblPart.Get());
  ASSERT_TRUE(partAttr);
  ASSERT_EQ(partAttr->cImplTypes, 1) << "one base interface";
  Ref<ITypeInfo> base;
  ASSERT_EQ(S_OK, RefOfImplType(vtblPart.Get(), 0, base.Out()));
  EXPECT_EQ(Narrow(TypeInfoName(base.Get())), Narrow(expected.base));

  ExpectMembers(vtblPart.Get(), expected);
}

void ExpectCoClass(ITypeLib* lib, const ExpectedCoClass& expected) {
  SCOPED_TRACE(Narrow(expected.name));
  Ref<ITypeInfo> info;
  ASSERT_EQ(S_OK, TypeInfoOf(lib, expected.clsid, info.Out())) << "CLSID not in the library";
  EXPECT_EQ(Narrow(TypeInfoName(info.Get())), Narrow(expected.name));
  TypeAttr attr(info.Get());
  ASSERT_TRUE(attr);
  ASSERT_EQ(attr->typekind, TKIND_COCLASS);
  EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FCANCREATE);
  ASSERT_EQ(attr->cImplTypes, 1);

  INT flags = 0;
  ASSERT_EQ(S_OK, info->GetImplTypeFlags(0, &flags));
  EXPECT_TRUE(flags & IMPLTYPEFLAG_FDEFAULT);
  EXPECT_FALSE(flags & IMPLTYPEFLAG_FSOURCE);
  Ref<ITypeInfo> iface;
  ASSERT_EQ(S_OK, RefOfImplType(info.Get(), 0, iface.Out()));
  EXPECT_EQ(Narrow(TypeInfoName(iface.Get())), Narrow(expected.defaultInterface));

  for (const ExpectedInterface& candidate : Interfaces()) {
    if (candidate.name != expected.defaultInterface) continue;
    TypeAttr ifaceAttr(iface.Get());
    ASSERT_TRUE(ifaceAttr);
    EXPECT_EQ(Narrow(GuidText(ifaceAttr->guid)), Narrow(candidate.iid));
  }
}

void ExpectRecord(ITypeLib* lib, const ExpectedRecord& expected) {
  SCOPED_TRACE(Narrow(expected.name));
  Ref<ITypeInfo> info;
  for (UINT i = 0, n = lib->GetTypeInfoCount(); i < n && !info; ++i) {
    Ref<ITypeInfo> candidate;
    ASSERT_EQ(S_OK, lib->GetTypeInfo(i, candidate.Out()));
    if (TypeInfoName(candidate.Get()) == expected.name) {
      ASSERT_EQ(S_OK, lib->GetTypeInfo(i, info.Out()));
    }
  }
  ASSERT_TRUE(info) << "record not in the library";
  TypeAttr attr(info.Get());
  ASSERT_TRUE(attr);
  ASSERT_EQ(attr->typekind, TKIND_RECORD);
  EXPECT_EQ(attr->cbSizeInstance, expected.size);
  ASSERT_EQ(attr->cVars, expected.fields.size());
  for (size_t i = 0; i < expected.fields.size(); ++i) {
    const ExpectedField& field = expected.fields[i];
    SCOPED_TRACE(Narrow(field.name));
    VarDesc vd(info.Get(), static_cast<UINT>(i));
    ASSERT_TRUE(vd);
    const auto names = Names(info.Get(), vd->memid);
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(Narrow(names[0]), Narrow(field.name));
    EXPECT_EQ(vd->varkind, VAR_PERINSTANCE);
    EXPECT_EQ(vd->oInst, field.offset);
    EXPECT_EQ(Narrow(TypeText(info.Get(), vd->elemdescVar.tdesc)), Narrow(field.type));
  }
}

void ExpectNoUnexpectedTypes(ITypeLib* lib) {
  std::set<std::wstring> known;
  for (const auto& i : Interfaces()) known.insert(i.name);
  for (const auto& c : CoClasses()) known.insert(c.name);
  for (UINT i = 0, n = lib->GetTypeInfoCount(); i < n; ++i) {
    TYPEKIND kind = TKIND_MAX;
    ASSERT_EQ(S_OK, lib->GetTypeInfoType(i, &kind));
    if (kind != TKIND_INTERFACE && kind != TKIND_DISPATCH && kind != TKIND_COCLASS) continue;
    Ref<ITypeInfo> info;
    ASSERT_EQ(S_OK, lib->GetTypeInfo(i, info.Out()));
    const std::wstring name = TypeInfoName(info.Get());
    EXPECT_TRUE(known.count(name)) << "unexpected type " << Narrow(name);
  }
}

}  // namespace oxtlb
