// The XParam COM object and its enumerator, reached the way components
// reach them: OxCore.dll's core creates them after Init bound xparam.dll.
#include <windows.h>
#include <oleauto.h>
#include <psapi.h>

#include <cmath>
#include <functional>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "OxCoreLib.h"
#include "XParamTestSupport.h"

namespace {

using xpotest::Bstr;

class XParamObjectTest : public xpotest::XParamSuite {
 protected:
  void SetUp() override { x_ = Make(); }
  void TearDown() override {
    if (x_) x_->Release();
  }

  IXParam* x_ = nullptr;
};

TEST_F(XParamObjectTest, TypedPropertiesRoundTripAndOverwriteTheFirstNamesake) {
  struct Case {
    const char* kind;
    std::function<HRESULT(IXParam*, BSTR)> put;
    std::function<bool(IXParam*, BSTR)> getMatches;
  };
  const Case cases[] = {
      {"Char", [](IXParam* x, BSTR n) { return x->put_Char(n, -5); },
       [](IXParam* x, BSTR n) { signed char v = 0; return x->get_Char(n, &v) == S_OK && v == -5; }},
      {"UChar", [](IXParam* x, BSTR n) { return x->put_UChar(n, 250); },
       [](IXParam* x, BSTR n) { unsigned char v = 0; return x->get_UChar(n, &v) == S_OK && v == 250; }},
      {"Short", [](IXParam* x, BSTR n) { return x->put_Short(n, -30000); },
       [](IXParam* x, BSTR n) { short v = 0; return x->get_Short(n, &v) == S_OK && v == -30000; }},
      {"UShort", [](IXParam* x, BSTR n) { return x->put_UShort(n, 65000); },
       [](IXParam* x, BSTR n) { unsigned short v = 0; return x->get_UShort(n, &v) == S_OK && v == 65000; }},
      {"Long", [](IXParam* x, BSTR n) { return x->put_Long(n, -2000000000L); },
       [](IXParam* x, BSTR n) { LONG v = 0; return x->get_Long(n, &v) == S_OK && v == -2000000000L; }},
      {"ULong", [](IXParam* x, BSTR n) { return x->put_ULong(n, 4000000000UL); },
       [](IXParam* x, BSTR n) { ULONG v = 0; return x->get_ULong(n, &v) == S_OK && v == 4000000000UL; }},
      {"LongLong", [](IXParam* x, BSTR n) { return x->put_LongLong(n, -(1LL << 60)); },
       [](IXParam* x, BSTR n) { LONGLONG v = 0; return x->get_LongLong(n, &v) == S_OK && v == -(1LL << 60); }},
      {"ULongLong", [](IXParam* x, BSTR n) { return x->put_ULongLong(n, ~0ULL); },
       [](IXParam* x, BSTR n) { ULONGLONG v = 0; return x->get_ULongLong(n, &v) == S_OK && v == ~0ULL; }},
      {"Int", [](IXParam* x, BSTR n) { return x->put_Int(n, -7); },
       [](IXParam* x, BSTR n) { int v = 0; return x->get_Int(n, &v) == S_OK && v == -7; }},
      {"UInt", [](IXParam* x, BSTR n) { return x->put_UInt(n, 7u); },
       [](IXParam* x, BSTR n) { unsigned v = 0; return x->get_UInt(n, &v) == S_OK && v == 7u; }},
      {"Byte", [](IXParam* x, BSTR n) { return x->put_Byte(n, 0x80); },
       [](IXParam* x, BSTR n) { unsigned char v = 0; return x->get_UChar(n, &v) == S_OK && v == 0x80; }},
      {"Float", [](IXParam* x, BSTR n) { return x->put_Float(n, 1.5f); },
       [](IXParam* x, BSTR n) { float v = 0; return x->get_Float(n, &v) == S_OK && v == 1.5f; }},
      {"Double", [](IXParam* x, BSTR n) { return x->put_Double(n, 0.1); },
       [](IXParam* x, BSTR n) { double v = 0; return x->get_Double(n, &v) == S_OK && v == 0.1; }},
      {"Date", [](IXParam* x, BSTR n) { return x->put_Date(n, 45000.25); },
       [](IXParam* x, BSTR n) { double v = 0; return x->get_Double(n, &v) == S_OK && v == 45000.25; }},
      {"Bool", [](IXParam* x, BSTR n) { return x->put_Bool(n, 1); },
       [](IXParam* x, BSTR n) { VARIANT_BOOL v = 0; return x->get_Bool(n, &v) == S_OK && v == VARIANT_TRUE; }},
      {"Pvoid", [](IXParam* x, BSTR n) { return x->put_Pvoid(n, reinterpret_cast<void*>(0x1234)); },
       [](IXParam* x, BSTR n) { void* v = nullptr; return x->get_Pvoid(n, &v) == S_OK && v == reinterpret_cast<void*>(0x1234); }},
  };
  Bstr name(L"item");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    IXParam* x = Make();
    ASSERT_EQ(S_OK, c.put(x, name));
    EXPECT_TRUE(c.getMatches(x, name));
    ASSERT_EQ(S_OK, c.put(x, name));
    EXPECT_EQ(1, Count(x)) << "a second put must overwrite, not add";
    // The empty name addresses the node itself.
    ASSERT_EQ(S_OK, c.put(x, nullptr));
    EXPECT_TRUE(c.getMatches(x, nullptr));
    EXPECT_EQ(1, Count(x));
    x->Release();
  }
}

