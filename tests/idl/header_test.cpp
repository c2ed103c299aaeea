// The generated C++ header: exact method signatures (a changed width or type
// fails to compile), vtable order against expected_typelib.h, identifiers
// usable through both __uuidof and the IID_/CLSID_/LIBID_ symbols, and the
// hand-written IMsgSenderNotify declaration.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstddef>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "MsgSenderNotify.h"
#include "OxCoreLib.h"
#include "expected_typelib.h"
#include "typelib_check.h"

namespace {

// ---------------------------------------------------------------------------
// Vtable slots as the header lays them out. A fake object whose vtable slot K
// records K is called through a pointer-to-member of the interface; the
// compiler fetches the slot from the header's declaration order. The record
// functions ignore their arguments, which only the x64 calling convention
// (caller-cleaned) allows, so the probe runs on 64-bit builds only.

int g_lastSlot = -1;

using SlotFn = HRESULT(STDMETHODCALLTYPE*)(void*);

template <std::size_t K>
HRESULT STDMETHODCALLTYPE RecordSlot(void*) {
  g_lastSlot = static_cast<int>(K);
  return S_OK;
}

template <std::size_t... K>
const SlotFn* RecordingVtable(std::index_sequence<K...>) {
  static const SlotFn table[] = {&RecordSlot<K>...};
  return table;
}

struct FakeObject {
  const SlotFn* vtbl;
};

constexpr bool kCanProbeSlots = sizeof(void*) == 8;

// The optimiser cannot see through the fake object's table and warns about
// what it reads; the probe only calls through the table and reads nothing.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
template <class I, class... A>
int SlotOf(HRESULT (STDMETHODCALLTYPE I::*method)(A...)) {
  if constexpr (kCanProbeSlots) {
    FakeObject fake{RecordingVtable(std::make_index_sequence<96>{})};
    I* object = reinterpret_cast<I*>(&fake);
    g_lastSlot = -1;
    (object->*method)(std::decay_t<A>{}...);
    return g_lastSlot;
  } else {
    (void)method;
    return -1;
  }
}
#pragma GCC diagnostic pop

template <auto Method>
int ProbeSlot() {
  return SlotOf(Method);
}

struct Probe {
  std::wstring name;
  int (*slot)();
};

// The static_cast only compiles when the member has exactly this signature.
#define OX_PROBE(I, M, SIG) \
  Probe { L"" #M, &ProbeSlot<static_cast<HRESULT(STDMETHODCALLTYPE I::*) SIG>(&I::M)> }

struct InterfaceProbes {
  std::wstring name;
  std::vector<Probe> members;
};

const std::vector<InterfaceProbes>& HeaderInterfaces() {
  static const std::vector<InterfaceProbes> table{
      {L"ISupportWeakRef", {OX_PROBE(ISupportWeakRef, GetWeakRef, (IWeakRef**))}},
      {L"IWeakRef",
       {OX_PROBE(IWeakRef, Initialize, (ISupportWeakRef*, LONG**)),
        OX_PROBE(IWeakRef, GetStrongRef, (REFIID, void**))}},
      {L"IMsgHandler", {OX_PROBE(IMsgHandler, OnMsg, (BSTR, BSTR, IUnknown*, IUnknown*, VARIANT_BOOL*))}},
      {L"IApplication", {OX_PROBE(IApplication, Run, ())}},
      {L"IDynamicCallee", {OX_PROBE(IDynamicCallee, Call, (IXParam*, IXParam**))}},
      {L"IOxCore",
       {
           OX_PROBE(IOxCore, OxGetVersion, (unsigned short*, unsigned short*, ULONG*, BSTR*)),
           OX_PROBE(IOxCore, OxCreateInstance, (CLSID*, IUnknown*, IID*, void**)),
           OX_PROBE(IOxCore, OxGetClassObject, (CLSID*, IID*, void**)),
           OX_PROBE(IOxCore, OxGetInstance, (CLSID*, BSTR, IID*, void**)),
           OX_PROBE(IOxCore, OxSetInstance, (CLSID*, BSTR, IUnknown*)),
           OX_PROBE(IOxCore, OxHasInstance, (CLSID*, BSTR, VARIANT_BOOL*)),
           OX_PROBE(IOxCore, OxGetAllInstanceNames, (CLSID*, BSTR*)),
           OX_PROBE(IOxCore, OxGetAllInstances, (CLSID*, SAFEARRAY**)),
           OX_PROBE(IOxCore, OxDropInstance, (CLSID*, BSTR)),
           OX_PROBE(IOxCore, OxFreeUnusedLibraries, ()),
           OX_PROBE(IOxCore, OxGetMsgBus, (IMsgBus**)),
           OX_PROBE(IOxCore, OxRunApplication, (BSTR)),
           OX_PROBE(IOxCore, OxMakeDefaultRegFile, (BSTR)),
           OX_PROBE(IOxCore, Init, (BSTR)),
           OX_PROBE(IOxCore, Uninit, ()),
           OX_PROBE(IOxCore, OxCreateWeakRef, (IWeakRef**)),
           OX_PROBE(IOxCore, OxCreateXParam, (IXParam**)),
           OX_PROBE(IOxCore, OxGetI18N, (II18N**)),
           OX_PROBE(IOxCore, OxGetConfigueFileManager, (IConfigueFileManager**)),
           OX_PROBE(IOxCore, PerfLog, (BSTR, BSTR, BSTR, BSTR, BSTR, int)),
       }},
      {L"IMsgBus",
       {
           OX_PROBE(IMsgBus, SendMsg, (BSTR, IUnknown*, IUnknown*)),
           OX_PROBE(IMsgBus, PostMsg, (BSTR, IUnknown*, IUnknown*, VARIANT_BOOL)),
           OX_PROBE(IMsgBus, RegReceiver, (BSTR, IMsgHandler*, VARIANT_BOOL, VARIANT_BOOL)),
           OX_PROBE(IMsgBus, RegTopReceiver, (BSTR, IMsgHandler*, VARIANT_BOOL, VARIANT_BOOL)),
           OX_PROBE(IMsgBus, RegFilter, (BSTR, IMsgHandler*, VARIANT_BOOL, VARIANT_BOOL)),
           OX_PROBE(IMsgBus, RegTopFilter, (BSTR, IMsgHandler*, VARIANT_BOOL, VARIANT_BOOL)),
           OX_PROBE(IMsgBus, UnregHandler, (BSTR, IMsgHandler*)),
           OX_PROBE(IMsgBus, SetHandlerEnabled, (BSTR, IMsgHandler*, VARIANT_BOOL)),
           OX_PROBE(IMsgBus, GetHandlerEnabled, (BSTR, IMsgHandler*, VARIANT_BOOL*)),
       }},
      {L"IXParam",
       {
           OX_PROBE(IXParam, get_Char, (BSTR, signed char*)),
           OX_PROBE(IXParam, put_Char, (BSTR, signed char)),
           OX_PROBE(IXParam, get_UChar, (BSTR, unsigned char*)),
           OX_PROBE(IXParam, put_UChar, (BSTR, unsigned char)),
           OX_PROBE(IXParam, get_Short, (BSTR, short*)),
           OX_PROBE(IXParam, put_Short, (BSTR, short)),
           OX_PROBE(IXParam, get_UShort, (BSTR, unsigned short*)),
           OX_PROBE(IXParam, put_UShort, (BSTR, unsigned short)),
           OX_PROBE(IXParam, get_Long, (BSTR, LONG*)),
           OX_PROBE(IXParam, put_Long, (BSTR, LONG)),
           OX_PROBE(IXParam, get_ULong, (BSTR, ULONG*)),
           OX_PROBE(IXParam, put_ULong, (BSTR, ULONG)),
           OX_PROBE(IXParam, get_LongLong, (BSTR, LONGLONG*)),
           OX_PROBE(IXParam, put_LongLong, (BSTR, LONGLONG)),
           OX_PROBE(IXParam, get_ULongLong, (BSTR, ULONGLONG*)),
           OX_PROBE(IXParam, put_ULongLong, (BSTR, ULONGLONG)),
           OX_PROBE(IXParam, get_Int, (BSTR, int*)),
           OX_PROBE(IXParam, put_Int, (BSTR, int)),
           OX_PROBE(IXParam, get_UInt, (BSTR, unsigned int*)),
           OX_PROBE(IXParam, put_UInt, (BSTR, unsigned int)),
           OX_PROBE(IXParam, get_Byte, (BSTR, unsigned char*)),
           OX_PROBE(IXParam, put_Byte, (BSTR, unsigned char)),
           OX_PROBE(IXParam, get_Float, (BSTR, float*)),
           OX_PROBE(IXParam, put_Float, (BSTR, float)),
           OX_PROBE(IXParam, get_Double, (BSTR, double*)),
           OX_PROBE(IXParam, put_Double, (BSTR, double)),
           OX_PROBE(IXParam, get_Bool, (BSTR, VARIANT_BOOL*)),
           OX_PROBE(IXParam, put_Bool, (BSTR, VARIANT_BOOL)),
           OX_PROBE(IXParam, get_Pvoid, (BSTR, void**)),
           OX_PROBE(IXParam, put_Pvoid, (BSTR, void*)),
           OX_PROBE(IXParam, get_Unknown, (BSTR, IUnknown**)),
           OX_PROBE(IXParam, put_Unknown, (BSTR, IUnknown*)),
           OX_PROBE(IXParam, get_Dispatch, (BSTR, IDispatch**)),
           OX_PROBE(IXParam, put_Dispatch, (BSTR, IDispatch*)),
           OX_PROBE(IXParam, get_Bstr, (BSTR, BSTR*)),
           OX_PROBE(IXParam, put_Bstr, (BSTR, BSTR)),
           OX_PROBE(IXParam, get_Blob, (BSTR, XBLOB*)),
           OX_PROBE(IXParam, put_Blob, (BSTR, XBLOB)),
           OX_PROBE(IXParam, get_Date, (BSTR, DATE*)),
           OX_PROBE(IXParam, put_Date, (BSTR, DATE)),
           OX_PROBE(IXParam, get_Value, (BSTR, VARIANT*)),
           OX_PROBE(IXParam, put_Value, (BSTR, VARIANT*)),
           OX_PROBE(IXParam, Clone, (VARIANT_BOOL, IXParam**)),
           OX_PROBE(IXParam, Clear, ()),
           OX_PROBE(IXParam, Remove, (BSTR)),
           OX_PROBE(IXParam, CreateEnum, (IXParamEnum**)),
           OX_PROBE(IXParam, Exchange, (IXParam*)),
           OX_PROBE(IXParam, GetCppXParam, (void**)),
           OX_PROBE(IXParam, SetCppXParam, (void*)),
           OX_PROBE(IXParam, GetParent, (IXParam**)),
           OX_PROBE(IXParam, PushBackChild, (IXParam*)),
           OX_PROBE(IXParam, PushFrontChild, (IXParam*)),
           OX_PROBE(IXParam, InsertBefore, (IXParam*, IXParam*)),
           OX_PROBE(IXParam, InsertAfter, (IXParam*, IXParam*)),
           OX_PROBE(IXParam, DropChild, (IXParam*)),
           OX_PROBE(IXParam, DropSelf, ()),
           OX_PROBE(IXParam, ClearChildren, ()),
           OX_PROBE(IXParam, GetFirstChild, (IXParam**)),
           OX_PROBE(IXParam, GetFirstChildByName, (BSTR, LONG, IXParam**)),
           OX_PROBE(IXParam, GetLastChild, (IXParam**)),
           OX_PROBE(IXParam, GetLastChildByName, (BSTR, LONG, IXParam**)),
           OX_PROBE(IXParam, GetChildrenCount, (LONG*)),
           OX_PROBE(IXParam, GetPrevSibling, (IXParam**)),
           OX_PROBE(IXParam, GetPrevNamesake, (IXParam**)),
           OX_PROBE(IXParam, GetNextSibling, (IXParam**)),
           OX_PROBE(IXParam, GetNextNamesake, (IXParam**)),
           OX_PROBE(IXParam, GetName, (BSTR*)),
           OX_PROBE(IXParam, SetName, (BSTR)),
           OX_PROBE(IXParam, LockIt, ()),
           OX_PROBE(IXParam, UnlockIt, ()),
           OX_PROBE(IXParam, FromXmlString, (BSTR)),
           OX_PROBE(IXParam, ToXmlString, (BSTR, BSTR, BSTR*)),
           OX_PROBE(IXParam, FromXmlFile, (BSTR)),
           OX_PROBE(IXParam, ToXmlFile, (BSTR, BSTR, BSTR, BSTR)),
           OX_PROBE(IXParam, FromXmlMemory, (unsigned char*, ULONG)),
       }},
      {L"IXParamEnum",
       {
           OX_PROBE(IXParamEnum, GetName, (BSTR*)),
           OX_PROBE(IXParamEnum, GetValue, (VARIANT*)),
           OX_PROBE(IXParamEnum, Next, (VARIANT_BOOL*)),
           OX_PROBE(IXParamEnum, Reset, ()),
       }},
      {L"II18N",
       {
           OX_PROBE(II18N, SetLocale, (BSTR)),
           OX_PROBE(II18N, GetLocale, (BSTR*)),
           OX_PROBE(II18N, GetAllLocale, (BSTR*)),
           OX_PROBE(II18N, GetLocaleInfo, (BSTR, unsigned short*, BSTR*, BSTR*)),
           OX_PROBE(II18N, GetReader, (BSTR, II18NReader**)),
           OX_PROBE(II18N, DropReader, (BSTR)),
           OX_PROBE(II18N, CreateReaderDat, (BSTR, BSTR, II18NReader**)),
       }},
      {L"II18NReader",
       {
           OX_PROBE(II18NReader, Initialize, (BSTR)),
           OX_PROBE(II18NReader, SetLocale, (BSTR)),
           OX_PROBE(II18NReader, get_String, (BSTR, BSTR*)),
       }},
      {L"IConfigueFileManager",
       {
           OX_PROBE(IConfigueFileManager, InitFileInfoByFileName, (BSTR)),
           OX_PROBE(IConfigueFileManager, ReLoadFileInfoByFileName, (BSTR)),
           OX_PROBE(IConfigueFileManager, GetFileInfoByFileName, (BSTR, VARIANT_BOOL, IUnknown**)),
           OX_PROBE(IConfigueFileManager, DestroyFileInfoByFileName, (BSTR)),
           OX_PROBE(IConfigueFileManager, InitGlobalFileInfo, (BSTR)),
           OX_PROBE(IConfigueFileManager, GetValueFromGlobalFileInfo, (BSTR, BSTR*)),
       }},
      {L"IStringClassStorage",
       {
           OX_PROBE(IStringClassStorage, GetObjectAddress, (BSTR, LONG_PTR*)),
           OX_PROBE(IStringClassStorage, AddStringObject, (BSTR, LONG_PTR)),
           OX_PROBE(IStringClassStorage, Clear, ()),
       }},
  };
  return table;
}

// ---------------------------------------------------------------------------
// Layout facts the header must agree on with the type library.

static_assert(std::is_base_of_v<IDispatch, IOxCore> && std::is_base_of_v<IDispatch, IMsgBus> &&
                  std::is_base_of_v<IDispatch, IXParam> && std::is_base_of_v<IDispatch, IXParamEnum> &&
                  std::is_base_of_v<IDispatch, II18N> && std::is_base_of_v<IDispatch, II18NReader> &&
                  std::is_base_of_v<IDispatch, IConfigueFileManager> &&
                  std::is_base_of_v<IDispatch, IStringClassStorage>,
              "dual interfaces derive from IDispatch");
static_assert(std::is_base_of_v<ISupportWeakRef, IMsgHandler>, "a bus handler offers its weak reference");
static_assert(!std::is_base_of_v<IDispatch, IMsgHandler> && !std::is_base_of_v<IDispatch, IWeakRef> &&
                  !std::is_base_of_v<IDispatch, IApplication> && !std::is_base_of_v<IDispatch, IDynamicCallee> &&
                  !std::is_base_of_v<IDispatch, IMsgSenderNotify>,
              "custom interfaces derive from IUnknown only");

// The record crossing IXParam::Blob: a 32-bit size, then the data pointer.
static_assert(std::is_same_v<XBLOB, tagXBLOB>);
static_assert(std::is_same_v<decltype(XBLOB::cbSize), ULONG> && sizeof(XBLOB::cbSize) == 4);
static_assert(std::is_same_v<decltype(XBLOB::pData), unsigned char*>);
static_assert(offsetof(XBLOB, cbSize) == 0 && offsetof(XBLOB, pData) == sizeof(void*));
static_assert(sizeof(XBLOB) == 2 * sizeof(void*));

// IStringClassStorage hands out addresses: its integer is pointer-wide on
// every architecture.
template <class T>
struct SecondParameter;
template <class I, class A0, class A1>
struct SecondParameter<HRESULT (STDMETHODCALLTYPE I::*)(A0, A1)> {
  using type = A1;
};
using StorageAddress = SecondParameter<decltype(&IStringClassStorage::AddStringObject)>::type;
static_assert(sizeof(StorageAddress) == sizeof(void*));
static_assert(std::is_signed_v<StorageAddress>);
static_assert(std::is_same_v<SecondParameter<decltype(&IStringClassStorage::GetObjectAddress)>::type,
                             StorageAddress*>);

// The booleans of the interfaces are the 16-bit automation boolean.
static_assert(sizeof(VARIANT_BOOL) == 2);

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return out;
}

std::string TestName(const std::wstring& name) {
  std::string out;
  for (wchar_t c : name) out.push_back(iswalnum(c) ? static_cast<char>(c) : '_');
  return out;
}

// ---------------------------------------------------------------------------

class HeaderVtable : public ::testing::TestWithParam<oxtlb::ExpectedInterface> {};

TEST_P(HeaderVtable, DeclaresTheMembersInTableOrder) {
  const oxtlb::ExpectedInterface& expected = GetParam();
  const InterfaceProbes* probes = nullptr;
  for (const auto& candidate : HeaderInterfaces()) {
    if (candidate.name == expected.name) probes = &candidate;
  }
  ASSERT_NE(probes, nullptr) << "no probes for " << Narrow(expected.name);
  ASSERT_EQ(probes->members.size(), expected.members.size());
  for (size_t i = 0; i < expected.members.size(); ++i) {
    const std::wstring name = expected.members[i].CppName();
    SCOPED_TRACE(Narrow(name));
    EXPECT_EQ(Narrow(probes->members[i].name), Narrow(name));
    if (kCanProbeSlots) {
      EXPECT_EQ(probes->members[i].slot(), static_cast<int>(expected.firstSlot + i));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(OxCoreLib, HeaderVtable, ::testing::ValuesIn(oxtlb::Interfaces()),
                         [](const auto& info) { return TestName(info.param.name); });

// Identifiers: __uuidof, the IID_/CLSID_/LIBID_ symbol and the table agree.
struct Identifier {
  std::wstring name;
  GUID viaUuidof;
  GUID viaSymbol;
};

#define OX_ID(NAME, SYMBOL) \
  Identifier { L"" #NAME, __uuidof(NAME), SYMBOL }

const std::vector<Identifier>& HeaderIdentifiers() {
  static const std::vector<Identifier> table{
      OX_ID(ISupportWeakRef, IID_ISupportWeakRef),
      OX_ID(IWeakRef, IID_IWeakRef),
      OX_ID(IMsgHandler, IID_IMsgHandler),
      OX_ID(IApplication, IID_IApplication),
      OX_ID(IDynamicCallee, IID_IDynamicCallee),
      OX_ID(IOxCore, IID_IOxCore),
      OX_ID(IMsgBus, IID_IMsgBus),
      OX_ID(IXParam, IID_IXParam),
      OX_ID(IXParamEnum, IID_IXParamEnum),
      OX_ID(II18N, IID_II18N),
      OX_ID(II18NReader, IID_II18NReader),
      OX_ID(IConfigueFileManager, IID_IConfigueFileManager),
      OX_ID(IStringClassStorage, IID_IStringClassStorage),
      OX_ID(ConfigueFileManager, CLSID_ConfigueFileManager),
      OX_ID(I18NReader, CLSID_I18NReader),
      OX_ID(OxCore, CLSID_OxCore),
      OX_ID(MsgBus, CLSID_MsgBus),
      OX_ID(XParam, CLSID_XParam),
      OX_ID(StringClassStorage, CLSID_StringClassStorage),
      OX_ID(XParamEnum, CLSID_XParamEnum),
      OX_ID(I18N, CLSID_I18N),
  };
  return table;
}

TEST(HeaderIdentifiers, EveryInterfaceAndCoClassIsDeclaredOnce) {
  EXPECT_EQ(HeaderIdentifiers().size(), oxtlb::Interfaces().size() + oxtlb::CoClasses().size());
}

TEST(HeaderIdentifiers, MatchTheTables) {
  for (const Identifier& id : HeaderIdentifiers()) {
    SCOPED_TRACE(Narrow(id.name));
    std::wstring expected;
    for (const auto& i : oxtlb::Interfaces()) {
      if (i.name == id.name) expected = i.iid;
    }
    for (const auto& c : oxtlb::CoClasses()) {
      if (c.name == id.name) expected = c.clsid;
    }
    ASSERT_FALSE(expected.empty()) << "not in the tables";
    EXPECT_EQ(Narrow(oxtlb::GuidText(id.viaUuidof)), Narrow(expected));
    EXPECT_EQ(Narrow(oxtlb::GuidText(id.viaSymbol)), Narrow(expected));
  }
}

TEST(HeaderIdentifiers, LibidMatchesTheTable) {
  EXPECT_EQ(Narrow(oxtlb::GuidText(LIBID_OxCoreLib)), Narrow(oxtlb::Library().libid));
}

// IMsgSenderNotify lives outside the library, declared by hand.
TEST(MsgSenderNotifyHeader, HasItsIdentifier) {
  EXPECT_EQ(oxtlb::GuidText(__uuidof(IMsgSenderNotify)), L"{AE6FC0A0-551D-46D6-A6E0-EDCC8EAD5770}");
  EXPECT_TRUE(IsEqualIID(__uuidof(IMsgSenderNotify), IID_IMsgSenderNotify));
}

TEST(MsgSenderNotifyHeader, DeclaresOnMsgDispatchedAfterIUnknown) {
  const Probe probe =
      OX_PROBE(IMsgSenderNotify, OnMsgDispatched, (BSTR, IUnknown*, LONG, LONG, VARIANT_BOOL));
  static_assert(sizeof(LONG) == 4, "the counts are 32-bit");
  if (!kCanProbeSlots) GTEST_SKIP() << "slots are probed on 64-bit builds";
  EXPECT_EQ(probe.slot(), 3);
}

}  // namespace
