// The XParam classes as COM classes: aggregation through their class
// objects, late binding through the type library, the interfaces they
// answer, and the references they take on stored interfaces.
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include "XParamTestSupport.h"

namespace {

using xpotest::Bstr;
using xpotest::Counted;

class XParamComTest : public xpotest::XParamSuite {};

// An outer object that hands every interface but IUnknown to its inner one.
class Outer final : public Counted {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown)) return Counted::QueryInterface(iid, ppv);
    *ppv = nullptr;
    return inner ? inner->QueryInterface(iid, ppv) : E_NOINTERFACE;
  }
  IUnknown* inner = nullptr;
};

TEST_F(XParamComTest, BothClassesAggregateThroughTheirClassObjects) {
  struct Case {
    const char* name;
    const CLSID* clsid;
    const IID* iid;
  };
  for (const Case& c : {Case{"XParam", &CLSID_XParam, &IID_IXParam},
                        Case{"XParamEnum", &CLSID_XParamEnum, &IID_IXParamEnum}}) {
    SCOPED_TRACE(c.name);
    IClassFactory* f = Factory(*c.clsid);
    ASSERT_NE(nullptr, f);
    Outer outer;
    void* p = &outer;
    EXPECT_EQ(CLASS_E_NOAGGREGATION, f->CreateInstance(&outer, *c.iid, &p)) << "aggregation asks for IUnknown";
    EXPECT_EQ(nullptr, p);
    ASSERT_EQ(S_OK, f->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&outer.inner)));
    ASSERT_NE(nullptr, outer.inner);
    EXPECT_EQ(1, outer.refs) << "the inner unknown does not hold the outer object";

    IUnknown* itf = nullptr;
    ASSERT_EQ(S_OK, outer.QueryInterface(*c.iid, reinterpret_cast<void**>(&itf)));
    EXPECT_EQ(2, outer.refs) << "references on the inner interfaces go to the outer object";
    IUnknown* identity = nullptr;
    ASSERT_EQ(S_OK, itf->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)));
    EXPECT_EQ(static_cast<IUnknown*>(&outer), identity);
    identity->Release();
    IDispatch* d = nullptr;
    ASSERT_EQ(S_OK, itf->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&d)));
    UINT infos = 0;
    EXPECT_EQ(S_OK, d->GetTypeInfoCount(&infos));
    EXPECT_EQ(1u, infos);
    d->Release();
    itf->Release();
    EXPECT_EQ(1, outer.refs);
    outer.inner->Release();
    f->Release();
  }
}

TEST_F(XParamComTest, AnAggregatedXParamWorksAndDiesWithItsInnerUnknown) {
  IClassFactory* f = Factory(CLSID_XParam);
  ASSERT_NE(nullptr, f);
  Outer outer;
  ASSERT_EQ(S_OK, f->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&outer.inner)));
  f->Release();
  IXParam* x = nullptr;
  ASSERT_EQ(S_OK, outer.QueryInterface(IID_IXParam, reinterpret_cast<void**>(&x)));
  Bstr n(L"n"), held(L"held");
  ASSERT_EQ(S_OK, x->put_Long(n, 12));
  LONG v = 0;
  EXPECT_EQ(S_OK, x->get_Long(n, &v));
  EXPECT_EQ(12, v);
  Counted stored;
  ASSERT_EQ(S_OK, x->put_Unknown(held, &stored));
  EXPECT_EQ(2, stored.refs) << "the node holds the stored interface";

  // An enumerator keeps the object (that is, the outer object) alive.
  IXParamEnum* e = nullptr;
  ASSERT_EQ(S_OK, x->CreateEnum(&e));
  EXPECT_EQ(3, outer.refs);
  VARIANT_BOOL eof = 0;
  EXPECT_EQ(S_OK, e->Next(&eof));
  Bstr name;
  EXPECT_EQ(S_OK, e->GetName(name.Out()));
  EXPECT_EQ(L"n", name.Str());
  e->Release();
  x->Release();
  EXPECT_EQ(1, outer.refs);

  outer.inner->Release();  // the last reference: the object and its tree go
  EXPECT_EQ(1, stored.refs);
}

TEST_F(XParamComTest, OnlyTheEnumeratorAnswersISupportErrorInfo) {
  IXParam* x = Make();
  ISupportErrorInfo* info = nullptr;
  EXPECT_EQ(E_NOINTERFACE, x->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&info)));
  IXParamEnum* e = nullptr;
  ASSERT_EQ(S_OK, x->CreateEnum(&e));
  ASSERT_EQ(S_OK, e->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&info)));
  EXPECT_EQ(S_OK, info->InterfaceSupportsErrorInfo(IID_IXParamEnum));
  EXPECT_EQ(S_FALSE, info->InterfaceSupportsErrorInfo(IID_IXParam));
  EXPECT_EQ(S_FALSE, info->InterfaceSupportsErrorInfo(IID_IDispatch));
  info->Release();
  e->Release();
  x->Release();
}