TEST_F(XParamObjectTest, GetsNeverCreateAndReportMismatches) {
  Bstr missing(L"missing"), text(L"text"), value(L"abc");
  LONG v = 0;
  EXPECT_EQ(E_FAIL, x_->get_Long(missing, &v));
  EXPECT_EQ(0, Count(x_));
  EXPECT_EQ(E_POINTER, x_->get_Long(missing, nullptr));
  ASSERT_EQ(S_OK, x_->put_Bstr(text, value));
  EXPECT_EQ(static_cast<HRESULT>(DISP_E_TYPEMISMATCH), x_->get_Long(text, &v));
  Bstr number(L"42");
  ASSERT_EQ(S_OK, x_->put_Bstr(text, number));
  EXPECT_EQ(S_OK, x_->get_Long(text, &v));
  EXPECT_EQ(42, v);
}

TEST_F(XParamObjectTest, BstrKeepsEmbeddedNulsAndNullStoresEmpty) {
  Bstr name(L"s");
  const wchar_t raw[] = {L'a', 0, L'b'};
  Bstr withNul(raw, 3);
  ASSERT_EQ(S_OK, x_->put_Bstr(name, withNul));
  Bstr out;
  ASSERT_EQ(S_OK, x_->get_Bstr(name, out.Out()));
  EXPECT_EQ(std::wstring(raw, 3), out.Str());
  ASSERT_EQ(S_OK, x_->put_Bstr(name, nullptr));
  ASSERT_EQ(S_OK, x_->get_Bstr(name, out.Out()));
  EXPECT_EQ(0u, SysStringLen(out));
  // The typed properties count the name's full length, NULs included.
  const wchar_t rawName[] = {L'k', 0, L'x'};
  Bstr longName(rawName, 3), shortName(L"k");
  ASSERT_EQ(S_OK, x_->put_Long(longName, 1));
  LONG v = 0;
  EXPECT_EQ(E_FAIL, x_->get_Long(shortName, &v));
}

TEST_F(XParamObjectTest, BlobAnswersSizeQueriesAndPartialCopies) {
  Bstr name(L"b");
  unsigned char data[] = {1, 2, 3, 4, 5};
  XBLOB in{5, data};
  ASSERT_EQ(S_OK, x_->put_Blob(name, in));
  XBLOB query{0, nullptr};
  ASSERT_EQ(S_OK, x_->get_Blob(name, &query));
  EXPECT_EQ(5u, query.cbSize);
  unsigned char buf[3] = {};
  XBLOB part{3, buf};
  ASSERT_EQ(S_OK, x_->get_Blob(name, &part));
  EXPECT_EQ(3u, part.cbSize);
  EXPECT_EQ(3, buf[2]);
  unsigned char big[8] = {};
  XBLOB whole{8, big};
  ASSERT_EQ(S_OK, x_->get_Blob(name, &whole));
  EXPECT_EQ(5u, whole.cbSize);
  EXPECT_EQ(5, big[4]);
  XBLOB noBuffer{4, nullptr};
  EXPECT_EQ(E_INVALIDARG, x_->get_Blob(name, &noBuffer));
  EXPECT_EQ(E_POINTER, x_->get_Blob(name, nullptr));
  Bstr other(L"other");
  EXPECT_EQ(E_INVALIDARG, x_->put_Blob(other, XBLOB{4, nullptr}));
  EXPECT_EQ(1, Count(x_)) << "a refused blob creates nothing";
  LONG v = 0;
  EXPECT_EQ(static_cast<HRESULT>(DISP_E_TYPEMISMATCH), x_->get_Long(name, &v));
}

