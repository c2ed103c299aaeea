// Bad input: unreadable documents leave the target as it was; values of the
// wrong kind and GUID texts that do not convert read as fresh values; a
// failed write leaves an existing file as it was. Nothing may crash.
#include <windows.h>

#include <string>
#include <vector>

#include "DocsTestSupport.h"
#include "TempDir.h"
#include "registry/RegistryDocuments.h"
#include "xparam/XParamModule.h"

namespace {

using oxcore::CComRuntime;
using oxcore::ReadRegFile;
using oxcore::ReadRuntimeFile;
using oxcore::TypeLibDesc;
using oxtest::DocsTest;
using oxtest::Text;

const char kValidRuntime[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<OxComRuntime>\r\n\t<libraries>\r\n\t\t<lib>\r\n"
    "\t\t\t<libid>{790C2DCA-7C2F-4054-9888-48A18BEDB017}</libid>\r\n\t\t\t<name>L</name>\r\n"
    "\t\t\t<path>l.dll</path>\r\n\t\t</lib>\r\n\t</libraries>\r\n\t<coclasses/>\r\n\t<dispatches/>\r\n"
    "</OxComRuntime>\r\n";

// --- Documents that cannot be read at all -------------------------------

struct UnreadableCase {
  const char* label;
  const char* content;  // null: no file; "<dir>": the path is a directory
  size_t length;        // 0: strlen(content)
};

class UnreadableTest : public DocsTest, public ::testing::WithParamInterface<UnreadableCase> {
 protected:
  std::wstring Stage() {
    const UnreadableCase& c = GetParam();
    std::wstring path = dir_.File(L"doc.xml");
    if (c.content && std::string(c.content) == "<dir>") {
      EXPECT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
    } else if (c.content) {
      EXPECT_TRUE(oxtest::WriteTextFile(path, std::string(c.content, c.length ? c.length : strlen(c.content))));
    }
    return path;
  }
  oxtest::TempDir dir_;
};

TEST_P(UnreadableTest, ReadersFailAndTheTargetKeepsWhatItHad) {
  std::wstring path = Stage();
  std::vector<TypeLibDesc> list = {oxtest::Lib(L"{790C2DCA-7C2F-4054-9888-48A18BEDB017}", L"Kept", L"k.dll")};
  EXPECT_FALSE(ReadRegFile(path, &list));
  ASSERT_EQ(1u, list.size());
  EXPECT_EQ(L"Kept", list[0].name);

  CComRuntime rt;
  oxtest::FillWithMarker(&rt);
  EXPECT_FALSE(ReadRuntimeFile(path, &rt));
  EXPECT_TRUE(oxtest::HasMarker(rt));

  // A merge of it yields an empty runtime.
  oxcore::MergeRegFiles(&rt, {path});
  EXPECT_TRUE(rt.libraries.empty() && rt.coclasses.empty() && rt.dispatches.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Files, UnreadableTest,
    ::testing::Values(
        UnreadableCase{"missing", nullptr, 0},
        UnreadableCase{"directory", "<dir>", 0},
        UnreadableCase{"empty", "", 0},
        UnreadableCase{"blank", "  \r\n\t ", 0},
        UnreadableCase{"declaration_only", "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n", 0},
        UnreadableCase{"truncated", kValidRuntime, sizeof kValidRuntime / 2},
        UnreadableCase{"truncated_in_a_tag", kValidRuntime, 60},
        UnreadableCase{"mismatched_tags", "<OxComRuntime><libraries></coclasses></OxComRuntime>", 0},
        UnreadableCase{"two_roots", "<OxComRuntime/><OxComRuntime/>", 0},
        UnreadableCase{"text_after_root", "<OxComRuntime/>junk", 0},
        UnreadableCase{"not_xml", "this is not a document", 0},
        UnreadableCase{"invalid_utf8", "<OxComRuntime><libraries>\xff\xfe\xfd</libraries></OxComRuntime>", 0},
        UnreadableCase{"nul_bytes", "<OxComRuntime>\0\0\0</OxComRuntime>", 29},
        UnreadableCase{"unknown_value_kind", "<OxComRegistry><typelib><majorver xp.type=\"weird\">1</majorver>"
                                             "</typelib></OxComRegistry>", 0},
        UnreadableCase{"unknown_entity", "<OxComRegistry><typelib><name>&bogus;</name></typelib></OxComRegistry>",
                       0}),
    [](const ::testing::TestParamInfo<UnreadableCase>& info) { return std::string(info.param.label); });

TEST_F(DocsTest, ReadersAndWritersFailWithoutTheDocumentBinding) {
  oxtest::TempDir dir;
  ASSERT_TRUE(oxtest::WriteTextFile(dir.File(L"runtime.xml"), kValidRuntime));
  oxcore::ReleaseXParam(oxcore::XParamBindingKind::kDocuments);
  CComRuntime rt;
  oxtest::FillWithMarker(&rt);
  EXPECT_FALSE(ReadRuntimeFile(dir.File(L"runtime.xml"), &rt));
  EXPECT_TRUE(oxtest::HasMarker(rt));
  std::vector<TypeLibDesc> list;
  EXPECT_FALSE(ReadRegFile(dir.File(L"runtime.xml"), &list));
  EXPECT_FALSE(oxcore::WriteRuntimeFile(dir.File(L"new.xml"), rt));
  EXPECT_FALSE(oxcore::WriteRegFile(dir.File(L"new.oxreg"), list));
  EXPECT_FALSE(oxtest::FileExists(dir.File(L"new.xml")));
  EXPECT_FALSE(oxtest::FileExists(dir.File(L"new.oxreg")));
  EXPECT_FALSE(ReadRegFile(dir.File(L"runtime.xml"), nullptr));
  EXPECT_FALSE(ReadRuntimeFile(dir.File(L"runtime.xml"), nullptr));
}

// --- Readable documents with values of the wrong kind ---------------------

struct ValueCase {
  const char* label;
  const char* element;        // one field element inside a "typelib" / "lib"
  const wchar_t* name;        // expected name
  const wchar_t* guid;        // expected LIBID text
  unsigned short majorver;    // expected (registry document only)
};

const wchar_t kZero[] = L"{00000000-0000-0000-0000-000000000000}";

class WrongKindTest : public DocsTest, public ::testing::WithParamInterface<ValueCase> {};

TEST_P(WrongKindTest, FieldsFallBackToFreshValues) {
  const ValueCase& c = GetParam();
  oxtest::TempDir dir;
  ASSERT_TRUE(oxtest::WriteTextFile(dir.File(L"r.oxreg"), std::string("<OxComRegistry><typelib>") + c.element +
                                                               "</typelib></OxComRegistry>"));
  std::vector<TypeLibDesc> list;
  ASSERT_TRUE(ReadRegFile(dir.File(L"r.oxreg"), &list));
  ASSERT_EQ(1u, list.size());
  EXPECT_EQ(c.name, list[0].name);
  EXPECT_EQ(c.guid, Text(list[0].guid));
  EXPECT_EQ(c.majorver, list[0].majorver);
  EXPECT_TRUE(list[0].coclasses.empty());

  // The same field in a runtime document: "guid" is spelt "libid" there.
  std::string element = c.element;
  for (size_t at; (at = element.find("guid")) != std::string::npos;) element.replace(at, 4, "libid");
  ASSERT_TRUE(oxtest::WriteTextFile(dir.File(L"runtime.xml"),
                                    "<OxComRuntime><libraries><lib>" + element + "</lib></libraries>"
                                    "<coclasses><coclass>" + element + "</coclass></coclasses></OxComRuntime>"));
  CComRuntime rt;
  ASSERT_TRUE(ReadRuntimeFile(dir.File(L"runtime.xml"), &rt));
  ASSERT_EQ(1u, rt.libraries.size());
  EXPECT_EQ(c.guid, Text(rt.libraries.begin()->first));
  EXPECT_EQ(c.name, rt.libraries.begin()->second.name);
  ASSERT_EQ(1u, rt.coclasses.size());
  EXPECT_EQ(c.guid, Text(rt.coclasses.begin()->second.libid));
  EXPECT_EQ(c.name, rt.coclasses.begin()->second.name);
}

INSTANTIATE_TEST_SUITE_P(
    Values, WrongKindTest,
    ::testing::Values(
        ValueCase{"guid_as_int", "<guid xp.type=\"int\">5</guid>", L"", kZero, 0},
        ValueCase{"guid_bad_text", "<guid>{not-a-guid}</guid>", L"", kZero, 0},
        ValueCase{"guid_without_braces", "<guid>790C2DCA-7C2F-4054-9888-48A18BEDB017</guid>", L"", kZero, 0},
        ValueCase{"guid_too_long", "<guid>{790C2DCA-7C2F-4054-9888-48A18BEDB0171}</guid>", L"", kZero, 0},
        ValueCase{"guid_unknown_progid", "<guid>No.Such.ProgId</guid>", L"", kZero, 0},
        ValueCase{"guid_empty", "<guid/>", L"", kZero, 0},
        ValueCase{"guid_empty_string", "<guid xp.type=\"string\"></guid>", L"", kZero, 0},
        ValueCase{"name_as_int", "<name xp.type=\"int\">3</name>", L"", kZero, 0},
        ValueCase{"name_as_blob", "<name xp.type=\"blob\">AAEC</name>", L"", kZero, 0},
        ValueCase{"name_as_bool", "<name xp.type=\"bool\">true</name>", L"", kZero, 0},
        ValueCase{"name_empty_element", "<name/>", L"", kZero, 0},
        ValueCase{"name_with_children", "<name><x>1</x></name>", L"", kZero, 0},
        ValueCase{"majorver_not_a_number", "<majorver>abc</majorver>", L"", kZero, 0},
        ValueCase{"majorver_out_of_range", "<majorver>70000</majorver>", L"", kZero, 0},
        ValueCase{"majorver_negative", "<majorver xp.type=\"int\">-1</majorver>", L"", kZero, 0},
        ValueCase{"majorver_as_blob", "<majorver xp.type=\"blob\">AAEC</majorver>", L"", kZero, 0},
        // Decimal text converts, as the native reader converts it.
        ValueCase{"majorver_as_text", "<majorver>12</majorver>", L"", kZero, 12}),
    [](const ::testing::TestParamInfo<ValueCase>& info) { return std::string(info.param.label); });

// --- Failed writes --------------------------------------------------------

// (A read-only target is no obstacle under Wine: the replace goes through.)
enum class Obstacle { kUnbound, kLocked };

struct WriteCase {
  const char* label;
  Obstacle obstacle;
};

class FailedWriteTest : public DocsTest, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(FailedWriteTest, LeavesTheExistingFileAsItWas) {
  const WriteCase& c = GetParam();
  oxtest::TempDir dir;
  const std::string old = "<OxComRuntime>old</OxComRuntime>";
  CComRuntime rt;
  oxtest::FillWithMarker(&rt);
  std::vector<TypeLibDesc> list = {oxtest::Lib(L"{790C2DCA-7C2F-4054-9888-48A18BEDB017}", L"L", L"l.dll")};

  for (int which = 0; which < 2; ++which) {
    SCOPED_TRACE(which == 0 ? "runtime document" : "registry document");
    std::wstring path = dir.File(which == 0 ? L"runtime.xml" : L"default.oxreg");
    ASSERT_TRUE(oxtest::WriteTextFile(path, old));
    HANDLE lock = INVALID_HANDLE_VALUE;
    if (c.obstacle == Obstacle::kUnbound) oxcore::ReleaseXParam(oxcore::XParamBindingKind::kDocuments);
    if (c.obstacle == Obstacle::kLocked)
      lock = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);

    bool written = which == 0 ? oxcore::WriteRuntimeFile(path, rt) : oxcore::WriteRegFile(path, list);

    if (lock != INVALID_HANDLE_VALUE) CloseHandle(lock);
    if (c.obstacle == Obstacle::kUnbound) {
      ASSERT_TRUE(oxcore::BindXParam(oxcore::XParamBindingKind::kDocuments));
    }
    EXPECT_FALSE(written);
    std::string bytes;
    ASSERT_TRUE(oxtest::ReadTextFile(path, &bytes));
    EXPECT_EQ(old, bytes);
  }
  // No scratch files are left beside the target.
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW(dir.File(L"*").c_str(), &fd);
  int files = 0;
  if (h != INVALID_HANDLE_VALUE) {
    do {
      if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++files;
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  EXPECT_EQ(2, files);
}

INSTANTIATE_TEST_SUITE_P(Obstacles, FailedWriteTest,
                         ::testing::Values(WriteCase{"document_binding_released", Obstacle::kUnbound},
                                           WriteCase{"target_held_open_without_sharing", Obstacle::kLocked}),
                         [](const ::testing::TestParamInfo<WriteCase>& info) { return std::string(info.param.label); });

TEST_F(DocsTest, WriteIntoAMissingDirectoryFailsAndCreatesNothing) {
  oxtest::TempDir dir;
  CComRuntime rt;
  EXPECT_FALSE(oxcore::WriteRuntimeFile(dir.File(L"no\\such\\runtime.xml"), rt));
  EXPECT_FALSE(oxcore::WriteRegFile(dir.File(L"no\\such\\default.oxreg"), {}));
  EXPECT_FALSE(oxcore::WriteRuntimeFile(L"", rt));
  EXPECT_FALSE(oxtest::FileExists(dir.File(L"no")));
}

}  // namespace