DISPID IdOf(IDispatch* d, const wchar_t* name) {
  Bstr text(name);
  LPOLESTR names[] = {text};
  DISPID id = DISPID_UNKNOWN;
  EXPECT_EQ(S_OK, d->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id)) << static_cast<const void*>(name);
  return id;
}

TEST_F(XParamComTest, LateBoundCallersReachPropertiesAndMethodsByName) {
  IXParam* x = Make();
  IDispatch* d = nullptr;
  ASSERT_EQ(S_OK, x->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&d)));
  EXPECT_EQ(5, IdOf(d, L"long")) << "names match in any case";
  EXPECT_EQ(124, IdOf(d, L"ToXmlString"));

  // Property put: the value is the named DISPID_PROPERTYPUT argument; the
  // arguments lie in reverse order.
  Bstr name(L"count");
  VARIANTARG put[2];
  VariantInit(&put[0]);
  VariantInit(&put[1]);
  put[0].vt = VT_I4;
  put[0].lVal = 31;
  put[1].vt = VT_BSTR;
  put[1].bstrVal = name;
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS putParams{put, &named, 2, 1};
  ASSERT_EQ(S_OK, d->Invoke(5, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &putParams, nullptr, nullptr,
                            nullptr));

  // Property get: the [out, retval] value comes back as the result.
  DISPPARAMS getParams{&put[1], nullptr, 1, 0};
  VARIANT result;
  VariantInit(&result);
  ASSERT_EQ(S_OK, d->Invoke(5, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &getParams, &result, nullptr,
                            nullptr));
  EXPECT_EQ(VT_I4, result.vt);
  EXPECT_EQ(31, result.lVal);

  // A method with an out argument: ToXmlString(indent, line break) -> text.
  Bstr indent(L"\t"), crlf(L"\r\n");
  VARIANTARG args[2];
  VariantInit(&args[0]);
  VariantInit(&args[1]);
  args[0].vt = VT_BSTR;
  args[0].bstrVal = crlf;
  args[1].vt = VT_BSTR;
  args[1].bstrVal = indent;
  DISPPARAMS xmlParams{args, nullptr, 2, 0};
  VariantInit(&result);
  ASSERT_EQ(S_OK, d->Invoke(124, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &xmlParams, &result, nullptr,
                            nullptr));
  ASSERT_EQ(VT_BSTR, result.vt);
  std::wstring xml(result.bstrVal, SysStringLen(result.bstrVal));
  EXPECT_NE(std::wstring::npos, xml.find(L"<xparam>\r\n\t<count xp.type=\"long\">31</count>")) << xml;
  VariantClear(&result);

  // A method handing out an object: GetFirstChildByName(name, 0).
  VARIANTARG byName[2];
  VariantInit(&byName[0]);
  VariantInit(&byName[1]);
  byName[0].vt = VT_I4;
  byName[0].lVal = 0;
  byName[1].vt = VT_BSTR;
  byName[1].bstrVal = name;
  DISPPARAMS childParams{byName, nullptr, 2, 0};
  VariantInit(&result);
  ASSERT_EQ(S_OK, d->Invoke(IdOf(d, L"GetFirstChildByName"), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                            &childParams, &result, nullptr, nullptr));
  ASSERT_EQ(VT_DISPATCH, result.vt);
  IXParam* child = nullptr;
  ASSERT_EQ(S_OK, result.pdispVal->QueryInterface(IID_IXParam, reinterpret_cast<void**>(&child)));
  EXPECT_EQ(L"count", Name(child));
  child->Release();
  VariantClear(&result);

  // A failing get is reported, not answered with a value.
  Bstr missing(L"missing");
  VARIANTARG missingArg;
  VariantInit(&missingArg);
  missingArg.vt = VT_BSTR;
  missingArg.bstrVal = missing;
  DISPPARAMS missingParams{&missingArg, nullptr, 1, 0};
  EXCEPINFO excep{};
  VariantInit(&result);
  EXPECT_TRUE(FAILED(d->Invoke(5, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &missingParams, &result,
                               &excep, nullptr)));
  SysFreeString(excep.bstrSource);
  SysFreeString(excep.bstrDescription);
  SysFreeString(excep.bstrHelpFile);
  EXPECT_EQ(1, Count(x));
  d->Release();
  x->Release();
}