TEST_F(XParamObjectTest, ValueRoundTripsEveryAcceptedType) {
  struct Case {
    const char* name;
    std::function<void(VARIANT*)> fill;
    VARTYPE readBack;
    std::function<bool(const VARIANT&)> check;
  };
  static unsigned char bytes[] = {9, 8, 7};
  const Case cases[] = {
      {"EMPTY", [](VARIANT*) {}, VT_EMPTY, [](const VARIANT&) { return true; }},
      {"I1", [](VARIANT* v) { v->vt = VT_I1; v->cVal = -3; }, VT_I1, [](const VARIANT& v) { return v.cVal == -3; }},
      {"UI1", [](VARIANT* v) { v->vt = VT_UI1; v->bVal = 200; }, VT_UI1, [](const VARIANT& v) { return v.bVal == 200; }},
      {"I2", [](VARIANT* v) { v->vt = VT_I2; v->iVal = -300; }, VT_I2, [](const VARIANT& v) { return v.iVal == -300; }},
      {"UI2", [](VARIANT* v) { v->vt = VT_UI2; v->uiVal = 60000; }, VT_UI2, [](const VARIANT& v) { return v.uiVal == 60000; }},
      {"I4", [](VARIANT* v) { v->vt = VT_I4; v->lVal = -70000; }, VT_I4, [](const VARIANT& v) { return v.lVal == -70000; }},
      {"ERROR", [](VARIANT* v) { v->vt = VT_ERROR; v->scode = E_FAIL; }, VT_I4, [](const VARIANT& v) { return v.lVal == E_FAIL; }},
      {"UI4", [](VARIANT* v) { v->vt = VT_UI4; v->ulVal = 3000000000u; }, VT_UI4, [](const VARIANT& v) { return v.ulVal == 3000000000u; }},
      {"I8", [](VARIANT* v) { v->vt = VT_I8; v->llVal = -(1LL << 40); }, VT_I8, [](const VARIANT& v) { return v.llVal == -(1LL << 40); }},
      {"CY", [](VARIANT* v) { v->vt = VT_CY; v->cyVal.int64 = 12345; }, VT_I8, [](const VARIANT& v) { return v.llVal == 12345; }},
      {"UI8", [](VARIANT* v) { v->vt = VT_UI8; v->ullVal = 1ULL << 63; }, VT_UI8, [](const VARIANT& v) { return v.ullVal == 1ULL << 63; }},
      {"INT", [](VARIANT* v) { v->vt = VT_INT; v->intVal = -9; }, VT_INT, [](const VARIANT& v) { return v.intVal == -9; }},
      {"UINT", [](VARIANT* v) { v->vt = VT_UINT; v->uintVal = 9; }, VT_UINT, [](const VARIANT& v) { return v.uintVal == 9u; }},
      {"R4", [](VARIANT* v) { v->vt = VT_R4; v->fltVal = 2.5f; }, VT_R4, [](const VARIANT& v) { return v.fltVal == 2.5f; }},
      {"R8", [](VARIANT* v) { v->vt = VT_R8; v->dblVal = 1e300; }, VT_R8, [](const VARIANT& v) { return v.dblVal == 1e300; }},
      {"DATE", [](VARIANT* v) { v->vt = VT_DATE; v->date = 40000.5; }, VT_R8, [](const VARIANT& v) { return v.dblVal == 40000.5; }},
      {"BOOL", [](VARIANT* v) { v->vt = VT_BOOL; v->boolVal = 1; }, VT_BOOL, [](const VARIANT& v) { return v.boolVal == VARIANT_TRUE; }},
      {"BSTR", [](VARIANT* v) { v->vt = VT_BSTR; v->bstrVal = SysAllocString(L"hi"); }, VT_BSTR,
       [](const VARIANT& v) { return std::wstring(v.bstrVal) == L"hi"; }},
      {"BYREF", [](VARIANT* v) { v->vt = VT_BYREF; v->byref = bytes; }, VT_BYREF, [](const VARIANT& v) { return v.byref == bytes; }},
      {"UI1 array", [](VARIANT* v) {
         SAFEARRAYBOUND bound{3, 5};  // the lower bound is ignored
         v->parray = SafeArrayCreate(VT_UI1, 1, &bound);
         void* d = nullptr;
         SafeArrayAccessData(v->parray, &d);
         memcpy(d, bytes, 3);
         SafeArrayUnaccessData(v->parray);
         v->vt = VT_ARRAY | VT_UI1;
       }, VT_ARRAY | VT_UI1, [](const VARIANT& v) {
         LONG lower = -1;
         SafeArrayGetLBound(v.parray, 1, &lower);
         return lower == 0 && v.parray->rgsabound[0].cElements == 3 && memcmp(v.parray->pvData, bytes, 3) == 0;
       }},
  };
  Bstr name(L"v");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    VARIANT in;
    VariantInit(&in);
    c.fill(&in);
    ASSERT_EQ(S_OK, x_->put_Value(name, &in));
    VariantClear(&in);
    VARIANT out;
    VariantInit(&out);
    ASSERT_EQ(S_OK, x_->get_Value(name, &out));
    EXPECT_EQ(c.readBack, out.vt);
    EXPECT_TRUE(c.check(out));
    VariantClear(&out);
  }
  EXPECT_EQ(1, Count(x_));
}

