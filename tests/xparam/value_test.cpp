#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>

#include "test_support.h"

namespace xptest {
namespace {

using xparam::Holder;

template <typename T>
bool SameBits(T a, T b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

bool BlobIs(XParamNode* n, const std::string& bytes) {
  const unsigned char* data = nullptr;
  unsigned size = 0;
  Holder h;
  return n->GetBlob(&data, &size, &h) && std::string(reinterpret_cast<const char*>(data), size) == bytes;
}

bool StringIs(XParamNode* n, const std::wstring& text) {
  const wchar_t* t = nullptr;
  int length = -1;
  Holder h;
  return n->GetString(&t, &length, &h) && std::wstring(t, length) == text;
}

// ---- every kind through XML, Clone and back -------------------------------

struct KindCase {
  const char* label;
  void (*set)(XParamNode*);
  int type;
  bool (*check)(XParamNode*);
};

void PrintTo(const KindCase& c, std::ostream* os) { *os << c.label; }

#define SET(call) [](XParamNode* n) { n->call; }
#define CHECK_AS(Getter, T, expected) \
  [](XParamNode* n) {                 \
    T v{};                            \
    return n->Getter(&v) && SameBits<T>(v, expected); \
  }

const KindCase kKinds[] = {
    {"char min", SET(SetChar(-128)), xparam::kTypeChar, CHECK_AS(GetChar, signed char, -128)},
    {"char max", SET(SetChar(127)), xparam::kTypeChar, CHECK_AS(GetChar, signed char, 127)},
    {"uchar max", SET(SetUChar(255)), xparam::kTypeUChar, CHECK_AS(GetUChar, unsigned char, 255)},
    {"short min", SET(SetShort(SHRT_MIN)), xparam::kTypeShort, CHECK_AS(GetShort, short, SHRT_MIN)},
    {"ushort max", SET(SetUShort(USHRT_MAX)), xparam::kTypeUShort, CHECK_AS(GetUShort, unsigned short, USHRT_MAX)},
    {"long min", SET(SetLong(LONG_MIN)), xparam::kTypeLong, CHECK_AS(GetLong, long, LONG_MIN)},
    {"ulong max", SET(SetULong(ULONG_MAX)), xparam::kTypeULong, CHECK_AS(GetULong, unsigned long, ULONG_MAX)},
    {"longlong min", SET(SetLongLong(LLONG_MIN)), xparam::kTypeLongLong, CHECK_AS(GetLongLong, long long, LLONG_MIN)},
    {"longlong max", SET(SetLongLong(LLONG_MAX)), xparam::kTypeLongLong, CHECK_AS(GetLongLong, long long, LLONG_MAX)},
    {"ulonglong max", SET(SetULongLong(ULLONG_MAX)), xparam::kTypeULongLong,
     CHECK_AS(GetULongLong, unsigned long long, ULLONG_MAX)},
    {"int min", SET(SetInt(INT_MIN)), xparam::kTypeInt, CHECK_AS(GetInt, int, INT_MIN)},
    {"uint max", SET(SetUInt(UINT_MAX)), xparam::kTypeUInt, CHECK_AS(GetUInt, unsigned, UINT_MAX)},
    {"float tenth", SET(SetFloat(0.1f)), xparam::kTypeFloat, CHECK_AS(GetFloat, float, 0.1f)},
    {"float max", SET(SetFloat(FLT_MAX)), xparam::kTypeFloat, CHECK_AS(GetFloat, float, FLT_MAX)},
    {"float denormal", SET(SetFloat(std::numeric_limits<float>::denorm_min())), xparam::kTypeFloat,
     CHECK_AS(GetFloat, float, std::numeric_limits<float>::denorm_min())},
    {"float negative zero", SET(SetFloat(-0.0f)), xparam::kTypeFloat, CHECK_AS(GetFloat, float, -0.0f)},
    {"float -inf", SET(SetFloat(-INFINITY)), xparam::kTypeFloat, CHECK_AS(GetFloat, float, -INFINITY)},
    {"float nan", SET(SetFloat(NAN)), xparam::kTypeFloat,
     [](XParamNode* n) {
       float v = 0;
       return n->GetFloat(&v) && std::isnan(v);
     }},
    {"double tenth", SET(SetDouble(0.1)), xparam::kTypeDouble, CHECK_AS(GetDouble, double, 0.1)},
    {"double third", SET(SetDouble(1.0 / 3)), xparam::kTypeDouble, CHECK_AS(GetDouble, double, 1.0 / 3)},
    {"double max", SET(SetDouble(DBL_MAX)), xparam::kTypeDouble, CHECK_AS(GetDouble, double, DBL_MAX)},
    {"double denormal", SET(SetDouble(5e-324)), xparam::kTypeDouble, CHECK_AS(GetDouble, double, 5e-324)},
    {"double inf", SET(SetDouble(INFINITY)), xparam::kTypeDouble, CHECK_AS(GetDouble, double, INFINITY)},
    {"double nan", SET(SetDouble(NAN)), xparam::kTypeDouble,
     [](XParamNode* n) {
       double v = 0;
       return n->GetDouble(&v) && std::isnan(v);
     }},
    {"bool true", SET(SetBool(true)), xparam::kTypeBool, CHECK_AS(GetBool, bool, true)},
    {"bool false", SET(SetBool(false)), xparam::kTypeBool, CHECK_AS(GetBool, bool, false)},
    {"pointer", SET(SetPointer(reinterpret_cast<void*>(0x12345678))), xparam::kTypePointer,
     CHECK_AS(GetPointer, void*, reinterpret_cast<void*>(0x12345678))},
    {"string", SET(SetString(L"hello world", -1)), xparam::kTypeString,
     [](XParamNode* n) { return StringIs(n, L"hello world"); }},
    {"empty string", SET(SetString(L"", 0)), xparam::kTypeString, [](XParamNode* n) { return StringIs(n, L""); }},
    {"string of digits", SET(SetString(L"42", -1)), xparam::kTypeString,
     [](XParamNode* n) { return StringIs(n, L"42"); }},
    {"blob", SET(SetBlob("\x00\x01\xFE\xFF\x80", 5)), xparam::kTypeBlob,
     [](XParamNode* n) { return BlobIs(n, std::string("\x00\x01\xFE\xFF\x80", 5)); }},
    {"blob of one byte", SET(SetBlob("z", 1)), xparam::kTypeBlob, [](XParamNode* n) { return BlobIs(n, "z"); }},
    {"empty blob", SET(SetBlob(nullptr, 0)), xparam::kTypeBlob, [](XParamNode* n) { return BlobIs(n, ""); }},
    {"empty", SET(SetEmpty()), xparam::kTypeEmpty, [](XParamNode* n) { return StringIs(n, L""); }},
};

class KindRoundTrip : public ::testing::TestWithParam<KindCase> {
 protected:
  // Writes a tree holding the value at "v" (with a child when asked), reads
  // it back and answers the node that came back.
  NodePtr ThroughXml(bool withChild) {
    NodePtr root = NewNode(L"root");
    NodePtr v = AddChild(root, L"v");
    GetParam().set(v.Get());
    if (withChild) AddChild(v, L"inner")->SetLong(7);
    bool ok = false;
    std::wstring xml = ToXml(root, L"  ", L"\n", &ok);
    EXPECT_TRUE(ok);
    NodePtr back = ParseRoot(xml);
    NodePtr found;
    if (back) back->FindFirstChild(L"v", -1, 0, found.Receive());
    EXPECT_TRUE(found) << Utf8(xml);
    return found;
  }
};

TEST_P(KindRoundTrip, SetterGivesTypeAndValue) {
  NodePtr n = NewNode(L"n");
  GetParam().set(n.Get());
  EXPECT_EQ(n->GetType(), GetParam().type);
  EXPECT_TRUE(GetParam().check(n.Get()));
}

TEST_P(KindRoundTrip, LeafThroughXml) {
  NodePtr n = ThroughXml(false);
  ASSERT_TRUE(n);
  EXPECT_EQ(n->GetType(), GetParam().type);
  EXPECT_TRUE(GetParam().check(n.Get()));
  EXPECT_EQ(n->GetChildrenCount(), 0);
}

TEST_P(KindRoundTrip, ValueBesideChildrenThroughXml) {
  NodePtr n = ThroughXml(true);
  ASSERT_TRUE(n);
  EXPECT_EQ(n->GetType(), GetParam().type);
  EXPECT_TRUE(GetParam().check(n.Get()));
  ASSERT_EQ(ChildNames(n), std::vector<std::wstring>{L"inner"});
}

TEST_P(KindRoundTrip, CloneCopiesValue) {
  NodePtr n = NewNode(L"n");
  GetParam().set(n.Get());
  NodePtr copy;
  ASSERT_TRUE(n->Clone(copy.Receive()));
  n->SetLong(1);  // the copy does not share the value slot
  EXPECT_EQ(copy->GetType(), GetParam().type);
  EXPECT_TRUE(GetParam().check(copy.Get()));
}

INSTANTIATE_TEST_SUITE_P(AllKinds, KindRoundTrip, ::testing::ValuesIn(kKinds));

TEST(KindXml, LongDoubleMarkReadsAsDoubleStorageWithItsOwnCode) {
  NodePtr root = ParseRoot(L"<r xp.type=\"longdouble\">2.5</r>");
  ASSERT_TRUE(root);
  EXPECT_EQ(root->GetType(), xparam::kTypeLongDouble);
  double d = 0;
  EXPECT_TRUE(root->GetDouble(&d));
  EXPECT_EQ(d, 2.5);
  NodePtr again = ParseRoot(ToXml(root));
  ASSERT_TRUE(again);
  EXPECT_EQ(again->GetType(), xparam::kTypeLongDouble);
}

TEST(KindXml, InterfaceValuesAreMarkedButReadBackEmpty) {
  CountingDispatch object;
  NodePtr root = NewNode(L"r");
  AddChild(root, L"u")->SetUnknown(&object);
  AddChild(root, L"d")->SetDispatch(&object);
  bool ok = false;
  std::wstring xml = ToXml(root, nullptr, nullptr, &ok);
  ASSERT_TRUE(ok);
  EXPECT_NE(xml.find(L"<u xp.type=\"unknown\"/>"), std::wstring::npos) << Utf8(xml);
  EXPECT_NE(xml.find(L"<d xp.type=\"dispatch\"/>"), std::wstring::npos) << Utf8(xml);
  NodePtr back = ParseRoot(xml);
  ASSERT_TRUE(back);
  NodePtr u;
  ASSERT_TRUE(back->FindFirstChild(L"u", -1, 0, u.Receive()));
  EXPECT_EQ(u->GetType(), xparam::kTypeEmpty);
  root.Reset();
  EXPECT_EQ(object.refs, 1);
}

// ---- conversions ------------------------------------------------------------

struct ConversionCase {
  const char* label;
  void (*set)(XParamNode*);
  // True when the getter behaves as required (converts to the value, or
  // refuses and leaves the output untouched).
  bool (*check)(XParamNode*);
};

int kConversionSentinel = 0;

void PrintTo(const ConversionCase& c, std::ostream* os) { *os << c.label; }

#define GIVES(Getter, T, expected) CHECK_AS(Getter, T, static_cast<T>(expected))
#define REFUSES(Getter, T)                       \
  [](XParamNode* n) {                            \
    T v = static_cast<T>(77);                    \
    return !n->Getter(&v) && v == static_cast<T>(77); \
  }
#define REFUSES_POINTER                                                   \
  [](XParamNode* n) {                                                     \
    void* v = &kConversionSentinel;                                       \
    return !n->GetPointer(&v) && v == &kConversionSentinel;               \
  }
#define GIVES_TEXT(expected) [](XParamNode* n) { return StringIs(n, expected); }
#define REFUSES_TEXT                                  \
  [](XParamNode* n) {                                 \
    const wchar_t* t = L"untouched";                  \
    Holder h;                                         \
    int len = 0;                                      \
    return !n->GetString(&t, &len, &h) && std::wstring(t) == L"untouched"; \
  }

const ConversionCase kConversions[] = {
    // decimal text to every integer kind
    {"text 42 to char", SET(SetString(L"42", -1)), GIVES(GetChar, signed char, 42)},
    {"text 42 to uchar", SET(SetString(L"42", -1)), GIVES(GetUChar, unsigned char, 42)},
    {"text 42 to short", SET(SetString(L"42", -1)), GIVES(GetShort, short, 42)},
    {"text 42 to ushort", SET(SetString(L"42", -1)), GIVES(GetUShort, unsigned short, 42)},
    {"text 42 to long", SET(SetString(L"42", -1)), GIVES(GetLong, long, 42)},
    {"text 42 to ulong", SET(SetString(L"42", -1)), GIVES(GetULong, unsigned long, 42)},
    {"text 42 to longlong", SET(SetString(L"42", -1)), GIVES(GetLongLong, long long, 42)},
    {"text 42 to ulonglong", SET(SetString(L"42", -1)), GIVES(GetULongLong, unsigned long long, 42)},
    {"text 42 to int", SET(SetString(L"42", -1)), GIVES(GetInt, int, 42)},
    {"text 42 to uint", SET(SetString(L"42", -1)), GIVES(GetUInt, unsigned, 42)},
    {"text -128 to char", SET(SetString(L"-128", -1)), GIVES(GetChar, signed char, -128)},
    {"text +5 to int", SET(SetString(L"+5", -1)), GIVES(GetInt, int, 5)},
    {"text with spaces to int", SET(SetString(L" 7\t", -1)), GIVES(GetInt, int, 7)},
    {"text int64 max", SET(SetString(L"9223372036854775807", -1)), GIVES(GetLongLong, long long, LLONG_MAX)},
    {"text int64 min", SET(SetString(L"-9223372036854775808", -1)), GIVES(GetLongLong, long long, LLONG_MIN)},
    {"text uint64 max", SET(SetString(L"18446744073709551615", -1)),
     GIVES(GetULongLong, unsigned long long, ULLONG_MAX)},
    {"text -0 to uint", SET(SetString(L"-0", -1)), GIVES(GetUInt, unsigned, 0)},
    {"text 128 to char", SET(SetString(L"128", -1)), REFUSES(GetChar, signed char)},
    {"text 256 to uchar", SET(SetString(L"256", -1)), REFUSES(GetUChar, unsigned char)},
    {"text -1 to uchar", SET(SetString(L"-1", -1)), REFUSES(GetUChar, unsigned char)},
    {"text -1 to ushort", SET(SetString(L"-1", -1)), REFUSES(GetUShort, unsigned short)},
    {"text -1 to ulonglong", SET(SetString(L"-1", -1)), REFUSES(GetULongLong, unsigned long long)},
    {"text 2^31 to int", SET(SetString(L"2147483648", -1)), REFUSES(GetInt, int)},
    {"text 2^31 to long", SET(SetString(L"2147483648", -1)), REFUSES(GetLong, long)},
    {"text 2^32 to uint", SET(SetString(L"4294967296", -1)), REFUSES(GetUInt, unsigned)},
    {"text 2^64 to ulonglong", SET(SetString(L"18446744073709551616", -1)),
     REFUSES(GetULongLong, unsigned long long)},
    {"text below int64 min", SET(SetString(L"-9223372036854775809", -1)), REFUSES(GetLongLong, long long)},
    {"text abc to int", SET(SetString(L"abc", -1)), REFUSES(GetInt, int)},
    {"empty text to int", SET(SetString(L"", 0)), REFUSES(GetInt, int)},
    {"text 1.5 to int", SET(SetString(L"1.5", -1)), REFUSES(GetInt, int)},
    {"hex text to int", SET(SetString(L"0x10", -1)), REFUSES(GetInt, int)},
    {"text 1 2 to int", SET(SetString(L"1 2", -1)), REFUSES(GetInt, int)},
    {"text with NUL to int", SET(SetString(L"1\0" L"2", 3)), REFUSES(GetInt, int)},
    // text to bool
    {"text true", SET(SetString(L"true", -1)), GIVES(GetBool, bool, true)},
    {"text TRUE", SET(SetString(L"TRUE", -1)), GIVES(GetBool, bool, true)},
    {"text False", SET(SetString(L"False", -1)), GIVES(GetBool, bool, false)},
    {"text 1 to bool", SET(SetString(L"1", -1)), GIVES(GetBool, bool, true)},
    {"text 0 to bool", SET(SetString(L"0", -1)), GIVES(GetBool, bool, false)},
    {"text yes to bool", SET(SetString(L"yes", -1)), REFUSES(GetBool, bool)},
    {"text 2 to bool", SET(SetString(L"2", -1)), REFUSES(GetBool, bool)},
    // text to floating point
    {"text 2.5 to double", SET(SetString(L"2.5", -1)), GIVES(GetDouble, double, 2.5)},
    {"text 2.5 to float", SET(SetString(L"2.5", -1)), GIVES(GetFloat, float, 2.5f)},
    {"text 0.1 to float exactly", SET(SetString(L"0.1", -1)), GIVES(GetFloat, float, 0.1f)},
    {"text -inf to double", SET(SetString(L"-inf", -1)), GIVES(GetDouble, double, -INFINITY)},
    {"text abc to double", SET(SetString(L"abc", -1)), REFUSES(GetDouble, double)},
    {"text 1e999 to double", SET(SetString(L"1e999", -1)), REFUSES(GetDouble, double)},
    // integers between widths
    {"int 5 to longlong", SET(SetInt(5)), GIVES(GetLongLong, long long, 5)},
    {"int 5 to uchar", SET(SetInt(5)), GIVES(GetUChar, unsigned char, 5)},
    {"long -5 to short", SET(SetLong(-5)), GIVES(GetShort, short, -5)},
    {"ulonglong 7 to char", SET(SetULongLong(7)), GIVES(GetChar, signed char, 7)},
    {"uchar 200 to char", SET(SetUChar(200)), REFUSES(GetChar, signed char)},
    {"int -1 to uint", SET(SetInt(-1)), REFUSES(GetUInt, unsigned)},
    {"int 300 to uchar", SET(SetInt(300)), REFUSES(GetUChar, unsigned char)},
    {"longlong 2^40 to int", SET(SetLongLong(1LL << 40)), REFUSES(GetInt, int)},
    {"ulonglong max to longlong", SET(SetULongLong(ULLONG_MAX)), REFUSES(GetLongLong, long long)},
    {"uint max to long", SET(SetUInt(UINT_MAX)), REFUSES(GetLong, long)},
    {"uint max to ulong", SET(SetUInt(UINT_MAX)), GIVES(GetULong, unsigned long, ULONG_MAX)},
    // integers and bools to floating point, float and double
    {"int to double", SET(SetInt(-3)), GIVES(GetDouble, double, -3.0)},
    {"ulonglong max to double", SET(SetULongLong(ULLONG_MAX)), GIVES(GetDouble, double, 18446744073709551615.0)},
    {"short to float", SET(SetShort(-2)), GIVES(GetFloat, float, -2.0f)},
    {"bool to double", SET(SetBool(true)), GIVES(GetDouble, double, 1.0)},
    {"float to double", SET(SetFloat(0.1f)), GIVES(GetDouble, double, static_cast<double>(0.1f))},
    {"double to float", SET(SetDouble(1.5)), GIVES(GetFloat, float, 1.5f)},
    {"huge double to float", SET(SetDouble(1e300)), REFUSES(GetFloat, float)},
    {"double inf to float", SET(SetDouble(INFINITY)), GIVES(GetFloat, float, INFINITY)},
    {"double to int", SET(SetDouble(1.0)), REFUSES(GetInt, int)},
    {"float to long", SET(SetFloat(2.0f)), REFUSES(GetLong, long)},
    // bools and integers
    {"int 1 to bool", SET(SetInt(1)), GIVES(GetBool, bool, true)},
    {"uchar 0 to bool", SET(SetUChar(0)), GIVES(GetBool, bool, false)},
    {"int 5 to bool", SET(SetInt(5)), REFUSES(GetBool, bool)},
    {"bool to int", SET(SetBool(true)), GIVES(GetInt, int, 1)},
    // text of every stored kind
    {"uint to text", SET(SetUInt(300)), GIVES_TEXT(L"300")},
    {"longlong to text", SET(SetLongLong(-1)), GIVES_TEXT(L"-1")},
    {"ulonglong max to text", SET(SetULongLong(ULLONG_MAX)), GIVES_TEXT(L"18446744073709551615")},
    {"char to text", SET(SetChar(-7)), GIVES_TEXT(L"-7")},
    {"double to text", SET(SetDouble(0.1)), GIVES_TEXT(L"0.1")},
    {"float to text", SET(SetFloat(0.1f)), GIVES_TEXT(L"0.1")},
    {"double nan to text", SET(SetDouble(NAN)), GIVES_TEXT(L"nan")},
    {"bool to text", SET(SetBool(false)), GIVES_TEXT(L"false")},
    {"empty to text", SET(SetEmpty()), GIVES_TEXT(L"")},
    {"blob to text", SET(SetBlob("ab", 2)), REFUSES_TEXT},
    {"pointer to text", SET(SetPointer(nullptr)), REFUSES_TEXT},
    // kinds that do not convert
    {"pointer to int", SET(SetPointer(nullptr)), REFUSES(GetInt, int)},
    {"blob to int", SET(SetBlob("1", 1)), REFUSES(GetInt, int)},
    {"empty to int", SET(SetEmpty()), REFUSES(GetInt, int)},
    {"empty to bool", SET(SetEmpty()), REFUSES(GetBool, bool)},
    {"empty to double", SET(SetEmpty()), REFUSES(GetDouble, double)},
    {"text to pointer", SET(SetString(L"0x10", -1)), REFUSES_POINTER},
    {"int to pointer", SET(SetInt(16)), REFUSES_POINTER},
    {"text to blob",
     SET(SetString(L"ab", -1)),
     [](XParamNode* n) {
       const unsigned char* d = nullptr;
       unsigned s = 5;
       Holder h;
       return !n->GetBlob(&d, &s, &h) && d == nullptr && s == 5;
     }},
    {"int to unknown", SET(SetInt(1)),
     [](XParamNode* n) {
       IUnknown* u = nullptr;
       return !n->GetUnknown(&u) && u == nullptr;
     }},
    {"int to dispatch", SET(SetInt(1)),
     [](XParamNode* n) {
       IDispatch* d = nullptr;
       return !n->GetDispatch(&d) && d == nullptr;
     }},
};

class Conversion : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(Conversion, GetterBehaves) {
  NodePtr n = NewNode(L"n");
  GetParam().set(n.Get());
  EXPECT_TRUE(GetParam().check(n.Get()));
}

INSTANTIATE_TEST_SUITE_P(Table, Conversion, ::testing::ValuesIn(kConversions));

// ---- interface values ----------------------------------------------------------

TEST(InterfaceValue, NodeHoldsItsOwnReferenceAndReleasesOnReplace) {
  CountingDispatch object;
  NodePtr n = NewNode(L"n");
  ASSERT_TRUE(n->SetUnknown(&object));
  EXPECT_EQ(object.refs, 2);
  EXPECT_EQ(n->GetType(), xparam::kTypeUnknown);
  IUnknown* out = nullptr;
  ASSERT_TRUE(n->GetUnknown(&out));
  EXPECT_EQ(out, static_cast<IUnknown*>(&object));
  EXPECT_EQ(object.refs, 3);
  out->Release();
  ASSERT_TRUE(n->SetLong(3));
  EXPECT_EQ(object.refs, 1);
}

TEST(InterfaceValue, ReferenceGoesWhenTheNodeOrItsTreeDies) {
  CountingDispatch object;
  NodePtr root = NewNode(L"r");
  NodePtr child = AddChild(root, L"c");
  AddChild(child, L"deeper")->SetDispatch(&object);
  child.Reset();
  EXPECT_EQ(object.refs, 2);
  root.Reset();
  EXPECT_EQ(object.refs, 1);
}

TEST(InterfaceValue, CloneTakesAReferenceOfItsOwn) {
  CountingDispatch object;
  NodePtr n = NewNode(L"n");
  n->SetDispatch(&object);
  NodePtr copy;
  ASSERT_TRUE(n->Clone(copy.Receive()));
  EXPECT_EQ(object.refs, 3);
  n.Reset();
  EXPECT_EQ(object.refs, 2);
  IDispatch* d = nullptr;
  ASSERT_TRUE(copy->GetDispatch(&d));
  EXPECT_EQ(d, &object);
  d->Release();
  copy.Reset();
  EXPECT_EQ(object.refs, 1);
}

TEST(InterfaceValue, StoredDispatchAnswersGetUnknownThroughQueryInterface) {
  CountingDispatch object;
  NodePtr n = NewNode(L"n");
  n->SetDispatch(&object);
  EXPECT_EQ(n->GetType(), xparam::kTypeDispatch);
  IUnknown* u = nullptr;
  ASSERT_TRUE(n->GetUnknown(&u));
  EXPECT_EQ(u, static_cast<IUnknown*>(&object));
  EXPECT_EQ(object.refs, 3);
  u->Release();
  n->SetUnknown(&object);
  IDispatch* d = reinterpret_cast<IDispatch*>(0x1);
  EXPECT_FALSE(n->GetDispatch(&d));  // an IUnknown is not queried for IDispatch
  EXPECT_EQ(d, reinterpret_cast<IDispatch*>(0x1));
  n.Reset();
  EXPECT_EQ(object.refs, 1);
}

TEST(InterfaceValue, NullInterfaceKeepsItsType) {
  NodePtr n = NewNode(L"n");
  ASSERT_TRUE(n->SetUnknown(nullptr));
  EXPECT_EQ(n->GetType(), xparam::kTypeUnknown);
  IUnknown* u = reinterpret_cast<IUnknown*>(0x1);
  EXPECT_TRUE(n->GetUnknown(&u));
  EXPECT_EQ(u, nullptr);
}

// ---- holders and argument checks ------------------------------------------------

TEST(Holders, KeepTextAliveAfterTheValueChangesAndTheNodeDies) {
  NodePtr n = NewNode(L"name");
  n->SetString(L"stored text", -1);
  const wchar_t* text = nullptr;
  const wchar_t* name = nullptr;
  int length = 0, nameLength = 0;
  Holder textHolder, nameHolder;
  ASSERT_TRUE(n->GetString(&text, &length, &textHolder));
  ASSERT_TRUE(n->GetName(&name, &nameLength, &nameHolder));
  n->SetLong(1);
  n->SetName(L"other", -1);
  n.Reset();
  EXPECT_EQ(std::wstring(text, length), L"stored text");
  EXPECT_EQ(std::wstring(name, nameLength), L"name");
  EXPECT_FALSE(textHolder.Empty());
}

TEST(Holders, BlobStaysAliveAfterReplace) {
  NodePtr n = NewNode(L"n");
  n->SetBlob("abc", 3);
  const unsigned char* data = nullptr;
  unsigned size = 0;
  Holder holder;
  ASSERT_TRUE(n->GetBlob(&data, &size, &holder));
  n->SetBlob("xyz", 3);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(data), size), "abc");
}

TEST(Holders, WithoutHolderOnlyStoredTextIsAnswered) {
  NodePtr n = NewNode(L"n");
  n->SetString(L"kept", -1);
  const wchar_t* text = nullptr;
  int length = 0;
  EXPECT_TRUE(n->GetString(&text, &length, nullptr));
  EXPECT_EQ(std::wstring(text, length), L"kept");
  n->SetLong(12);
  EXPECT_FALSE(n->GetString(&text, &length, nullptr));  // converted text needs a holder
}

TEST(Arguments, TextLengthsAndNullsAreChecked) {
  NodePtr n = NewNode();
  EXPECT_FALSE(n->SetString(nullptr, 3));
  EXPECT_FALSE(n->SetString(L"abc", -2));
  EXPECT_TRUE(n->SetString(nullptr, -1));
  EXPECT_EQ(n->GetType(), xparam::kTypeString);
  EXPECT_TRUE(StringIs(n.Get(), L""));
  EXPECT_TRUE(n->SetString(L"ab\0cd", 5));
  EXPECT_TRUE(StringIs(n.Get(), std::wstring(L"ab\0cd", 5)));
  EXPECT_TRUE(n->SetString(L"abcdef", 2));
  EXPECT_TRUE(StringIs(n.Get(), L"ab"));
  EXPECT_FALSE(n->SetBlob(nullptr, 1));
  EXPECT_FALSE(n->SetName(nullptr, 2));
  EXPECT_TRUE(n->SetName(L"a\0b", 3));
  EXPECT_EQ(NameOf(n), std::wstring(L"a\0b", 3));
  EXPECT_TRUE(n->SetName(nullptr, -1));
  EXPECT_EQ(NameOf(n), L"");
  EXPECT_FALSE(n->GetInt(nullptr));
  EXPECT_FALSE(n->GetString(nullptr, nullptr, nullptr));
  EXPECT_TRUE(n->SetNodeMode(0));
  EXPECT_FALSE(n->SetNodeMode(1));
}

}  // namespace
}  // namespace xptest
