// What the type library OxCoreLib must describe: its identity, every
// interface with its members in vtable order, every coclass and the record.
// Shared by the tests of the generated .tlb and of the library embedded in
// OxCore.dll (see typelib_check.h for the checks that walk these tables).
//
// Parameter types are written as typelib_check renders a TYPEDESC: automation
// types by their C name ("BSTR", "VARIANT_BOOL", "unsigned short"), VT_I8 and
// VT_UI8 as "__int64"/"unsigned __int64", referenced types by their name
// ("IXParam", "tagXBLOB", "GUID"), one "*" per pointer level.
#ifndef OXCORE_TESTS_IDL_EXPECTED_TYPELIB_H
#define OXCORE_TESTS_IDL_EXPECTED_TYPELIB_H

#include <windows.h>
#include <oaidl.h>

#include <string>
#include <utility>
#include <vector>

namespace oxtlb {

struct ExpectedParam {
  std::wstring name;  // not reported by the type library for the value of a property put
  std::wstring type;
  USHORT flags;       // PARAMFLAG_FIN / FOUT / FRETVAL
};

struct ExpectedMember {
  std::wstring name;
  INVOKEKIND invoke;
  MEMBERID dispid;  // DISPID of dual interfaces; kAnyMemberId for custom ones
  std::vector<ExpectedParam> params;

