// Trees and their XML: every kind of value through its XML text, failed
// reads and writes that change nothing, navigation that runs past the ends,
// and Value puts refused before anything is created.
#include <windows.h>
#include <oleauto.h>

#include <cstring>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "XParamTestSupport.h"

namespace {

using xpotest::Bstr;

class XParamTreeXmlTest : public xpotest::XParamSuite {};

// Same type and same value (strings and byte arrays by content).
bool SameValue(const VARIANT& a, const VARIANT& b) {
  if (a.vt != b.vt) return false;
  switch (a.vt) {
    case VT_EMPTY: return true;
    case VT_I1: case VT_UI1: return a.bVal == b.bVal;
    case VT_I2: case VT_UI2: case VT_BOOL: return a.uiVal == b.uiVal;
    case VT_I4: case VT_UI4: case VT_INT: case VT_UINT: case VT_R4: return a.ulVal == b.ulVal;
    case VT_I8: case VT_UI8: case VT_R8: return a.ullVal == b.ullVal;
    case VT_BYREF: return a.byref == b.byref;
    case VT_BSTR:
      return SysStringLen(a.bstrVal) == SysStringLen(b.bstrVal) &&
             std::memcmp(a.bstrVal, b.bstrVal, SysStringByteLen(a.bstrVal)) == 0;
    case VT_ARRAY | VT_UI1:
      return a.parray->rgsabound[0].cElements == b.parray->rgsabound[0].cElements &&
             std::memcmp(a.parray->pvData, b.parray->pvData, a.parray->rgsabound[0].cElements) == 0;
    default: return false;
  }
}

VARIANT Bytes(std::initializer_list<unsigned char> bytes) {
  VARIANT v;
  VariantInit(&v);
  v.parray = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
  if (bytes.size()) std::memcpy(v.parray->pvData, bytes.begin(), bytes.size());
  v.vt = VT_ARRAY | VT_UI1;
  return v;
}

VARIANT Text(const wchar_t* s, UINT n) {
  VARIANT v;
  VariantInit(&v);
  v.bstrVal = SysAllocStringLen(s, n);
  v.vt = VT_BSTR;
  return v;
}

template <class F>
VARIANT Of(VARTYPE vt, F fill) {
  VARIANT v;
  VariantInit(&v);
  fill(&v);
  v.vt = vt;
  return v;
}

TEST_F(XParamTreeXmlTest, EveryKindRoundTripsThroughXmlText) {
  static int marker;
  struct Case {
    const wchar_t* name;
    VARIANT value;  // what is put, and what must come back
  };
  Case cases[] = {
      {L"empty", Of(VT_EMPTY, [](VARIANT*) {})},
      {L"char", Of(VT_I1, [](VARIANT* v) { v->cVal = -128; })},
      {L"uchar", Of(VT_UI1, [](VARIANT* v) { v->bVal = 255; })},
      {L"short", Of(VT_I2, [](VARIANT* v) { v->iVal = -32768; })},
      {L"ushort", Of(VT_UI2, [](VARIANT* v) { v->uiVal = 65535; })},
      {L"long", Of(VT_I4, [](VARIANT* v) { v->lVal = -2147483647L - 1; })},
      {L"ulong", Of(VT_UI4, [](VARIANT* v) { v->ulVal = 4294967295UL; })},
      {L"longlong", Of(VT_I8, [](VARIANT* v) { v->llVal = -9223372036854775807LL - 1; })},
      {L"ulonglong", Of(VT_UI8, [](VARIANT* v) { v->ullVal = 18446744073709551615ULL; })},
      {L"int", Of(VT_INT, [](VARIANT* v) { v->intVal = -12345; })},
      {L"uint", Of(VT_UINT, [](VARIANT* v) { v->uintVal = 12345u; })},
      {L"float", Of(VT_R4, [](VARIANT* v) { v->fltVal = 0.1f; })},
      {L"double", Of(VT_R8, [](VARIANT* v) { v->dblVal = -1.0 / 3.0; })},
      {L"bool", Of(VT_BOOL, [](VARIANT* v) { v->boolVal = VARIANT_TRUE; })},
      {L"false", Of(VT_BOOL, [](VARIANT* v) { v->boolVal = VARIANT_FALSE; })},
      {L"pointer", Of(VT_BYREF, [](VARIANT* v) { v->byref = &marker; })},
      {L"text", Text(L"x < y & \"z\" \u00e9\u4e2d", 14)},
      {L"blank", Text(L"  \t ", 4)},
      {L"nothing", Text(L"", 0)},
      {L"controls", Text(L"a\0b\r\nc\\u", 9)},
      {L"blob", Bytes({0, 1, 2, 0xFE, 0xFF})},
      {L"noblob", Bytes({})},
      {L"1st name", Text(L"a name that is no XML name", 26)},
  };
  IXParam* x = Make();
  for (Case& c : cases) {
    Bstr name(c.name);
    ASSERT_EQ(S_OK, x->put_Value(name, &c.value)) << static_cast<const void*>(c.name);
  }
  // A nested level with namesakes and a value beside children.
  IXParam* nested = Make();
  Bstr nestedName(L"nested"), leaf(L"leaf");
  nested->SetName(nestedName);
  nested->put_Long(nullptr, 7);
  nested->put_Long(leaf, 1);
  IXParam* second = Make();
  second->SetName(leaf);
  second->put_Long(nullptr, 2);
  nested->PushBackChild(second);
  second->Release();
  ASSERT_EQ(S_OK, x->PushBackChild(nested));
  nested->Release();

  Bstr indent(L"  "), crlf(L"\r\n"), xml;
  ASSERT_EQ(S_OK, x->ToXmlString(indent, crlf, xml.Out()));
  EXPECT_EQ(L"", Name(x)) << "the unnamed node stays unnamed after its write";
  IXParam* back = Make();
  ASSERT_EQ(S_OK, back->FromXmlString(xml));
  EXPECT_EQ(L"xparam", Name(back));
  EXPECT_EQ(Count(x), Count(back));
  for (Case& c : cases) {
    Bstr name(c.name);
    VARIANT got;
    VariantInit(&got);
    EXPECT_EQ(S_OK, back->get_Value(name, &got)) << static_cast<const void*>(c.name);
    EXPECT_TRUE(SameValue(c.value, got)) << "kind " << std::string(c.name, c.name + wcslen(c.name)) << ": vt "
                                         << c.value.vt << " came back as " << got.vt;
    VariantClear(&got);
    VariantClear(&c.value);
  }
  IXParam* n = nullptr;
  ASSERT_EQ(S_OK, back->GetLastChild(&n));
  EXPECT_EQ(L"nested", Name(n));
  LONG v = 0;
  EXPECT_EQ(S_OK, n->get_Long(nullptr, &v));
  EXPECT_EQ(7, v);
  IXParam* namesake = nullptr;
  ASSERT_EQ(S_OK, n->GetLastChildByName(leaf, 0, &namesake));
  EXPECT_EQ(S_OK, namesake->get_Long(nullptr, &v));
  EXPECT_EQ(2, v);
  namesake->Release();
  n->Release();

  // The text of the copy is the text of the original.
  Bstr again;
  ASSERT_EQ(S_OK, back->ToXmlString(indent, crlf, again.Out()));
  EXPECT_EQ(xml.Str(), again.Str());
  back->Release();
  x->Release();
}

TEST_F(XParamTreeXmlTest, InterfacesAreWrittenAsTheirMarkAndReadBackEmpty) {
  IXParam* x = Make();
  IXParam* inner = Make();
  Bstr u(L"u"), d(L"d");
  IDispatch* disp = nullptr;
  ASSERT_EQ(S_OK, inner->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&disp)));
  x->put_Unknown(u, inner);
  x->put_Dispatch(d, disp);
  disp->Release();
  Bstr xml;
  ASSERT_EQ(S_OK, x->ToXmlString(nullptr, nullptr, xml.Out()));
  IXParam* back = Make();
  ASSERT_EQ(S_OK, back->FromXmlString(xml));
  for (BSTR name : {static_cast<BSTR>(u), static_cast<BSTR>(d)}) {
    VARIANT got;
    VariantInit(&got);
    EXPECT_EQ(S_OK, back->get_Value(name, &got));
    EXPECT_EQ(VT_EMPTY, got.vt);
  }
  back->Release();
  x->Release();
  inner->Release();
}