TEST_F(XParamObjectTest, ValueRefusesOtherTypesBeforeCreatingAnything) {
  LONG i4 = 1;
  VARIANT inner;
  VariantInit(&inner);
  SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
  SAFEARRAY* twoDims = SafeArrayCreate(VT_UI1, 2, bounds);
  SAFEARRAYBOUND one{2, 0};
  SAFEARRAY* longs = SafeArrayCreate(VT_I4, 1, &one);
  struct Case {
    const char* name;
    VARTYPE vt;
    void* data;
  };
  const Case cases[] = {
      {"NULL", VT_NULL, nullptr},           {"DECIMAL", VT_DECIMAL, nullptr},
      {"RECORD", VT_RECORD, nullptr},       {"VARIANT byref", VT_VARIANT | VT_BYREF, &inner},
      {"I4 byref", VT_I4 | VT_BYREF, &i4},  {"I4 array", VT_ARRAY | VT_I4, longs},
      {"UI1 array 2D", VT_ARRAY | VT_UI1, twoDims},
  };
  Bstr name(L"refused");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    VARIANT v;
    VariantInit(&v);
    v.vt = c.vt;
    v.byref = c.data;
    EXPECT_EQ(static_cast<HRESULT>(DISP_E_TYPEMISMATCH), x_->put_Value(name, &v));
    EXPECT_EQ(0, Count(x_));
  }
  SafeArrayDestroy(twoDims);
  SafeArrayDestroy(longs);

  VARIANT filled;
  VariantInit(&filled);
  filled.vt = VT_I4;
  EXPECT_EQ(E_INVALIDARG, x_->get_Value(nullptr, &filled));
  EXPECT_EQ(E_POINTER, x_->get_Value(nullptr, nullptr));
  EXPECT_EQ(E_POINTER, x_->put_Value(name, nullptr));
}

// Builds children named by the letters of names ("aba": a, b, a).
void AddChildren(IXParam* x, const wchar_t* names) {
  for (const wchar_t* p = names; *p; ++p) {
    IXParam* child = nullptr;
    ASSERT_EQ(S_OK, x->Clone(VARIANT_FALSE, &child));
    Bstr n(std::wstring(1, *p).c_str());
    child->SetName(n);
    child->put_Long(nullptr, static_cast<LONG>(p - names));
    ASSERT_EQ(S_OK, x->PushBackChild(child));
    child->Release();
  }
}