  // The name under which the C++ header declares the vtable entry.
  std::wstring CppName() const {
    if (invoke == INVOKE_PROPERTYGET) return L"get_" + name;
    if (invoke == INVOKE_PROPERTYPUT) return L"put_" + name;
    return name;
  }
};

struct ExpectedInterface {
  std::wstring name;
  std::wstring iid;  // as StringFromGUID2 writes it
  bool dual;         // dual, oleautomation, derived from IDispatch; else custom
  std::wstring base;
  unsigned firstSlot;  // vtable index of the first own member
  std::vector<ExpectedMember> members;
};

struct ExpectedCoClass {
  std::wstring name;
  std::wstring clsid;
  std::wstring defaultInterface;
  bool inClassTable;  // served by DllGetClassObject of OxCore.dll
};

struct ExpectedField {
  std::wstring name;
  std::wstring type;
  ULONG offset;
};

struct ExpectedRecord {
  std::wstring name;
  ULONG size;
  std::vector<ExpectedField> fields;
};

struct ExpectedLibrary {
  std::wstring name;
  std::wstring libid;
  WORD major;
  WORD minor;
  SYSKIND syskind;
};

constexpr MEMBERID kAnyMemberId = MEMBERID_NIL;
constexpr USHORT kIn = PARAMFLAG_FIN;
constexpr USHORT kOut = PARAMFLAG_FOUT;
constexpr USHORT kRetval = PARAMFLAG_FOUT | PARAMFLAG_FRETVAL;

// IStringClassStorage carries addresses as LONG_PTR, which the library
// records as a pointer-sized integer.
inline const wchar_t* AddressType() { return sizeof(void*) == 8 ? L"__int64" : L"long"; }

inline const ExpectedLibrary& Library() {
  static const ExpectedLibrary lib{L"OxCoreLib", L"{C772F147-2758-44C7-99D9-608492335D21}", 1, 0,
                                   sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32};
  return lib;
}

namespace detail {

inline ExpectedParam In(const wchar_t* name, std::wstring type) { return {name, std::move(type), kIn}; }
inline ExpectedParam Out(const wchar_t* name, std::wstring type) { return {name, std::move(type), kOut}; }
inline ExpectedParam Ret(const wchar_t* name, std::wstring type) { return {name, std::move(type), kRetval}; }

inline ExpectedMember Fn(const wchar_t* name, MEMBERID id, std::vector<ExpectedParam> params = {}) {
  return {name, INVOKE_FUNC, id, std::move(params)};
}
inline ExpectedMember Custom(const wchar_t* name, std::vector<ExpectedParam> params = {}) {
  return {name, INVOKE_FUNC, kAnyMemberId, std::move(params)};
}

// A property of IXParam: get(bstrName, pVal) then put(bstrName, newVal).
inline void Property(std::vector<ExpectedMember>& out, const wchar_t* name, MEMBERID id, const std::wstring& getType,
                     const std::wstring& putType) {
  out.push_back({name, INVOKE_PROPERTYGET, id, {In(L"bstrName", L"BSTR"), {L"pVal", getType, kRetval}}});
  out.push_back({name, INVOKE_PROPERTYPUT, id, {In(L"bstrName", L"BSTR"), {L"newVal", putType, kIn}}});
}
inline void Property(std::vector<ExpectedMember>& out, const wchar_t* name, MEMBERID id, const std::wstring& type) {
  Property(out, name, id, type + L"*", type);
}

inline std::vector<ExpectedMember> XParamMembers() {
  std::vector<ExpectedMember> m;
  Property(m, L"Char", 1, L"signed char");
  Property(m, L"UChar", 2, L"unsigned char");
  Property(m, L"Short", 3, L"short");
  Property(m, L"UShort", 4, L"unsigned short");
  Property(m, L"Long", 5, L"long");
  Property(m, L"ULong", 6, L"unsigned long");
  Property(m, L"LongLong", 7, L"__int64");
  Property(m, L"ULongLong", 8, L"unsigned __int64");
  Property(m, L"Int", 9, L"int");
  Property(m, L"UInt", 10, L"unsigned int");
  Property(m, L"Byte", 11, L"unsigned char");
  Property(m, L"Float", 12, L"float");
  Property(m, L"Double", 13, L"double");
  Property(m, L"Bool", 15, L"VARIANT_BOOL");
  Property(m, L"Pvoid", 16, L"void*");
  Property(m, L"Unknown", 18, L"IUnknown*");
  Property(m, L"Dispatch", 19, L"IDispatch*");
  Property(m, L"Bstr", 20, L"BSTR");
  Property(m, L"Blob", 21, L"tagXBLOB");
  Property(m, L"Date", 22, L"DATE");
  Property(m, L"Value", 23, L"VARIANT*", L"VARIANT*");

  const auto child = [](const wchar_t* name, MEMBERID id) { return Fn(name, id, {Ret(L"ppXParam", L"IXParam**")}); };
  m.push_back(Fn(L"Clone", 51, {In(L"bCopy", L"VARIANT_BOOL"), Ret(L"ppXParam", L"IXParam**")}));
  m.push_back(Fn(L"Clear", 52));
  m.push_back(Fn(L"Remove", 53, {In(L"bstrName", L"BSTR")}));
  m.push_back(Fn(L"CreateEnum", 54, {Ret(L"pEnum", L"IXParamEnum**")}));
  m.push_back(Fn(L"Exchange", 55, {In(L"pXParam", L"IXParam*")}));
  m.push_back(Fn(L"GetCppXParam", 100, {Out(L"ppCppXParam", L"void**")}));
  m.push_back(Fn(L"SetCppXParam", 101, {In(L"pCppXParam", L"void*")}));
  m.push_back(child(L"GetParent", 102));
  m.push_back(Fn(L"PushBackChild", 103, {In(L"pChild", L"IXParam*")}));
  m.push_back(Fn(L"PushFrontChild", 104, {In(L"pChild", L"IXParam*")}));
  m.push_back(Fn(L"InsertBefore", 105, {In(L"pBefore", L"IXParam*"), In(L"pChild", L"IXParam*")}));
  m.push_back(Fn(L"InsertAfter", 106, {In(L"pAfter", L"IXParam*"), In(L"pChild", L"IXParam*")}));
  m.push_back(Fn(L"DropChild", 107, {In(L"pChild", L"IXParam*")}));
  m.push_back(Fn(L"DropSelf", 108));
  m.push_back(Fn(L"ClearChildren", 109));
  m.push_back(child(L"GetFirstChild", 110));
  m.push_back(Fn(L"GetFirstChildByName", 111,
                 {In(L"bstrName", L"BSTR"), In(L"nOffset", L"long"), Ret(L"ppXParam", L"IXParam**")}));
  m.push_back(child(L"GetLastChild", 112));
  m.push_back(Fn(L"GetLastChildByName", 113,
                 {In(L"bstrName", L"BSTR"), In(L"nOffset", L"long"), Ret(L"ppXParam", L"IXParam**")}));
  m.push_back(Fn(L"GetChildrenCount", 114, {Ret(L"nCount", L"long*")}));
  m.push_back(child(L"GetPrevSibling", 115));
  m.push_back(child(L"GetPrevNamesake", 116));
  m.push_back(child(L"GetNextSibling", 117));
  m.push_back(child(L"GetNextNamesake", 118));
  m.push_back(Fn(L"GetName", 119, {Ret(L"bstrName", L"BSTR*")}));
  m.push_back(Fn(L"SetName", 120, {In(L"bstrName", L"BSTR")}));
  m.push_back(Fn(L"LockIt", 121));
  m.push_back(Fn(L"UnlockIt", 122));
  m.push_back(Fn(L"FromXmlString", 123, {In(L"XmlString", L"BSTR")}));
  m.push_back(Fn(L"ToXmlString", 124,
                 {In(L"IndentString", L"BSTR"), In(L"CrlfString", L"BSTR"), Ret(L"XmlString", L"BSTR*")}));
  m.push_back(Fn(L"FromXmlFile", 125, {In(L"XmlFilename", L"BSTR")}));
  m.push_back(Fn(L"ToXmlFile", 126,
                 {In(L"XmlFilename", L"BSTR"), In(L"IndentString", L"BSTR"), In(L"CrlfString", L"BSTR"),
                  In(L"Encoding", L"BSTR")}));
  m.push_back(Fn(L"FromXmlMemory", 127, {In(L"XmlMemory", L"unsigned char*"), In(L"XmlSize", L"unsigned long")}));
  return m;
}

inline std::vector<ExpectedMember> MsgBusMembers() {
  const auto reg = [](const wchar_t* name, MEMBERID id, const wchar_t* handler) {
    return Fn(name, id,
              {In(L"MsgId", L"BSTR"), In(handler, L"IMsgHandler*"), In(L"bInThisUIThread", L"VARIANT_BOOL"),
               In(L"bSyncUIThread", L"VARIANT_BOOL")});
  };
  return {
      Fn(L"SendMsg", 1, {In(L"MsgId", L"BSTR"), In(L"Parameter", L"IUnknown*"), In(L"Sender", L"IUnknown*")}),
      Fn(L"PostMsg", 2,
         {In(L"MsgId", L"BSTR"), In(L"Parameter", L"IUnknown*"), In(L"Sender", L"IUnknown*"),
          In(L"Ordered", L"VARIANT_BOOL")}),
      reg(L"RegReceiver", 3, L"pReceiver"),
      reg(L"RegTopReceiver", 4, L"pReceiver"),
      reg(L"RegFilter", 5, L"pFilter"),
      reg(L"RegTopFilter", 6, L"pFilter"),
      Fn(L"UnregHandler", 7, {In(L"MsgId", L"BSTR"), In(L"pHandler", L"IMsgHandler*")}),
      Fn(L"SetHandlerEnabled", 8,
         {In(L"MsgId", L"BSTR"), In(L"pHandler", L"IMsgHandler*"), In(L"bEnabled", L"VARIANT_BOOL")}),
      Fn(L"GetHandlerEnabled", 9,
         {In(L"MsgId", L"BSTR"), In(L"pHandler", L"IMsgHandler*"), Ret(L"bEnabled", L"VARIANT_BOOL*")}),
  };
}

inline std::vector<ExpectedMember> OxCoreMembers() {
  return {
      Fn(L"OxGetVersion", 1,
         {Out(L"Major", L"unsigned short*"), Out(L"Minor", L"unsigned short*"), Out(L"BuildNum", L"unsigned long*"),
          Ret(L"VersionString", L"BSTR*")}),
      Fn(L"OxCreateInstance", 2,
         {In(L"clsid", L"GUID*"), In(L"pUnkOuter", L"IUnknown*"), In(L"iid", L"GUID*"), Out(L"ppvObject", L"void**")}),
      Fn(L"OxGetClassObject", 3, {In(L"clsid", L"GUID*"), In(L"iid", L"GUID*"), Out(L"ppvObject", L"void**")}),
      Fn(L"OxGetInstance", 4,
         {In(L"clsid", L"GUID*"), In(L"InstanceName", L"BSTR"), In(L"iid", L"GUID*"), Out(L"ppvObject", L"void**")}),
      Fn(L"OxSetInstance", 5, {In(L"clsid", L"GUID*"), In(L"InstanceName", L"BSTR"), In(L"pUnk", L"IUnknown*")}),
      Fn(L"OxHasInstance", 6,
         {In(L"clsid", L"GUID*"), In(L"InstanceName", L"BSTR"), Ret(L"Result", L"VARIANT_BOOL*")}),
      Fn(L"OxGetAllInstanceNames", 7, {In(L"clsid", L"GUID*"), Ret(L"pAllInstanceNames", L"BSTR*")}),
      Fn(L"OxGetAllInstances", 8, {In(L"clsid", L"GUID*"), Ret(L"ppAllInstances", L"SAFEARRAY(IUnknown*)*")}),
      Fn(L"OxDropInstance", 9, {In(L"clsid", L"GUID*"), In(L"InstanceName", L"BSTR")}),
      Fn(L"OxFreeUnusedLibraries", 10),
      Fn(L"OxGetMsgBus", 11, {Ret(L"ppMsgBus", L"IMsgBus**")}),
      Fn(L"OxRunApplication", 12, {In(L"AppPath", L"BSTR")}),
      Fn(L"OxMakeDefaultRegFile", 13, {In(L"RootDir", L"BSTR")}),
      Fn(L"Init", 14, {In(L"PreLoadConfig", L"BSTR")}),
      Fn(L"Uninit", 15),
      Fn(L"OxCreateWeakRef", 16, {Ret(L"ppWeakRef", L"IWeakRef**")}),
      Fn(L"OxCreateXParam", 17, {Ret(L"ppXParam", L"IXParam**")}),
      Fn(L"OxGetI18N", 18, {Ret(L"ppI18N", L"II18N**")}),
      Fn(L"OxGetConfigueFileManager", 19, {Ret(L"ppIConfigueFileManager", L"IConfigueFileManager**")}),
      Fn(L"PerfLog", 20,
         {In(L"bstrModule", L"BSTR"), In(L"bstrParam1", L"BSTR"), In(L"bstrParam2", L"BSTR"),
          In(L"bstrParam3", L"BSTR"), In(L"bstrFile", L"BSTR"), In(L"nLine", L"int")}),
  };
}

}  // namespace detail

// Every interface of the library, in declaration order.
inline const std::vector<ExpectedInterface>& Interfaces() {
  using namespace detail;
  static const std::vector<ExpectedInterface> table{
      {L"ISupportWeakRef", L"{367E1AA1-A43D-40C9-B10C-B5D3655B2648}", false, L"IUnknown", 3,
       {Custom(L"GetWeakRef", {Out(L"ppWeakRef", L"IWeakRef**")})}},
      {L"IWeakRef", L"{E8AB3649-7FCA-4AB7-B7C9-6ED433BA023B}", false, L"IUnknown", 3,
       {Custom(L"Initialize", {In(L"pSupportWeakRef", L"ISupportWeakRef*"), Out(L"ppStrongRefCounter", L"long**")}),
        Custom(L"GetStrongRef", {In(L"iid", L"GUID*"), Out(L"ppvObject", L"void**")})}},
      {L"IMsgHandler", L"{E09EE811-9BA1-4B2F-8B68-BA776961461B}", false, L"ISupportWeakRef", 4,
       {Custom(L"OnMsg", {In(L"RegMsgId", L"BSTR"), In(L"MsgId", L"BSTR"), In(L"Parameter", L"IUnknown*"),
                          In(L"Sender", L"IUnknown*"), Out(L"Filtered", L"VARIANT_BOOL*")})}},
      {L"IApplication", L"{2DE86C93-CC79-4958-9802-C21719C05774}", false, L"IUnknown", 3, {Custom(L"Run")}},
      {L"IDynamicCallee", L"{75B62536-276B-452F-B578-F397C2C67CBC}", false, L"IUnknown", 3,
       {Custom(L"Call", {In(L"pParamIn", L"IXParam*"), Out(L"ppParamOut", L"IXParam**")})}},
      {L"IOxCore", L"{D2057408-0033-4285-9B63-9CBC46F6246D}", true, L"IDispatch", 7, OxCoreMembers()},
      {L"IMsgBus", L"{AD977E50-7269-4CE0-BA69-54E1E397E038}", true, L"IDispatch", 7, MsgBusMembers()},
      {L"IXParam", L"{13E49324-A4AA-473C-888B-A8C517452388}", true, L"IDispatch", 7, XParamMembers()},
      {L"IXParamEnum", L"{2161FF31-2B5C-4FF4-9AF9-6007BC0DDC87}", true, L"IDispatch", 7,
       {Fn(L"GetName", 1, {Ret(L"pbstrName", L"BSTR*")}), Fn(L"GetValue", 2, {Ret(L"pVal", L"VARIANT*")}),
        Fn(L"Next", 3, {Ret(L"pbEOF", L"VARIANT_BOOL*")}), Fn(L"Reset", 4)}},
      {L"II18N", L"{AC4CE9F3-C706-4383-BAEA-DDE3C3B10210}", true, L"IDispatch", 7,
       {Fn(L"SetLocale", 1, {In(L"LocaleId", L"BSTR")}), Fn(L"GetLocale", 2, {Out(L"LocaleId", L"BSTR*")}),
        Fn(L"GetAllLocale", 3, {Ret(L"pLocaleIds", L"BSTR*")}),
        Fn(L"GetLocaleInfo", 4,
           {In(L"LocaleId", L"BSTR"), Out(L"pLangId", L"unsigned short*"), Out(L"pStyle", L"BSTR*"),
            Out(L"pDescription", L"BSTR*")}),
        Fn(L"GetReader", 5, {In(L"PluginName", L"BSTR"), Ret(L"ppReader", L"II18NReader**")}),
        Fn(L"DropReader", 6, {In(L"PluginName", L"BSTR")}),
        Fn(L"CreateReaderDat", 7, {In(L"Dir", L"BSTR"), In(L"Local", L"BSTR"), Ret(L"ppReader", L"II18NReader**")})}},
      {L"II18NReader", L"{1B1D4E43-A84C-4DA3-9B5D-84B7DBB70DDF}", true, L"IDispatch", 7,
       {Fn(L"Initialize", 1, {In(L"LanguageDir", L"BSTR")}), Fn(L"SetLocale", 2, {In(L"LocaleId", L"BSTR")}),
        {L"String", INVOKE_PROPERTYGET, 10, {In(L"StringId", L"BSTR"), Ret(L"pVal", L"BSTR*")}}}},
      {L"IConfigueFileManager", L"{E69DEB34-7366-4F39-9CD4-DE7166955827}", true, L"IDispatch", 7,
       {Fn(L"InitFileInfoByFileName", 1, {In(L"bstrFilePath", L"BSTR")}),
        Fn(L"ReLoadFileInfoByFileName", 2, {In(L"bstrFilePath", L"BSTR")}),
        Fn(L"GetFileInfoByFileName", 3,
           {In(L"bstrFilePath", L"BSTR"), In(L"bSave", L"VARIANT_BOOL"), Ret(L"ppUnknown", L"IUnknown**")}),
        Fn(L"DestroyFileInfoByFileName", 4, {In(L"bstrFilePath", L"BSTR")}),
        Fn(L"InitGlobalFileInfo", 5, {In(L"bstrGlobalFilePath", L"BSTR")}),
        Fn(L"GetValueFromGlobalFileInfo", 6, {In(L"bstrKey", L"BSTR"), Ret(L"bstrValue", L"BSTR*")})}},
      {L"IStringClassStorage", L"{2835B986-4F17-4FB2-AE6C-3B579A8E88FB}", true, L"IDispatch", 7,
       {Fn(L"GetObjectAddress", 1, {In(L"str", L"BSTR"), Ret(L"plAddress", AddressType() + std::wstring(L"*"))}),
        Fn(L"AddStringObject", 2, {In(L"str", L"BSTR"), In(L"lAddress", AddressType())}), Fn(L"Clear", 3)}},
  };
  return table;
}

// Every coclass, in the order of the class table, then I18N.
inline const std::vector<ExpectedCoClass>& CoClasses() {
  static const std::vector<ExpectedCoClass> table{
      {L"ConfigueFileManager", L"{F25D72D9-44CB-4011-9E12-7C685C565EAB}", L"IConfigueFileManager", true},
      {L"I18NReader", L"{9C3444B6-E1D6-4EDD-91FF-221C209709AC}", L"II18NReader", true},
      {L"OxCore", L"{CAD03050-0610-45F4-A3E2-8B9B70230B8D}", L"IOxCore", true},
      {L"MsgBus", L"{790C2DCA-7C2F-4054-9888-48A18BEDB017}", L"IMsgBus", true},
      {L"XParam", L"{6EB6CC68-A547-4615-B0C3-93F4EEA6A7DF}", L"IXParam", true},
      {L"StringClassStorage", L"{A4731AAC-FA15-47F8-BA18-D9F4F363BB34}", L"IStringClassStorage", true},
      {L"XParamEnum", L"{A410486C-AABA-48DE-AD56-3D186255CEBA}", L"IXParamEnum", true},
      {L"I18N", L"{D7D81D87-BB1A-40BB-BF7A-1A615F1A982D}", L"II18N", false},
  };
  return table;
}

inline const std::vector<ExpectedRecord>& Records() {
  static const std::vector<ExpectedRecord> table{
      {L"tagXBLOB", 2 * sizeof(void*),
       {{L"cbSize", L"unsigned long", 0}, {L"pData", L"unsigned char*", sizeof(void*)}}},
  };
  return table;
}

}  // namespace oxtlb

#endif  // OXCORE_TESTS_IDL_EXPECTED_TYPELIB_H
