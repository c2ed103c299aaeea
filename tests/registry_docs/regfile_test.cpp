// Registry documents (".oxreg"): round trips, the exact written text, and
// the reading rules (any root name, first child of a name, missing lists).
#include <string>
#include <vector>

#include "DocsTestSupport.h"
#include "TempDir.h"
#include "registry/RegistryDocuments.h"

namespace {

using oxcore::ReadRegFile;
using oxcore::TypeLibDesc;
using oxcore::WriteRegFile;
using oxtest::DocsTest;
using oxtest::Lib;
using oxtest::Type;

class RegFileTest : public DocsTest {};

TEST_F(RegFileTest, RoundTripKeepsEveryFieldAndOrder) {
  std::vector<TypeLibDesc> written = {
      Lib(L"{790C2DCA-7C2F-4054-9888-48A18BEDB017}", L"First Lib", L"sub\\first.dll",
          {Type(L"{00000002-0000-0000-0000-000000000000}", L"Zeta", L"a < b & \"c\""),
           Type(L"{00000100-0000-0000-0000-000000000000}", L"Alpha", L"")},
          {Type(L"{AD977E50-7269-4CE0-BA69-54E1E397E038}", L"IBus", L"d\u00fcse \u4e2d\u6587")}),
      Lib(L"{C772F147-2758-44C7-99D9-608492335D21}", L"Second", L"second.dll"),
  };
  written[0].doc = L"  leading and trailing blanks  ";
  written[0].majorver = 65535;
  written[0].minorver = 0;
  written[1].majorver = 1;
  written[1].minorver = 7;
  written[1].file = L"Other-File.DLL";  // file is stored, not derived from path

  oxtest::TempDir dir;
  const std::wstring path = dir.File(L"default.oxreg");
  ASSERT_TRUE(WriteRegFile(path, written));
  std::vector<TypeLibDesc> read;
  ASSERT_TRUE(ReadRegFile(path, &read));
  oxtest::ExpectSameTypeLibs(written, read);
}

TEST_F(RegFileTest, WrittenTextIsTabIndentedCrLfUtf8InLayoutOrder) {
  std::vector<TypeLibDesc> list = {Lib(L"{790C2DCA-7C2F-4054-9888-48A18BEDB017}", L"Lib", L"a\\b.dll",
                                       {Type(L"{6EB6CC68-A547-4615-B0C3-93F4EEA6A7DF}", L"XParam", L"x")})};
  list[0].doc = L"\u00e9";
  list[0].majorver = 1;
  list[0].minorver = 2;
  oxtest::TempDir dir;
  ASSERT_TRUE(WriteRegFile(dir.File(L"x.oxreg"), list));
  std::string bytes;
  ASSERT_TRUE(oxtest::ReadTextFile(dir.File(L"x.oxreg"), &bytes));
  const std::string expected =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
      "<OxComRegistry>\r\n"
      "\t<typelib>\r\n"
      "\t\t<file>b.dll</file>\r\n"
      "\t\t<path>a\\b.dll</path>\r\n"
      "\t\t<name>Lib</name>\r\n"
      "\t\t<guid>{790C2DCA-7C2F-4054-9888-48A18BEDB017}</guid>\r\n"
      "\t\t<doc>\xc3\xa9</doc>\r\n"
      "\t\t<majorver xp.type=\"ushort\">1</majorver>\r\n"
      "\t\t<minorver xp.type=\"ushort\">2</minorver>\r\n"
      "\t\t<coclasses>\r\n"
      "\t\t\t<coclass>\r\n"
      "\t\t\t\t<name>XParam</name>\r\n"
      "\t\t\t\t<guid>{6EB6CC68-A547-4615-B0C3-93F4EEA6A7DF}</guid>\r\n"
      "\t\t\t\t<doc>x</doc>\r\n"
      "\t\t\t</coclass>\r\n"
      "\t\t</coclasses>\r\n"
      "\t\t<dispatches/>\r\n"
      "\t</typelib>\r\n"
      "</OxComRegistry>\r\n";
  EXPECT_EQ(expected, bytes);
}

TEST_F(RegFileTest, EmptyListWritesARootWithoutChildrenAndReadsBackAsNothing) {
  oxtest::TempDir dir;
  ASSERT_TRUE(WriteRegFile(dir.File(L"e.oxreg"), {}));
  std::string bytes;
  ASSERT_TRUE(oxtest::ReadTextFile(dir.File(L"e.oxreg"), &bytes));
  EXPECT_EQ("<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<OxComRegistry/>\r\n", bytes);

  // A readable document without "typelib" leaves the list as it was.
  std::vector<TypeLibDesc> list = {Lib(L"{790C2DCA-7C2F-4054-9888-48A18BEDB017}", L"Kept", L"kept.dll")};
  ASSERT_TRUE(ReadRegFile(dir.File(L"e.oxreg"), &list));
  ASSERT_EQ(1u, list.size());
  EXPECT_EQ(L"Kept", list[0].name);
}

TEST_F(RegFileTest, ADocumentWithTypelibsReplacesTheWholeList) {
  oxtest::TempDir dir;
  std::vector<TypeLibDesc> one = {Lib(L"{790C2DCA-7C2F-4054-9888-48A18BEDB017}", L"New", L"new.dll")};
  ASSERT_TRUE(WriteRegFile(dir.File(L"r.oxreg"), one));
  std::vector<TypeLibDesc> list = {Lib(L"{C772F147-2758-44C7-99D9-608492335D21}", L"Old1", L"o1.dll"),
                                   Lib(L"{CAD03050-0610-45F4-A3E2-8B9B70230B8D}", L"Old2", L"o2.dll")};
  ASSERT_TRUE(ReadRegFile(dir.File(L"r.oxreg"), &list));
  oxtest::ExpectSameTypeLibs(one, list);
}

// Hand-written documents: any root name, first child of a field's name,
// items among foreign elements, lists missing or empty.
struct ReadCase {
  const char* label;
  const char* body;  // children of the root
  std::vector<TypeLibDesc> expected;
};

class RegFileReadTest : public DocsTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(RegFileReadTest, ReadsAsExpected) {
  const ReadCase& c = GetParam();
  for (const char* root : {"OxComRegistry", "SomethingElse"}) {
    SCOPED_TRACE(root);
    oxtest::TempDir dir;
    std::string text = std::string("<?xml version=\"1.0\"?>\n<") + root + ">" + c.body + "</" + root + ">";
    ASSERT_TRUE(oxtest::WriteTextFile(dir.File(L"h.oxreg"), text));
    std::vector<TypeLibDesc> read;
    ASSERT_TRUE(ReadRegFile(dir.File(L"h.oxreg"), &read));
    oxtest::ExpectSameTypeLibs(c.expected, read);
  }
}

TypeLibDesc Versioned(TypeLibDesc lib, unsigned short major, unsigned short minor) {
  lib.majorver = major;
  lib.minorver = minor;
  return lib;
}

TypeLibDesc NoFile(TypeLibDesc lib) {
  lib.file.clear();
  return lib;
}

INSTANTIATE_TEST_SUITE_P(
    Documents, RegFileReadTest,
    ::testing::Values(
        ReadCase{"typelib_without_coclasses",
                 "<typelib><name>L</name><path>l.dll</path><guid>{790C2DCA-7C2F-4054-9888-48A18BEDB017}</guid>"
                 "</typelib>",
                 {NoFile(Lib(L"{790C2DCA-7C2F-4054-9888-48A18BEDB017}", L"L", L"l.dll"))}},
        ReadCase{"empty_containers",
                 "<typelib><name>L</name><path>l.dll</path><coclasses/><dispatches></dispatches></typelib>",
                 {NoFile(Lib(L"{00000000-0000-0000-0000-000000000000}", L"L", L"l.dll"))}},
        ReadCase{"containers_with_foreign_items_only",
                 "<typelib><coclasses><dispatch><name>N</name></dispatch></coclasses>"
                 "<dispatches><coclass><name>N</name></coclass></dispatches></typelib>",
                 {NoFile(Lib(L"{00000000-0000-0000-0000-000000000000}", L"", L""))}},
        ReadCase{"first_child_of_a_name_wins",
                 "<typelib><name>first</name><name>second</name><path>p1</path><path>p2</path>"
                 "<majorver>3</majorver><majorver>4</majorver></typelib>",
                 {Versioned(NoFile(Lib(L"{00000000-0000-0000-0000-000000000000}", L"first", L"p1")), 3, 0)}},
        ReadCase{"only_the_first_container_counts",
                 "<typelib><coclasses><coclass><name>A</name><guid>{00000001-0000-0000-0000-000000000000}</guid>"
                 "</coclass></coclasses><coclasses><coclass><name>B</name></coclass></coclasses></typelib>",
                 {NoFile(Lib(L"{00000000-0000-0000-0000-000000000000}", L"", L"",
                             {Type(L"{00000001-0000-0000-0000-000000000000}", L"A")}))}},
        ReadCase{"items_and_typelibs_among_foreign_elements_in_document_order",
                 "<note>x</note><typelib><name>one</name><coclasses><coclass><name>c1</name></coclass><junk/>"
                 "<coclass><name>c2</name></coclass></coclasses></typelib><other/><typelib><name>two</name>"
                 "</typelib>",
                 {NoFile(Lib(L"{00000000-0000-0000-0000-000000000000}", L"one", L"",
                             {Type(L"{00000000-0000-0000-0000-000000000000}", L"c1"),
                              Type(L"{00000000-0000-0000-0000-000000000000}", L"c2")})),
                  NoFile(Lib(L"{00000000-0000-0000-0000-000000000000}", L"two", L""))}},
        ReadCase{"lower_case_guid_text_converts",
                 "<typelib><guid>{790c2dca-7c2f-4054-9888-48a18bedb017}</guid></typelib>",
                 {NoFile(Lib(L"{790C2DCA-7C2F-4054-9888-48A18BEDB017}", L"", L""))}}),
    [](const ::testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.label); });

}  // namespace