TEST_F(XParamTreeXmlTest, FailedReadsKeepThePreviousTree) {
  IXParam* x = Make();
  Bstr keep(L"<keep><a>1</a><b>2</b></keep>");
  ASSERT_EQ(S_OK, x->FromXmlString(keep));
  struct Case {
    const char* what;
    std::function<HRESULT(IXParam*)> read;
    HRESULT expected;
  };
  static unsigned char notUtf8[] = {'<', 'a', '>', 0xFF, 0xFE, '<', '/', 'a', '>'};
  static unsigned char twoRoots[] = "<a/><b/>";
  const Case cases[] = {
      {"mismatched tags", [](IXParam* p) { Bstr s(L"<a><b></a></b>"); return p->FromXmlString(s); }, E_FAIL},
      {"unclosed", [](IXParam* p) { Bstr s(L"<a>"); return p->FromXmlString(s); }, E_FAIL},
      {"empty text", [](IXParam* p) { Bstr s(L""); return p->FromXmlString(s); }, E_FAIL},
      {"no markup", [](IXParam* p) { Bstr s(L"plain words"); return p->FromXmlString(s); }, E_FAIL},
      {"unknown entity", [](IXParam* p) { Bstr s(L"<a>&bogus;</a>"); return p->FromXmlString(s); }, E_FAIL},
      {"bad type mark", [](IXParam* p) { Bstr s(L"<a xp.type=\"long\">x</a>"); return p->FromXmlString(s); }, E_FAIL},
      {"null text", [](IXParam* p) { return p->FromXmlString(nullptr); }, E_POINTER},
      {"bytes not UTF-8", [](IXParam* p) { return p->FromXmlMemory(notUtf8, sizeof notUtf8); }, E_FAIL},
      {"two roots", [](IXParam* p) { return p->FromXmlMemory(twoRoots, sizeof twoRoots - 1); }, E_FAIL},
      {"null memory", [](IXParam* p) { return p->FromXmlMemory(nullptr, 4); }, E_POINTER},
      {"zero size", [](IXParam* p) { return p->FromXmlMemory(twoRoots, 0); }, E_POINTER},
      {"missing file", [](IXParam* p) { Bstr s(L"Z:\\no\\such\\file.xml"); return p->FromXmlFile(s); }, E_FAIL},
      {"null file name", [](IXParam* p) { return p->FromXmlFile(nullptr); }, E_POINTER},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(c.expected, c.read(x));
    EXPECT_EQ(L"keep", Name(x));
    EXPECT_EQ(2, Count(x));
  }
  x->Release();
}