TEST_F(XParamObjectTest, NavigationHandsOutNewHandlesAndStopsAtTheEnds) {
  AddChildren(x_, L"aba");
  IXParam* first = nullptr;
  ASSERT_EQ(S_OK, x_->GetFirstChild(&first));
  EXPECT_EQ(L"a", Name(first));
  IXParam* prev = nullptr;
  EXPECT_EQ(S_FALSE, first->GetPrevSibling(&prev));
  EXPECT_EQ(nullptr, prev);
  IXParam* namesake = nullptr;
  ASSERT_EQ(S_OK, first->GetNextNamesake(&namesake));
  LONG v = -1;
  namesake->get_Long(nullptr, &v);
  EXPECT_EQ(2, v);
  IXParam* next = nullptr;
  EXPECT_EQ(S_FALSE, namesake->GetNextSibling(&next));
  EXPECT_EQ(nullptr, next);
  IXParam* parent = nullptr;
  ASSERT_EQ(S_OK, namesake->GetParent(&parent));
  EXPECT_EQ(3, Count(parent));
  IXParam* filled = first;
  EXPECT_EQ(E_INVALIDARG, x_->GetFirstChild(&filled));
  EXPECT_EQ(E_POINTER, x_->GetFirstChild(nullptr));
  for (IXParam* p : {first, namesake, parent}) p->Release();

  Bstr a(L"a");
  struct ByName {
    bool fromFirst;
    LONG offset;
    HRESULT hr;
    LONG value;
  };
  for (const ByName& c : {ByName{true, 0, S_OK, 0}, ByName{true, 1, S_OK, 2}, ByName{true, 2, S_FALSE, -1},
                          ByName{false, 0, S_OK, 2}, ByName{false, 1, S_OK, 0}}) {
    IXParam* found = nullptr;
    HRESULT hr = c.fromFirst ? x_->GetFirstChildByName(a, c.offset, &found) : x_->GetLastChildByName(a, c.offset, &found);
    EXPECT_EQ(c.hr, hr) << c.fromFirst << " " << c.offset;
    if (found) {
      LONG got = -1;
      found->get_Long(nullptr, &got);
      EXPECT_EQ(c.value, got);
      found->Release();
    }
  }
}

TEST_F(XParamObjectTest, RemoveDropsEveryNamesakeWhereverItStands) {
  for (const wchar_t* layout : {L"xab", L"axb", L"abx", L"xaxbx", L"abc"}) {
    IXParam* x = Make();
    AddChildren(x, layout);
    Bstr name(L"x");
    EXPECT_EQ(S_OK, x->Remove(name));
    LONG expected = 0;
    for (const wchar_t* p = layout; *p; ++p) expected += *p != L'x';
    EXPECT_EQ(expected, Count(x)) << layout;
    IXParam* left = nullptr;
    EXPECT_EQ(S_FALSE, x->GetFirstChildByName(name, 0, &left));
    x->Release();
  }
}

TEST_F(XParamObjectTest, TreeEditsLinkTheArgumentsOwnNodes) {
  IXParam* child = Make();
  Bstr c(L"c");
  child->SetName(c);
  ASSERT_EQ(S_OK, x_->PushBackChild(child));
  Bstr k(L"k");
  child->put_Long(k, 5);  // changes through the handle show in the tree
  IXParam* found = nullptr;
  ASSERT_EQ(S_OK, x_->GetFirstChildByName(c, 0, &found));
  LONG v = 0;
  EXPECT_EQ(S_OK, found->get_Long(k, &v));
  EXPECT_EQ(5, v);
  found->Release();

  IXParam* front = Make();
  ASSERT_EQ(S_OK, x_->InsertBefore(child, front));
  IXParam* first = nullptr;
  ASSERT_EQ(S_OK, x_->GetFirstChild(&first));
  EXPECT_EQ(L"", Name(first));
  first->Release();
  EXPECT_EQ(E_POINTER, x_->InsertBefore(nullptr, front));
  EXPECT_EQ(E_POINTER, x_->InsertAfter(child, nullptr));
  EXPECT_EQ(E_POINTER, x_->PushBackChild(nullptr));
  EXPECT_EQ(E_POINTER, x_->DropChild(nullptr));
  ASSERT_EQ(S_OK, x_->DropChild(front));
  EXPECT_EQ(1, Count(x_));
  // A node cannot become its own child.
  EXPECT_EQ(E_FAIL, child->PushBackChild(x_));
  ASSERT_EQ(S_OK, child->DropSelf());
  EXPECT_EQ(0, Count(x_));
  front->Release();
  child->Release();
}

