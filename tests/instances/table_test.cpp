// The instance table's operations, with a stand-in creator in place of the
// core's class activation.
#include <windows.h>
#include <oleauto.h>

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TestObjects.h"
#include "instances/InstanceMapping.h"

namespace {

using oxcore::CInstanceMapping;
using oxtest::kClassA;
using oxtest::kClassB;
using oxtest::kClassC;

CLSID* Cls(const CLSID& c) { return const_cast<CLSID*>(&c); }
IID* Iid(const IID& i) { return const_cast<IID*>(&i); }

class Bstr {
 public:
  explicit Bstr(const wchar_t* s) : b_(s ? SysAllocString(s) : nullptr) {}
  Bstr(const wchar_t* s, UINT len) : b_(SysAllocStringLen(s, len)) {}
  ~Bstr() { SysFreeString(b_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  operator BSTR() const { return b_; }

 private:
  BSTR b_;
};

class TableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    liveBefore_ = oxtest::g_liveThings.load();
    table_ = std::make_unique<CInstanceMapping>(creator_.Fn());
  }
  void TearDown() override {
    table_.reset();
    EXPECT_EQ(liveBefore_, oxtest::g_liveThings.load()) << "objects leaked or released too often";
  }

  // Gets an instance as IUnknown; null on failure.
  IUnknown* Get(const CLSID& c, BSTR name, HRESULT expect = S_OK) {
    IUnknown* p = nullptr;
    EXPECT_EQ(expect, table_->OxGetInstance(Cls(c), name, Iid(IID_IUnknown), reinterpret_cast<void**>(&p)));
    return p;
  }
  VARIANT_BOOL Has(const CLSID& c, BSTR name) {
    VARIANT_BOOL r = 123;
    EXPECT_EQ(S_OK, table_->OxHasInstance(Cls(c), name, &r));
    return r;
  }
  // The name list, or "<null>" when the table handed out none.
  std::wstring Names(const CLSID& c, HRESULT expect) {
    BSTR text = nullptr;
    EXPECT_EQ(expect, table_->OxGetAllInstanceNames(Cls(c), &text));
    if (!text) return L"<null>";
    std::wstring s(text, SysStringLen(text));
    SysFreeString(text);
    return s;
  }

