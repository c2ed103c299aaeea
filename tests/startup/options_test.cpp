// ReadRuntimeOptions: what a document overrides and what it leaves.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TempDir.h"
#include "core/RuntimeOptionsFile.h"
#include "xparam/XParamModule.h"

namespace {

using oxcore::RuntimeOptions;
using List = std::vector<std::wstring>;

// The options a document is read over: every field differs from what the
// documents below set.
RuntimeOptions Start() {
  RuntimeOptions o;
  o.RemakeRegFile = true;
  o.ConfirmCoClass = true;
  o.IncludeDir = {L"inc"};
  o.ExcludeDir = {L"exd1", L"exd2"};
  o.ExcludeFile = {L"exf"};
  return o;
}

struct OptionsCase {
  const char* label;
  const char* content;  // null: no file
  bool result;
  // Expected fields; the lists as they must be after the read.
  bool remake, rebuild, confirm, recursive;
  List include, excludeDir, excludeFile;
};

// The fields of Start(), for rows that must change nothing.
#define UNCHANGED true, false, true, false, {L"inc"}, {L"exd1", L"exd2"}, {L"exf"}

class OptionsTest : public ::testing::TestWithParam<OptionsCase> {
 protected:
  void SetUp() override { ASSERT_TRUE(oxcore::BindXParam(oxcore::XParamBindingKind::kDocuments)); }
  void TearDown() override { oxcore::ReleaseXParam(oxcore::XParamBindingKind::kDocuments); }
};

TEST_P(OptionsTest, ReadsOverEarlierValues) {
  const OptionsCase& c = GetParam();
  oxtest::TempDir dir;
  const std::wstring path = dir.File(L"oxoptions.xml");
  if (c.content) {
    ASSERT_TRUE(oxtest::WriteTextFile(path, c.content));
  }
  RuntimeOptions o = Start();
  EXPECT_EQ(c.result, oxcore::ReadRuntimeOptions(path, &o));
  EXPECT_EQ(c.remake, o.RemakeRegFile);
  EXPECT_EQ(c.rebuild, o.RebuildRuntime);
  EXPECT_EQ(c.confirm, o.ConfirmCoClass);
  EXPECT_EQ(c.recursive, o.ScanDirRecursive);
  EXPECT_EQ(c.include, o.IncludeDir);
  EXPECT_EQ(c.excludeDir, o.ExcludeDir);
  EXPECT_EQ(c.excludeFile, o.ExcludeFile);
}

INSTANTIATE_TEST_SUITE_P(
    Documents, OptionsTest,
    ::testing::Values(
        // Unreadable: false, nothing changes.
        OptionsCase{"missing", nullptr, false, UNCHANGED},
        OptionsCase{"empty", "", false, UNCHANGED},
        OptionsCase{"blank", " \r\n ", false, UNCHANGED},
        OptionsCase{"malformed", "<o><RemakeRegFile>false</Remake></o>", false, UNCHANGED},
        OptionsCase{"truncated", "<oxoptions><RemakeRegFile>false</RemakeRegFile><ExcludeFile>a", false, UNCHANGED},
        OptionsCase{"two_roots", "<o/><o/>", false, UNCHANGED},
        // Readable: only what the document holds changes.
        OptionsCase{"root_only", "<oxoptions/>", true, UNCHANGED},
        OptionsCase{"foreign_children_only", "<oxoptions><Verbose>true</Verbose><Include>x</Include></oxoptions>",
                    true, UNCHANGED},
        OptionsCase{"every_bool_flipped",
                    "<oxoptions><RemakeRegFile>false</RemakeRegFile><RebuildRuntime>true</RebuildRuntime>"
                    "<ConfirmCoClass>0</ConfirmCoClass><ScanDirRecursive>1</ScanDirRecursive></oxoptions>",
                    true, false, true, false, true, {L"inc"}, {L"exd1", L"exd2"}, {L"exf"}},
        OptionsCase{"bools_in_any_case_and_typed",
                    "<Whatever><RemakeRegFile>FALSE</RemakeRegFile><RebuildRuntime>True</RebuildRuntime>"
                    "<ScanDirRecursive xp.type=\"bool\">true</ScanDirRecursive></Whatever>",
                    true, false, true, true, true, {L"inc"}, {L"exd1", L"exd2"}, {L"exf"}},
        OptionsCase{"bools_that_do_not_read_keep_their_value",
                    "<o><RemakeRegFile>no</RemakeRegFile><RebuildRuntime>2</RebuildRuntime>"
                    "<ConfirmCoClass/><ScanDirRecursive xp.type=\"blob\">AQ==</ScanDirRecursive></o>",
                    true, UNCHANGED},
        OptionsCase{"first_bool_of_a_name_wins",
                    "<o><RemakeRegFile>false</RemakeRegFile><RemakeRegFile>true</RemakeRegFile></o>", true, false,
                    false, true, false, {L"inc"}, {L"exd1", L"exd2"}, {L"exf"}},
        OptionsCase{"two_exclude_files_in_document_order",
                    "<o><ExcludeFile>b.dll</ExcludeFile><Other/><ExcludeFile>A.DLL</ExcludeFile></o>", true, true,
                    false, true, false, {L"inc"}, {L"exd1", L"exd2"}, {L"b.dll", L"A.DLL"}},
        OptionsCase{"every_list_replaced_interleaved",
                    "<o><IncludeDir>i1</IncludeDir><ExcludeDir>d1</ExcludeDir><IncludeDir>i2</IncludeDir>"
                    "<ExcludeFile>f1</ExcludeFile><IncludeDir>sub\\i3</IncludeDir></o>",
                    true, true, false, true, false, {L"i1", L"i2", L"sub\\i3"}, {L"d1"}, {L"f1"}},
        OptionsCase{"non_string_items_give_empty_entries",
                    "<o><IncludeDir xp.type=\"int\">5</IncludeDir><IncludeDir>x</IncludeDir><ExcludeDir/></o>", true,
                    true, false, true, false, {L"", L"x"}, {L""}, {L"exf"}},
        OptionsCase{"nested_items_are_not_list_items",
                    "<o><group><ExcludeFile>x.dll</ExcludeFile></group></o>", true, UNCHANGED},
        OptionsCase{"text_kept_as_written",
                    "<o><ExcludeFile> sp ace.dll </ExcludeFile><ExcludeFile>\xc3\x9c\x6e\xc3\xaf.dll</ExcludeFile>"
                    "<ExcludeFile>a&amp;b.dll</ExcludeFile></o>",
                    true, true, false, true, false, {L"inc"}, {L"exd1", L"exd2"},
                    {L" sp ace.dll ", L"\u00dcn\u00ef.dll", L"a&b.dll"}}),
    [](const ::testing::TestParamInfo<OptionsCase>& info) { return std::string(info.param.label); });

TEST(OptionsFileTest, WithoutTheDocumentBindingNothingIsRead) {
  oxtest::TempDir dir;
  ASSERT_TRUE(oxtest::WriteTextFile(dir.File(L"oxoptions.xml"), "<o><RemakeRegFile>false</RemakeRegFile></o>"));
  oxcore::ReleaseXParam(oxcore::XParamBindingKind::kDocuments);
  RuntimeOptions o = Start();
  EXPECT_FALSE(oxcore::ReadRuntimeOptions(dir.File(L"oxoptions.xml"), &o));
  EXPECT_TRUE(o.RemakeRegFile);
  EXPECT_FALSE(oxcore::ReadRuntimeOptions(dir.File(L"oxoptions.xml"), nullptr));
}

}  // namespace