TEST_F(XParamComTest, LateBoundCallersWalkAnEnumerator) {
  IXParam* x = Make();
  Bstr a(L"a"), b(L"b");
  x->put_Long(a, 1);
  x->put_Bstr(b, a);
  IXParamEnum* e = nullptr;
  ASSERT_EQ(S_OK, x->CreateEnum(&e));
  IDispatch* d = nullptr;
  ASSERT_EQ(S_OK, e->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&d)));
  DISPID next = IdOf(d, L"Next"), getName = IdOf(d, L"GetName"), getValue = IdOf(d, L"GetValue");
  EXPECT_EQ(3, next);
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  std::wstring names;
  VARTYPE types[2] = {};
  for (int i = 0;; ++i) {
    VARIANT eof;
    VariantInit(&eof);
    ASSERT_EQ(S_OK, d->Invoke(next, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, &eof, nullptr, nullptr));
    ASSERT_EQ(VT_BOOL, eof.vt);
    if (eof.boolVal) break;
    ASSERT_LT(i, 2);
    VARIANT v;
    VariantInit(&v);
    ASSERT_EQ(S_OK, d->Invoke(getName, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, &v, nullptr, nullptr));
    ASSERT_EQ(VT_BSTR, v.vt);
    names += v.bstrVal;
    VariantClear(&v);
    ASSERT_EQ(S_OK, d->Invoke(getValue, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, &v, nullptr, nullptr));
    types[i] = v.vt;
    VariantClear(&v);
  }
  EXPECT_EQ(L"ab", names);
  EXPECT_EQ(VT_I4, types[0]);
  EXPECT_EQ(VT_BSTR, types[1]);
  d->Release();
  e->Release();
  x->Release();
}

// Between Uninit and the next Init there is no XParam binding: no object
// can be made, and the XML methods of living objects refuse to run, while
// their trees stay usable.
TEST_F(XParamComTest, WithoutTheBindingObjectsAreRefusedAndLivingOnesKeepTheirTrees) {
  IXParam* x = Make();
  Bstr n(L"n"), xml(L"<r/>");
  ASSERT_EQ(S_OK, x->put_Long(n, 3));
  ASSERT_EQ(S_OK, core_->Uninit());
  IXParam* none = nullptr;
  EXPECT_EQ(CO_E_NOTINITIALIZED, core_->OxCreateXParam(&none));
  EXPECT_EQ(nullptr, none);
  IClassFactory* f = Factory(CLSID_XParam);
  EXPECT_EQ(CO_E_NOTINITIALIZED, f->CreateInstance(nullptr, IID_IXParam, reinterpret_cast<void**>(&none)));
  f->Release();
  Bstr text;
  EXPECT_EQ(CO_E_NOTINITIALIZED, x->ToXmlString(nullptr, nullptr, text.Out()));
  EXPECT_EQ(CO_E_NOTINITIALIZED, x->FromXmlString(xml));
  LONG v = 0;
  EXPECT_EQ(S_OK, x->get_Long(n, &v));
  EXPECT_EQ(3, v);
  ASSERT_EQ(S_OK, core_->Init(nullptr));
  EXPECT_EQ(S_OK, x->ToXmlString(nullptr, nullptr, text.Out()));
  x->Release();
}

// Stored interfaces: the node holds one reference, each get hands out one
// more for the caller; nothing is left behind after many round trips.
TEST_F(XParamComTest, InterfaceValuesBalanceTheirReferences) {
  IXParam* x = Make();
  Counted object;
  Bstr u(L"u"), name(L"v");
  for (int i = 0; i < 10000; ++i) {
    ASSERT_EQ(S_OK, x->put_Unknown(u, &object));
    IUnknown* got = nullptr;
    ASSERT_EQ(S_OK, x->get_Unknown(u, &got));
    ASSERT_EQ(static_cast<IUnknown*>(&object), got);
    got->Release();
    VARIANT in;
    VariantInit(&in);
    in.vt = VT_UNKNOWN;
    in.punkVal = &object;
    ASSERT_EQ(S_OK, x->put_Value(name, &in));
    VARIANT out;
    VariantInit(&out);
    ASSERT_EQ(S_OK, x->get_Value(name, &out));
    ASSERT_EQ(VT_UNKNOWN, out.vt);
    VariantClear(&out);
  }
  EXPECT_EQ(3, object.refs) << "one reference for the test, one for each of the two nodes";
  x->Clear();
  EXPECT_EQ(1, object.refs);
  x->Release();
}

}  // namespace