  oxtest::Creator creator_;
  std::unique_ptr<CInstanceMapping> table_;
  int liveBefore_ = 0;
};

TEST_F(TableTest, FirstGetCreatesLaterGetsShareTheObjectWhateverTheInterface) {
  Bstr name(L"main");
  IPersist* persist = nullptr;
  ASSERT_EQ(S_OK, table_->OxGetInstance(Cls(kClassA), name, Iid(IID_IPersist), reinterpret_cast<void**>(&persist)));
  ASSERT_NE(nullptr, persist);
  IOleWindow* window = nullptr;
  ASSERT_EQ(S_OK, table_->OxGetInstance(Cls(kClassA), name, Iid(IID_IOleWindow), reinterpret_cast<void**>(&window)));
  ASSERT_NE(nullptr, window);
  EXPECT_EQ(oxtest::Identity(persist), oxtest::Identity(window));
  EXPECT_EQ(1, creator_.Count(kClassA));
  // The table's reference plus the two handed out.
  EXPECT_EQ(3u, oxtest::RefCount(persist));
  persist->Release();
  window->Release();
}

struct NamePair {
  const char* label;
  std::wstring first;  // "\x01" stands for a NULL BSTR
  std::wstring second;
  bool same;
};

BSTR MakeName(const std::wstring& s) {
  if (s == L"\x01") return nullptr;
  return SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
}

class NameKeyTest : public TableTest, public ::testing::WithParamInterface<NamePair> {};

TEST_P(NameKeyTest, NamesAddressInstancesByExactTextUpToTheFirstNul) {
  const NamePair& c = GetParam();
  BSTR a = MakeName(c.first);
  BSTR b = MakeName(c.second);
  IUnknown* first = Get(kClassA, a);
  IUnknown* second = Get(kClassA, b);
  ASSERT_NE(nullptr, first);
  ASSERT_NE(nullptr, second);
  EXPECT_EQ(c.same, first == second);
  EXPECT_EQ(c.same ? 1 : 2, creator_.Count(kClassA));
  first->Release();
  second->Release();
  SysFreeString(a);
  SysFreeString(b);
}

INSTANTIATE_TEST_SUITE_P(
    Names, NameKeyTest,
    ::testing::Values(NamePair{"case_differs", L"Main", L"main", false},
                      NamePair{"null_and_empty", L"\x01", L"", true},
                      NamePair{"empty_and_null", L"", L"\x01", true},
                      NamePair{"text_after_nul_ignored", std::wstring(L"ab\0cd", 5), L"ab", true},
                      NamePair{"trailing_space_counts", L"ab ", L"ab", false},
                      NamePair{"same_text", L"x", L"x", true}),
    [](const ::testing::TestParamInfo<NamePair>& info) { return std::string(info.param.label); });

TEST_F(TableTest, ClassesAreKeptApart) {
  Bstr name(L"n");
  IUnknown* a = Get(kClassA, name);
  IUnknown* b = Get(kClassB, name);
  EXPECT_NE(a, b);
  EXPECT_EQ(1, creator_.Count(kClassA));
  EXPECT_EQ(1, creator_.Count(kClassB));
  a->Release();
  b->Release();
}

TEST_F(TableTest, SetRefusesATakenNameUntilItIsDropped) {
  Bstr name(L"slot");
  IUnknown* first = oxtest::NewThing();
  IUnknown* second = oxtest::NewThing();
  EXPECT_EQ(S_OK, table_->OxSetInstance(Cls(kClassA), name, first));
  EXPECT_EQ(E_FAIL, table_->OxSetInstance(Cls(kClassA), name, second));
  IUnknown* got = Get(kClassA, name);
  EXPECT_EQ(first, got);
  got->Release();
  EXPECT_EQ(S_OK, table_->OxDropInstance(Cls(kClassA), name));
  EXPECT_EQ(S_OK, table_->OxSetInstance(Cls(kClassA), name, second));
  got = Get(kClassA, name);
  EXPECT_EQ(second, got);
  got->Release();
  EXPECT_EQ(0, creator_.Count(kClassA));
  first->Release();
  second->Release();
}

TEST_F(TableTest, SetKeepsItsOwnReference) {
  Bstr name(L"own");
  IUnknown* obj = oxtest::NewThing();
  int live = oxtest::g_liveThings;
  ASSERT_EQ(S_OK, table_->OxSetInstance(Cls(kClassA), name, obj));
  EXPECT_EQ(2u, oxtest::RefCount(obj));
  obj->Release();
  EXPECT_EQ(live, oxtest::g_liveThings.load());
  IUnknown* got = Get(kClassA, name);
  EXPECT_EQ(obj, got);
  got->Release();
}

TEST_F(TableTest, HasAnswersFalseUntilANameIsTakenThenAllSixteenBitsTrue) {
  Bstr name(L"h");
  EXPECT_EQ(VARIANT_FALSE, Has(kClassA, name));
  IUnknown* p = Get(kClassA, name);
  EXPECT_EQ(static_cast<VARIANT_BOOL>(-1), Has(kClassA, name));
  EXPECT_EQ(VARIANT_FALSE, Has(kClassA, nullptr));
  p->Release();
}

TEST_F(TableTest, FailedCreationLeavesNoNameBehind) {
  creator_.FailWith(kClassA, REGDB_E_CLASSNOTREG);
  Bstr name(L"x");
  IUnknown* p = reinterpret_cast<IUnknown*>(0x1);
  EXPECT_EQ(REGDB_E_CLASSNOTREG,
            table_->OxGetInstance(Cls(kClassA), name, Iid(IID_IUnknown), reinterpret_cast<void**>(&p)));
  EXPECT_EQ(nullptr, p);
  EXPECT_EQ(VARIANT_FALSE, Has(kClassA, name));
  EXPECT_EQ(L"<null>", Names(kClassA, S_FALSE));
}

TEST_F(TableTest, QueryFailureAfterCreationKeepsTheNewObject) {
  Bstr name(L"q");
  IUnknown* p = nullptr;
  EXPECT_EQ(E_NOINTERFACE, table_->OxGetInstance(Cls(kClassA), name, Iid(IID_IDispatch), reinterpret_cast<void**>(&p)));
  EXPECT_EQ(nullptr, p);
  EXPECT_EQ(VARIANT_TRUE, Has(kClassA, name));
  p = Get(kClassA, name);
  EXPECT_EQ(1, creator_.Count(kClassA));
  p->Release();
}

TEST_F(TableTest, NameListsFollowCodeUnitOrderWithALineFeedAfterEachName) {
  struct Case {
    std::vector<std::wstring> names;
    HRESULT result;
    std::wstring text;
  };
  const Case cases[] = {
      {{L"b", L"a"}, S_OK, L"a\nb\n"},
      {{L""}, S_OK, L"\n"},
      {{L"b", L"B", L"a", L""}, S_OK, L"\nB\na\nb\n"},
      {{}, S_FALSE, L"<null>"},
  };
  const CLSID* classes[] = {&kClassA, &kClassB, &kClassC};
  int i = 0;
  for (const Case& c : cases) {
    CLSID cls = *classes[i % 3];
    cls.Data1 += static_cast<unsigned long>(i);
    ++i;
    for (const std::wstring& n : c.names) {
      Bstr b(n.c_str());
      IUnknown* p = Get(cls, b);
      if (p) p->Release();
    }
    EXPECT_EQ(c.text, Names(cls, c.result)) << "case " << i;
  }
}

TEST_F(TableTest, ObjectArrayHoldsEachObjectOnceInNameOrderAndAnswersSFalse) {
  IUnknown* objs[3] = {};
  const wchar_t* names[] = {L"c", L"a", L"b"};
  for (int i = 0; i < 3; ++i) {
    objs[i] = oxtest::NewThing();
    Bstr n(names[i]);
    ASSERT_EQ(S_OK, table_->OxSetInstance(Cls(kClassA), n, objs[i]));
  }
  SAFEARRAY* array = nullptr;
  ASSERT_EQ(S_FALSE, table_->OxGetAllInstances(Cls(kClassA), &array));
  ASSERT_NE(nullptr, array);
  EXPECT_EQ(1u, SafeArrayGetDim(array));
  VARTYPE vt = VT_EMPTY;
  EXPECT_EQ(S_OK, SafeArrayGetVartype(array, &vt));
  EXPECT_EQ(VT_UNKNOWN, vt);
  LONG lb = -1, ub = -1;
  SafeArrayGetLBound(array, 1, &lb);
  SafeArrayGetUBound(array, 1, &ub);
  EXPECT_EQ(0, lb);
  EXPECT_EQ(2, ub);
  IUnknown** data = nullptr;
  ASSERT_EQ(S_OK, SafeArrayAccessData(array, reinterpret_cast<void**>(&data)));
  EXPECT_EQ(objs[1], data[0]);  // "a"
  EXPECT_EQ(objs[2], data[1]);  // "b"
  EXPECT_EQ(objs[0], data[2]);  // "c"
  SafeArrayUnaccessData(array);
  for (IUnknown* o : objs) EXPECT_EQ(3u, oxtest::RefCount(o));  // caller, table, array
  SafeArrayDestroy(array);
  for (IUnknown* o : objs) {
    EXPECT_EQ(2u, oxtest::RefCount(o));
    o->Release();
  }
}

TEST_F(TableTest, ObjectArrayOfAClassWithoutNamesIsEmptyAndSFalse) {
  for (bool touched : {false, true}) {
    if (touched) {  // a class whose only name was dropped again
      Bstr n(L"gone");
      IUnknown* p = Get(kClassB, n);
      p->Release();
      table_->OxDropInstance(Cls(kClassB), n);
    }
    SAFEARRAY* array = nullptr;
    ASSERT_EQ(S_FALSE, table_->OxGetAllInstances(Cls(touched ? kClassB : kClassA), &array));
    ASSERT_NE(nullptr, array);
    LONG lb = -1, ub = 0;
    SafeArrayGetLBound(array, 1, &lb);
    SafeArrayGetUBound(array, 1, &ub);
    EXPECT_EQ(0, lb);
    EXPECT_EQ(-1, ub);
    SafeArrayDestroy(array);
  }
}

TEST_F(TableTest, ArgumentChecks) {
  Bstr name(L"n");
  IUnknown* obj = oxtest::NewThing();
  void* pv = nullptr;
  VARIANT_BOOL vb = 0;
  BSTR filled = SysAllocString(L"keep");
  BSTR text = filled;
  SAFEARRAY* filledArray = SafeArrayCreateVector(VT_UNKNOWN, 0, 0);
  SAFEARRAY* array = filledArray;
  struct Case {
    const char* what;
    HRESULT got;
    HRESULT want;
  };
  const Case cases[] = {
      {"get null out", table_->OxGetInstance(Cls(kClassA), name, Iid(IID_IUnknown), nullptr), E_POINTER},
      {"get null clsid", table_->OxGetInstance(nullptr, name, Iid(IID_IUnknown), &pv), E_INVALIDARG},
      {"get null iid", table_->OxGetInstance(Cls(kClassA), name, nullptr, &pv), E_INVALIDARG},
      {"set null object", table_->OxSetInstance(Cls(kClassA), name, nullptr), E_POINTER},
      {"set null clsid", table_->OxSetInstance(nullptr, name, obj), E_INVALIDARG},
      {"has null out", table_->OxHasInstance(Cls(kClassA), name, nullptr), E_POINTER},
      {"has null clsid", table_->OxHasInstance(nullptr, name, &vb), E_INVALIDARG},
      {"names null out", table_->OxGetAllInstanceNames(Cls(kClassA), nullptr), E_POINTER},
      {"names filled slot", table_->OxGetAllInstanceNames(Cls(kClassA), &text), E_INVALIDARG},
      {"objects null out", table_->OxGetAllInstances(Cls(kClassA), nullptr), E_POINTER},
      {"objects filled slot", table_->OxGetAllInstances(Cls(kClassA), &array), E_INVALIDARG},
      {"drop null clsid", table_->OxDropInstance(nullptr, name), E_INVALIDARG},
      {"drop absent name", table_->OxDropInstance(Cls(kClassA), name), S_OK},
      {"drop unnamed class", table_->OxDropInstance(Cls(kClassC), nullptr), S_OK},
  };
  for (const Case& c : cases) EXPECT_EQ(c.want, c.got) << c.what;
  EXPECT_EQ(filled, text);
  EXPECT_EQ(filledArray, array);
  EXPECT_EQ(nullptr, pv);
  EXPECT_EQ(0, creator_.Count(kClassA));
  EXPECT_EQ(VARIANT_FALSE, Has(kClassA, name));
  SysFreeString(filled);
  SafeArrayDestroy(filledArray);
  obj->Release();
}

TEST_F(TableTest, DropReleasesTheTablesReference) {
  Bstr name(L"d");
  int live = oxtest::g_liveThings;
  IUnknown* p = Get(kClassA, name);
  p->Release();
  EXPECT_EQ(live + 1, oxtest::g_liveThings.load());
  EXPECT_EQ(S_OK, table_->OxDropInstance(Cls(kClassA), name));
  EXPECT_EQ(live, oxtest::g_liveThings.load());
  EXPECT_EQ(VARIANT_FALSE, Has(kClassA, name));
  // The next get creates anew.
  p = Get(kClassA, name);
  EXPECT_EQ(2, creator_.Count(kClassA));
  p->Release();
}

TEST_F(TableTest, DestroyingTheTableReleasesEveryObjectItAloneHolds) {
  int live = oxtest::g_liveThings;
  Bstr n1(L"1"), n2(L"2");
  IUnknown* kept = Get(kClassA, n1);
  IUnknown* p = Get(kClassB, n2);
  p->Release();
  EXPECT_EQ(live + 2, oxtest::g_liveThings.load());
  table_.reset();
  EXPECT_EQ(live + 1, oxtest::g_liveThings.load());  // the one still held survives
  EXPECT_EQ(1u, oxtest::RefCount(kept));
  kept->Release();
}

// Calls back into the table from inside a creation and from final releases.
TEST_F(TableTest, CreationMayCallBackIntoTheTableOnItsThread) {
  Bstr name(L"outer");
  IUnknown* setDuringCreation = oxtest::NewThing();
  HRESULT innerOther = E_FAIL, innerSame = S_OK, innerSet = E_FAIL;
  IUnknown* other = nullptr;
  bool once = false;
  creator_.during = [&](const CLSID& c) {
    if (!IsEqualCLSID(c, kClassA) || once) return;
    once = true;
    innerOther = table_->OxGetInstance(Cls(kClassB), name, Iid(IID_IUnknown), reinterpret_cast<void**>(&other));
    void* same = nullptr;
    innerSame = table_->OxGetInstance(Cls(kClassA), name, Iid(IID_IUnknown), &same);
    innerSet = table_->OxSetInstance(Cls(kClassA), name, setDuringCreation);
  };
  int live = oxtest::g_liveThings;
  IUnknown* got = Get(kClassA, name);
  EXPECT_EQ(S_OK, innerOther);
  EXPECT_NE(nullptr, other);
  // Asking for the very instance being created would recurse without end.
  EXPECT_EQ(CInstanceMapping::kRecursiveCreation, innerSame);
  EXPECT_EQ(S_OK, innerSet);
  // The object stored first keeps the name; the creation's object is let go.
  EXPECT_EQ(setDuringCreation, got);
  EXPECT_EQ(live + 1, oxtest::g_liveThings.load());  // only the object of class B is new
  EXPECT_EQ(1, creator_.Count(kClassA));
  got->Release();
  other->Release();
  setDuringCreation->Release();
}

TEST_F(TableTest, FinalReleaseMayCallBackIntoTheTable) {
  Bstr name(L"r"), other(L"other");
  // The object's destructor drops another instance and stores a new one.
  IUnknown* victim = oxtest::NewThing();
  ASSERT_EQ(S_OK, table_->OxSetInstance(Cls(kClassB), other, victim));
  victim->Release();
  IUnknown* replacement = oxtest::NewThing();
  IUnknown* obj = oxtest::NewThing([&] {
    table_->OxDropInstance(Cls(kClassB), other);
    table_->OxSetInstance(Cls(kClassA), other, replacement);
    VARIANT_BOOL r = 0;
    table_->OxHasInstance(Cls(kClassA), name, &r);
  });
  ASSERT_EQ(S_OK, table_->OxSetInstance(Cls(kClassA), name, obj));
  obj->Release();
  EXPECT_EQ(S_OK, table_->OxDropInstance(Cls(kClassA), name));
  EXPECT_EQ(VARIANT_FALSE, Has(kClassB, other));
  EXPECT_EQ(VARIANT_TRUE, Has(kClassA, other));
  replacement->Release();
}

TEST_F(TableTest, DestructionSurvivesReleasesThatCallBackIntoTheTable) {
  Bstr name(L"t");
  IUnknown* late = oxtest::NewThing();
  IUnknown* obj = oxtest::NewThing([&] {
    // Stores and queries during teardown; whatever is stored goes too.
    table_->OxSetInstance(Cls(kClassC), nullptr, late);
    IUnknown* p = nullptr;
    table_->OxGetInstance(Cls(kClassC), nullptr, Iid(IID_IUnknown), reinterpret_cast<void**>(&p));
    if (p) p->Release();
  });
  ASSERT_EQ(S_OK, table_->OxSetInstance(Cls(kClassA), name, obj));
  obj->Release();
  CInstanceMapping* raw = table_.get();
  delete raw;  // table_ still points at it while the destructor runs
  table_.release();
  EXPECT_EQ(1u, oxtest::RefCount(late));  // the table let go of it
  late->Release();
}

}  // namespace
