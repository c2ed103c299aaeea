// Runtime documents ("runtime.xml"): round trips, the exact written text,
// key order by raw bytes, first entry of a key wins, empty tables.
#include <string>
#include <vector>

#include "DocsTestSupport.h"
#include "TempDir.h"
#include "registry/RegistryDocuments.h"

namespace {

using oxcore::CComRuntime;
using oxcore::ComEntry;
using oxcore::LibInfo;
using oxcore::ReadRuntimeFile;
using oxcore::WriteRuntimeFile;
using oxtest::DocsTest;
using oxtest::G;
using oxtest::Keys;

class RuntimeFileTest : public DocsTest {};

void AddLib(CComRuntime* rt, const wchar_t* libid, const wchar_t* name, const wchar_t* path) {
  LibInfo info;
  info.libid = G(libid);
  info.name = name;
  info.path = path;
  rt->libraries.emplace(info.libid, info);
}

void AddEntry(CComRuntime::EntryMap* map, const wchar_t* guid, const wchar_t* name, const wchar_t* libid) {
  map->emplace(G(guid), ComEntry{G(guid), name, G(libid)});
}

void ExpectSameEntries(const CComRuntime::EntryMap& expected, const CComRuntime::EntryMap& actual) {
  ASSERT_EQ(Keys(expected), Keys(actual));
  auto a = actual.begin();
  for (const auto& e : expected) {
    EXPECT_EQ(oxtest::Text(e.first), oxtest::Text(a->second.guid));
    EXPECT_EQ(e.second.name, a->second.name);
    EXPECT_EQ(oxtest::Text(e.second.libid), oxtest::Text(a->second.libid));
    ++a;
  }
}

void ExpectSameRuntime(const CComRuntime& expected, const CComRuntime& actual) {
  ASSERT_EQ(Keys(expected.libraries), Keys(actual.libraries));
  auto a = actual.libraries.begin();
  for (const auto& e : expected.libraries) {
    EXPECT_EQ(oxtest::Text(e.first), oxtest::Text(a->second.libid));
    EXPECT_EQ(e.second.name, a->second.name);
    EXPECT_EQ(e.second.path, a->second.path);
    ++a;
  }
  ExpectSameEntries(expected.coclasses, actual.coclasses);
  ExpectSameEntries(expected.dispatches, actual.dispatches);
}

TEST_F(RuntimeFileTest, RoundTripKeepsEveryStoredFieldAndNewRecordsAreFresh) {
  CComRuntime written;
  AddLib(&written, L"{790C2DCA-7C2F-4054-9888-48A18BEDB017}", L"Lib \u00e4 & <b>", L"sub dir\\a.dll");
  AddLib(&written, L"{C772F147-2758-44C7-99D9-608492335D21}", L"", L"");
  AddEntry(&written.coclasses, L"{6EB6CC68-A547-4615-B0C3-93F4EEA6A7DF}", L"XParam",
           L"{C772F147-2758-44C7-99D9-608492335D21}");
  AddEntry(&written.coclasses, L"{120E05E5-6584-4C1D-B454-389DC58B1A80}", L"App",
           L"{790C2DCA-7C2F-4054-9888-48A18BEDB017}");
  AddEntry(&written.dispatches, L"{AD977E50-7269-4CE0-BA69-54E1E397E038}", L"IMsgBus",
           L"{C772F147-2758-44C7-99D9-608492335D21}");
  // Loader state is never stored.
  written.libraries.begin()->second.pinned = true;

  oxtest::TempDir dir;
  ASSERT_TRUE(WriteRuntimeFile(dir.File(L"runtime.xml"), written));
  CComRuntime read;
  ASSERT_TRUE(ReadRuntimeFile(dir.File(L"runtime.xml"), &read));
  ExpectSameRuntime(written, read);
  for (const auto& pair : read.libraries) {
    EXPECT_FALSE(pair.second.pinned);
    EXPECT_FALSE(pair.second.handle);
    ASSERT_TRUE(pair.second.lock);
  }
  // Each record has a lock of its own.
  EXPECT_NE(read.libraries.begin()->second.lock, std::next(read.libraries.begin())->second.lock);
}

TEST_F(RuntimeFileTest, WrittenTextIsTabIndentedCrLfUtf8InLayoutOrder) {
  CComRuntime rt;
  AddLib(&rt, L"{790C2DCA-7C2F-4054-9888-48A18BEDB017}", L"Lib", L"a\\b.dll");
  AddEntry(&rt.coclasses, L"{6EB6CC68-A547-4615-B0C3-93F4EEA6A7DF}", L"X\u00e9",
           L"{790C2DCA-7C2F-4054-9888-48A18BEDB017}");
  oxtest::TempDir dir;
  ASSERT_TRUE(WriteRuntimeFile(dir.File(L"runtime.xml"), rt));
  std::string bytes;
  ASSERT_TRUE(oxtest::ReadTextFile(dir.File(L"runtime.xml"), &bytes));
  const std::string expected =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
      "<OxComRuntime>\r\n"
      "\t<libraries>\r\n"
      "\t\t<lib>\r\n"
      "\t\t\t<libid>{790C2DCA-7C2F-4054-9888-48A18BEDB017}</libid>\r\n"
      "\t\t\t<name>Lib</name>\r\n"
      "\t\t\t<path>a\\b.dll</path>\r\n"
      "\t\t</lib>\r\n"
      "\t</libraries>\r\n"
      "\t<coclasses>\r\n"
      "\t\t<coclass>\r\n"
      "\t\t\t<clsid>{6EB6CC68-A547-4615-B0C3-93F4EEA6A7DF}</clsid>\r\n"
      "\t\t\t<name>X\xc3\xa9</name>\r\n"
      "\t\t\t<libid>{790C2DCA-7C2F-4054-9888-48A18BEDB017}</libid>\r\n"
      "\t\t</coclass>\r\n"
      "\t</coclasses>\r\n"
      "\t<dispatches/>\r\n"
      "</OxComRuntime>\r\n";
  EXPECT_EQ(expected, bytes);
}

TEST_F(RuntimeFileTest, EmptyRuntimeWritesThreeEmptyContainers) {
  oxtest::TempDir dir;
  CComRuntime empty;
  ASSERT_TRUE(WriteRuntimeFile(dir.File(L"runtime.xml"), empty));
  std::string bytes;
  ASSERT_TRUE(oxtest::ReadTextFile(dir.File(L"runtime.xml"), &bytes));
  EXPECT_EQ(
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<OxComRuntime>\r\n\t<libraries/>\r\n\t<coclasses/>\r\n"
      "\t<dispatches/>\r\n</OxComRuntime>\r\n",
      bytes);
  // Reading it succeeds and, finding no items, leaves every table as it was.
  CComRuntime read;
  oxtest::FillWithMarker(&read);
  ASSERT_TRUE(ReadRuntimeFile(dir.File(L"runtime.xml"), &read));
  EXPECT_TRUE(oxtest::HasMarker(read));
}

TEST_F(RuntimeFileTest, EntriesAreWrittenInRawByteOrderNotTextOrder) {
  // Data1 is little-endian: 0x00000002 is 02 00 00 00 and sorts after
  // 0x00000100 (00 01 00 00), the reverse of their texts.
  const wchar_t* k2 = L"{00000002-0000-0000-0000-000000000000}";
  const wchar_t* k100 = L"{00000100-0000-0000-0000-000000000000}";
  const wchar_t* lib = L"{790C2DCA-7C2F-4054-9888-48A18BEDB017}";
  CComRuntime rt;
  AddLib(&rt, k2, L"two", L"2.dll");
  AddLib(&rt, k100, L"hundred", L"100.dll");
  AddEntry(&rt.coclasses, k2, L"two", lib);
  AddEntry(&rt.coclasses, k100, L"hundred", lib);
  AddEntry(&rt.dispatches, k100, L"hundred", lib);
  AddEntry(&rt.dispatches, k2, L"two", lib);
  oxtest::TempDir dir;
  ASSERT_TRUE(WriteRuntimeFile(dir.File(L"runtime.xml"), rt));
  std::string bytes;
  ASSERT_TRUE(oxtest::ReadTextFile(dir.File(L"runtime.xml"), &bytes));
  for (const char* container : {"<libraries>", "<coclasses>", "<dispatches>"}) {
    size_t start = bytes.find(container);
    ASSERT_NE(std::string::npos, start) << container;
    size_t hundred = bytes.find("{00000100-0000-0000-0000-000000000000}", start);
    size_t two = bytes.find("{00000002-0000-0000-0000-000000000000}", start);
    ASSERT_NE(std::string::npos, hundred);
    ASSERT_NE(std::string::npos, two);
    EXPECT_LT(hundred, two) << container;
  }
  CComRuntime read;
  ASSERT_TRUE(ReadRuntimeFile(dir.File(L"runtime.xml"), &read));
  std::vector<std::wstring> order = {k100, k2};
  EXPECT_EQ(order, Keys(read.libraries));
  EXPECT_EQ(order, Keys(read.coclasses));
  EXPECT_EQ(order, Keys(read.dispatches));
}

TEST_F(RuntimeFileTest, FirstEntryOfAKeyWinsInEveryTable) {
  oxtest::TempDir dir;
  const std::string doc =
      "<OxComRuntime>"
      "<libraries>"
      "<lib><libid>{790C2DCA-7C2F-4054-9888-48A18BEDB017}</libid><name>first</name><path>1.dll</path></lib>"
      "<lib><libid>{790C2DCA-7C2F-4054-9888-48A18BEDB017}</libid><name>second</name><path>2.dll</path></lib>"
      "</libraries>"
      "<coclasses>"
      "<coclass><clsid>{6EB6CC68-A547-4615-B0C3-93F4EEA6A7DF}</clsid><name>first</name></coclass>"
      "<coclass><clsid>{6EB6CC68-A547-4615-B0C3-93F4EEA6A7DF}</clsid><name>second</name></coclass>"
      "</coclasses>"
      "<dispatches>"
      "<dispatch><iid>{AD977E50-7269-4CE0-BA69-54E1E397E038}</iid><name>first</name></dispatch>"
      "<dispatch><iid>{AD977E50-7269-4CE0-BA69-54E1E397E038}</iid><name>second</name></dispatch>"
      "</dispatches>"
      "</OxComRuntime>";
  ASSERT_TRUE(oxtest::WriteTextFile(dir.File(L"runtime.xml"), doc));
  CComRuntime rt;
  ASSERT_TRUE(ReadRuntimeFile(dir.File(L"runtime.xml"), &rt));
  ASSERT_EQ(1u, rt.libraries.size());
  EXPECT_EQ(L"first", rt.libraries.begin()->second.name);
  EXPECT_EQ(L"1.dll", rt.libraries.begin()->second.path);
  ASSERT_EQ(1u, rt.coclasses.size());
  EXPECT_EQ(L"first", rt.coclasses.begin()->second.name);
  ASSERT_EQ(1u, rt.dispatches.size());
  EXPECT_EQ(L"first", rt.dispatches.begin()->second.name);
}

TEST_F(RuntimeFileTest, AnyRootNameAndOnlyPresentTablesAreReplaced) {
  oxtest::TempDir dir;
  // Only "coclasses" holds items: the other two tables keep what they had.
  const std::string doc =
      "<?xml version=\"1.0\"?>\n<Whatever><libraries/><coclasses><note/>"
      "<coclass><clsid>{6EB6CC68-A547-4615-B0C3-93F4EEA6A7DF}</clsid><name>X</name>"
      "<libid>{C772F147-2758-44C7-99D9-608492335D21}</libid></coclass></coclasses></Whatever>";
  ASSERT_TRUE(oxtest::WriteTextFile(dir.File(L"runtime.xml"), doc));
  CComRuntime rt;
  oxtest::FillWithMarker(&rt);
  ASSERT_TRUE(ReadRuntimeFile(dir.File(L"runtime.xml"), &rt));
  EXPECT_EQ(1u, rt.libraries.size());
  EXPECT_EQ(1u, rt.dispatches.size());
  ASSERT_EQ(std::vector<std::wstring>{L"{6EB6CC68-A547-4615-B0C3-93F4EEA6A7DF}"}, Keys(rt.coclasses));
  EXPECT_EQ(L"X", rt.coclasses.begin()->second.name);
  EXPECT_EQ(L"{C772F147-2758-44C7-99D9-608492335D21}", oxtest::Text(rt.coclasses.begin()->second.libid));
}

}  // namespace