TEST_F(XParamTreeXmlTest, AFailedWriteAnswersEFailAndLeavesTheNodeAsItWas) {
  IXParam* x = Make();
  Bstr n(L"n"), notBlank(L"x"), crlf(L"\r\n");
  x->put_Long(n, 1);
  BSTR xml = nullptr;
  EXPECT_EQ(E_FAIL, x->ToXmlString(notBlank, crlf, &xml)) << "the indent must be XML whitespace";
  EXPECT_EQ(nullptr, xml);
  EXPECT_EQ(L"", Name(x));
  EXPECT_EQ(E_POINTER, x->ToXmlString(nullptr, nullptr, nullptr));
  EXPECT_EQ(E_POINTER, x->ToXmlFile(nullptr, nullptr, nullptr, nullptr));
  x->Release();
}

TEST_F(XParamTreeXmlTest, NavigationPastTheEndsFindsNothing) {
  IXParam* x = Make();
  Bstr a(L"a"), b(L"b"), missing(L"missing");
  for (BSTR name : {static_cast<BSTR>(a), static_cast<BSTR>(b), static_cast<BSTR>(a)}) {
    IXParam* child = Make();
    child->SetName(name);
    x->PushBackChild(child);
    child->Release();
  }
  IXParam* first = nullptr;
  IXParam* middle = nullptr;
  IXParam* last = nullptr;
  ASSERT_EQ(S_OK, x->GetFirstChild(&first));
  ASSERT_EQ(S_OK, first->GetNextSibling(&middle));
  ASSERT_EQ(S_OK, x->GetLastChild(&last));
  IXParam* empty = Make();
  struct Case {
    const char* what;
    std::function<HRESULT(IXParam**)> step;
  };
  const Case cases[] = {
      {"parent of a root", [&](IXParam** p) { return x->GetParent(p); }},
      {"first child of a leaf", [&](IXParam** p) { return empty->GetFirstChild(p); }},
      {"last child of a leaf", [&](IXParam** p) { return empty->GetLastChild(p); }},
      {"before the first", [&](IXParam** p) { return first->GetPrevSibling(p); }},
      {"after the last", [&](IXParam** p) { return last->GetNextSibling(p); }},
      {"namesake before the first", [&](IXParam** p) { return first->GetPrevNamesake(p); }},
      {"namesake after the last", [&](IXParam** p) { return last->GetNextNamesake(p); }},
      {"namesake of a single name", [&](IXParam** p) { return middle->GetNextNamesake(p); }},
      {"sibling of a root", [&](IXParam** p) { return x->GetNextSibling(p); }},
      {"first by name past the namesakes", [&](IXParam** p) { return x->GetFirstChildByName(a, 2, p); }},
      {"last by name past the namesakes", [&](IXParam** p) { return x->GetLastChildByName(a, 2, p); }},
      {"negative offset", [&](IXParam** p) { return x->GetFirstChildByName(a, -1, p); }},
      {"missing name", [&](IXParam** p) { return x->GetLastChildByName(missing, 0, p); }},
      {"null name", [&](IXParam** p) { return x->GetFirstChildByName(nullptr, 0, p); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    IXParam* found = nullptr;
    EXPECT_EQ(S_FALSE, c.step(&found));
    EXPECT_EQ(nullptr, found);
  }
  for (IXParam* p : {first, middle, last, empty, x}) p->Release();
}

TEST_F(XParamTreeXmlTest, AByteArrayThatCannotBeLockedCreatesNothing) {
  IXParam* x = Make();
  Bstr name(L"bytes");
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_ARRAY | VT_UI1;
  v.parray = nullptr;
  EXPECT_EQ(E_INVALIDARG, x->put_Value(name, &v));
  EXPECT_EQ(0, Count(x));

  // An array locked as often as it can be answers the lock's failure.
  v = Bytes({1, 2, 3});
  ULONG locks = 0;
  while (locks < 0x20000 && SUCCEEDED(SafeArrayLock(v.parray))) ++locks;
  ASSERT_LT(locks, 0x20000u);
  EXPECT_EQ(E_UNEXPECTED, x->put_Value(name, &v));
  EXPECT_EQ(0, Count(x));
  while (locks--) SafeArrayUnlock(v.parray);
  EXPECT_EQ(S_OK, x->put_Value(name, &v));
  EXPECT_EQ(1, Count(x));
  EXPECT_EQ(S_OK, VariantClear(&v)) << "the array is unlocked again";

  // Arrays of wider elements are refused even when they claim to be bytes.
  v.parray = SafeArrayCreateVector(VT_I4, 0, 2);
  v.vt = VT_ARRAY | VT_UI1;
  Bstr other(L"other");
  EXPECT_EQ(static_cast<HRESULT>(DISP_E_TYPEMISMATCH), x->put_Value(other, &v));
  EXPECT_EQ(1, Count(x));
  SafeArrayDestroy(v.parray);
  x->Release();
}

}  // namespace