TEST_F(XParamObjectTest, CloneCopiesOrStartsEmptyAndExchangeSwapsTrees) {
  AddChildren(x_, L"ab");
  IXParam* copy = nullptr;
  ASSERT_EQ(S_OK, x_->Clone(VARIANT_TRUE, &copy));
  EXPECT_EQ(2, Count(copy));
  copy->Clear();
  EXPECT_EQ(2, Count(x_)) << "a copy is independent";
  IXParam* empty = nullptr;
  ASSERT_EQ(S_OK, x_->Clone(VARIANT_FALSE, &empty));
  EXPECT_EQ(0, Count(empty));
  EXPECT_EQ(L"", Name(empty));
  EXPECT_EQ(E_INVALIDARG, x_->Clone(VARIANT_TRUE, &empty));

  AddChildren(empty, L"xyz");
  ASSERT_EQ(S_OK, x_->Exchange(empty));
  EXPECT_EQ(3, Count(x_));
  EXPECT_EQ(2, Count(empty));
  EXPECT_EQ(E_POINTER, x_->Exchange(nullptr));
  copy->Release();
  empty->Release();
}

TEST_F(XParamObjectTest, XmlRoundTripKeepsEveryKindAndAnUnnamedNodeStaysUnnamed) {
  Bstr c(L"c"), s(L"s"), b(L"b"), d(L"d"), bl(L"bl"), u(L"u"), text(L"x < y & \"z\"");
  x_->put_Char(c, -1);
  x_->put_Bstr(s, text);
  x_->put_Bool(b, VARIANT_TRUE);
  x_->put_Double(d, 0.1);
  unsigned char bytes[] = {0, 255, 10};
  x_->put_Blob(bl, XBLOB{3, bytes});
  x_->put_ULongLong(u, ~0ULL);
  Bstr xml;
  ASSERT_EQ(S_OK, x_->ToXmlString(nullptr, nullptr, xml.Out()));
  EXPECT_NE(std::wstring::npos, xml.Str().find(L"<xparam")) << xml.Str();
  EXPECT_EQ(L"", Name(x_));
  Bstr filled(L"x");
  BSTR slot = filled;
  EXPECT_EQ(E_INVALIDARG, x_->ToXmlString(nullptr, nullptr, &slot));

  IXParam* back = Make();
  ASSERT_EQ(S_OK, back->FromXmlString(xml));
  EXPECT_EQ(L"xparam", Name(back));
  signed char cv = 0;
  EXPECT_EQ(S_OK, back->get_Char(c, &cv));
  EXPECT_EQ(-1, cv);
  Bstr sv;
  EXPECT_EQ(S_OK, back->get_Bstr(s, sv.Out()));
  EXPECT_EQ(text.Str(), sv.Str());
  VARIANT_BOOL bv = 0;
  EXPECT_EQ(S_OK, back->get_Bool(b, &bv));
  EXPECT_EQ(VARIANT_TRUE, bv);
  double dv = 0;
  EXPECT_EQ(S_OK, back->get_Double(d, &dv));
  EXPECT_EQ(0.1, dv);
  unsigned char got[3] = {};
  XBLOB blob{3, got};
  EXPECT_EQ(S_OK, back->get_Blob(bl, &blob));
  EXPECT_EQ(0, memcmp(got, bytes, 3));
  ULONGLONG uv = 0;
  EXPECT_EQ(S_OK, back->get_ULongLong(u, &uv));
  EXPECT_EQ(~0ULL, uv);
  VARIANT typed;
  VariantInit(&typed);
  EXPECT_EQ(S_OK, back->get_Value(u, &typed));
  EXPECT_EQ(VT_UI8, typed.vt);

  // Malformed text keeps the previous tree.
  for (const wchar_t* bad : {L"<a><b></a>", L"", L"<a>", L"not xml"}) {
    Bstr badXml(bad);
    EXPECT_EQ(E_FAIL, back->FromXmlString(badXml)) << bad;
    EXPECT_EQ(6, Count(back));
  }
  EXPECT_EQ(E_POINTER, back->FromXmlString(nullptr));
  EXPECT_EQ(E_POINTER, back->FromXmlMemory(nullptr, 4));
  unsigned char mem[] = "<r><k>1</k></r>";
  EXPECT_EQ(E_POINTER, back->FromXmlMemory(mem, 0));
  ASSERT_EQ(S_OK, back->FromXmlMemory(mem, sizeof mem - 1));
  EXPECT_EQ(1, Count(back));
  back->Release();
}

TEST_F(XParamObjectTest, XmlFilesRoundTripAndAFailedWriteIsReported) {
  wchar_t dir[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  std::wstring path = std::wstring(dir) + L"oxtest_xparam_" + std::to_wstring(GetCurrentProcessId()) + L".xml";
  Bstr file(path.c_str()), tab(L"\t"), crlf(L"\r\n"), utf8(L"utf-8"), name(L"n"), bogus(L"ebcdic");
  x_->put_Long(name, 77);
  ASSERT_EQ(S_OK, x_->ToXmlFile(file, tab, crlf, utf8));
  IXParam* back = Make();
  ASSERT_EQ(S_OK, back->FromXmlFile(file));
  LONG v = 0;
  EXPECT_EQ(S_OK, back->get_Long(name, &v));
  EXPECT_EQ(77, v);
  EXPECT_EQ(E_FAIL, x_->ToXmlFile(file, tab, crlf, bogus));
  Bstr nowhere(L"Z:\\no\\such\\dir\\file.xml");
  EXPECT_EQ(E_FAIL, x_->ToXmlFile(nowhere, tab, crlf, utf8));
  EXPECT_EQ(E_FAIL, back->FromXmlFile(nowhere));
  EXPECT_EQ(1, Count(back));
  back->Release();
  DeleteFileW(path.c_str());
}

TEST_F(XParamObjectTest, EnumeratorWalksResetsAndHoldsTheLock) {
  AddChildren(x_, L"aba");
  IXParamEnum* e = nullptr;
  ASSERT_EQ(S_OK, x_->CreateEnum(&e));
  Bstr name;
  EXPECT_EQ(E_FAIL, e->GetName(name.Out()));
  std::wstring seen;
  VARIANT_BOOL eof = 0;
  while (e->Next(&eof) == S_OK) {
    EXPECT_EQ(VARIANT_FALSE, eof);
    ASSERT_EQ(S_OK, e->GetName(name.Out()));
    seen += name.Str();
    VARIANT v;
    VariantInit(&v);
    ASSERT_EQ(S_OK, e->GetValue(&v));
    EXPECT_EQ(VT_I4, v.vt);
    EXPECT_EQ(E_INVALIDARG, e->GetValue(&v));
  }
  EXPECT_EQ(L"aba", seen);
  EXPECT_EQ(VARIANT_TRUE, eof);
  EXPECT_EQ(S_FALSE, e->Next(&eof));
  ASSERT_EQ(S_OK, e->GetName(name.Out()));
  EXPECT_EQ(L"a", name.Str()) << "the cursor stays on the last child";
  ASSERT_EQ(S_OK, e->Reset());
  EXPECT_EQ(E_FAIL, e->GetName(name.Out()));
  ASSERT_EQ(S_OK, e->Next(&eof));
  ASSERT_EQ(S_OK, e->GetName(name.Out()));
  EXPECT_EQ(L"a", name.Str());

  // Another thread's LockIt waits until the enumerator is released.
  HANDLE locked = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  IXParam* x = x_;
  std::thread other([x, locked] {
    x->LockIt();
    SetEvent(locked);
    x->UnlockIt();
  });
  EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(locked, 200));
  x_->LockIt();  // the owning thread may still take the lock
  x_->UnlockIt();
  e->Release();
  EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(locked, 10000));
  other.join();
  CloseHandle(locked);

  IXParam* empty = Make();
  ASSERT_EQ(S_OK, empty->CreateEnum(&e));
  EXPECT_EQ(S_FALSE, e->Next(&eof));
  EXPECT_EQ(VARIANT_TRUE, eof);
  EXPECT_EQ(E_POINTER, e->Next(nullptr));
  e->Release();
  empty->Release();
  EXPECT_EQ(E_POINTER, x_->CreateEnum(nullptr));
}

TEST_F(XParamObjectTest, ClassTableServesBothClasses) {
  IClassFactory* f = nullptr;
  ASSERT_EQ(S_OK, getClass_(CLSID_XParam, IID_IClassFactory, reinterpret_cast<void**>(&f)));
  IXParam* x = nullptr;
  ASSERT_EQ(S_OK, f->CreateInstance(nullptr, IID_IXParam, reinterpret_cast<void**>(&x)));
  EXPECT_EQ(0, Count(x));
  void* p = nullptr;
  EXPECT_EQ(CLASS_E_NOAGGREGATION, f->CreateInstance(reinterpret_cast<IUnknown*>(x), IID_IXParam, &p));
  x->Release();
  f->Release();

  ASSERT_EQ(S_OK, getClass_(CLSID_XParamEnum, IID_IClassFactory, reinterpret_cast<void**>(&f)));
  IXParamEnum* e = nullptr;
  ASSERT_EQ(S_OK, f->CreateInstance(nullptr, IID_IXParamEnum, reinterpret_cast<void**>(&e)));
  VARIANT_BOOL eof = 0;
  EXPECT_EQ(E_FAIL, e->Next(&eof)) << "an enumerator without a target";
  e->Release();
  f->Release();
}

TEST_F(XParamObjectTest, LateBoundCallersReachPropertiesAndMethods) {
  Bstr name(L"n");
  x_->put_Long(name, 31);
  IDispatch* d = nullptr;
  ASSERT_EQ(S_OK, x_->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&d)));
  wchar_t longName[] = L"Long";
  LPOLESTR names[] = {longName};
  DISPID id = 0;
  ASSERT_EQ(S_OK, d->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
  EXPECT_EQ(5, id);
  VARIANTARG arg;
  VariantInit(&arg);
  arg.vt = VT_BSTR;
  arg.bstrVal = name;
  DISPPARAMS params{&arg, nullptr, 1, 0};
  VARIANT result;
  VariantInit(&result);
  ASSERT_EQ(S_OK, d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &params, &result, nullptr, nullptr));
  EXPECT_EQ(VT_I4, result.vt);
  EXPECT_EQ(31, result.lVal);

  wchar_t method[] = L"GetChildrenCount";
  names[0] = method;
  ASSERT_EQ(S_OK, d->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
  EXPECT_EQ(114, id);
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  VariantInit(&result);
  ASSERT_EQ(S_OK, d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, &result, nullptr, nullptr));
  EXPECT_EQ(VT_I4, result.vt);
  EXPECT_EQ(1, result.lVal);
  d->Release();
}

TEST_F(XParamObjectTest, RepeatedRoundTripsDoNotLeak) {
  auto usage = [] {
    PROCESS_MEMORY_COUNTERS_EX pmc{};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc);
    return pmc.PrivateUsage;
  };
  Bstr s(L"s"), v(L"value"), a(L"a");
  unsigned char bytes[64] = {};
  auto round = [&] {
    x_->put_Bstr(s, v);
    Bstr out;
    x_->get_Bstr(s, out.Out());
    VARIANT var;
    VariantInit(&var);
    x_->put_Blob(a, XBLOB{64, bytes});
    x_->get_Value(a, &var);
    VariantClear(&var);
    IXParam* child = nullptr;
    x_->GetFirstChild(&child);
    if (child) child->Release();
    Bstr xml;
    x_->ToXmlString(nullptr, nullptr, xml.Out());
  };
  for (int i = 0; i < 2000; ++i) round();  // warm up the allocators
  SIZE_T before = usage();
  for (int i = 0; i < 200000; ++i) round();  // over a million property round trips
  SIZE_T after = usage();
  EXPECT_LT(after, before + 4 * 1024 * 1024) << "grew by " << (after - before) << " bytes";
}

}  // namespace
