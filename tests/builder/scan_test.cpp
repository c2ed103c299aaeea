// ScanLibraries over staged trees: which files become entries, under which
// relative paths, in which order, and how the include and exclude options
// act. Every library staged is a copy of a real one.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "BuilderStage.h"
#include "Fixtures.h"
#include "TempDir.h"
#include "registry/ScanLibraries.h"

namespace {

using oxcore::TypeLibDesc;

enum class Kind {
  kLibrary,    // a component library with a type library (fx_counted)
  kNoTypeLib,  // a component library without one (fx_notlb)
  kPlainDll,   // xparam.dll: a library, no type library
  kGarbage,    // not a library at all
  kDirectory,
};

struct Entry {
  const wchar_t* relative;
  Kind kind;
};

struct ScanCase {
  const char* name;
  std::vector<Entry> tree;
  bool recursive;
  std::vector<std::wstring> includeDirs;
  std::vector<std::wstring> excludeDirs;
  std::vector<std::wstring> excludeFiles;
  bool rootWithoutSeparator;
  std::vector<std::wstring> expected;  // relative paths, any order within a directory
};

bool StageEntry(const oxtest::TempDir& dir, const Entry& e) {
  switch (e.kind) {
    case Kind::kLibrary:
      return bxtest::Stage(dir, e.relative, fx::fx_counted.Path());
    case Kind::kNoTypeLib:
      return bxtest::Stage(dir, e.relative, fx::fx_notlb.Path());
    case Kind::kPlainDll:
      return bxtest::Stage(dir, e.relative, bxtest::BinFile(L"xparam.dll"));
    case Kind::kGarbage:
      return bxtest::StageGarbage(dir, e.relative);
    case Kind::kDirectory:
      return bxtest::MakeDirs(dir, e.relative);
  }
  return false;
}

std::wstring Directory(const std::wstring& relative) {
  size_t separator = relative.find_last_of(L'\\');
  return separator == std::wstring::npos ? std::wstring() : relative.substr(0, separator + 1);
}

size_t Depth(const std::wstring& relative) {
  return std::count(relative.begin(), relative.end(), L'\\') - (relative.rfind(L'\\', 0) == 0 ? 1 : 0);
}

class ScanCaseTest : public ::testing::TestWithParam<ScanCase> {};

TEST_P(ScanCaseTest, ListsExactlyTheExpectedLibraries) {
  const ScanCase& c = GetParam();
  oxtest::TempDir dir;
  for (const Entry& e : c.tree) ASSERT_TRUE(StageEntry(dir, e));
  const std::wstring root = c.rootWithoutSeparator ? dir.Path().substr(0, dir.Path().size() - 1) : dir.Path();

  std::vector<TypeLibDesc> list(2);  // emptied first
  oxcore::ScanLibraries(&list, root, c.recursive, false, c.includeDirs, c.excludeDirs, c.excludeFiles);

  std::vector<std::wstring> paths;
  for (const TypeLibDesc& d : list) {
    paths.push_back(d.path);
    // file is the last part of the path; the description is the library's.
    EXPECT_EQ(d.path.substr(d.path.find_last_of(L'\\') + 1), d.file);
    EXPECT_TRUE(IsEqualGUID(fx::fx_counted.libid, d.guid));
    EXPECT_EQ(1u, d.coclasses.size());
  }
  std::vector<std::wstring> sorted = paths;
  std::vector<std::wstring> expected = c.expected;
  std::sort(sorted.begin(), sorted.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(expected, sorted);

  // Walk order: the root first; when recursive, never a deeper directory
  // before a shallower one; otherwise the included directories in list order.
  for (size_t i = 1; i < paths.size(); ++i) {
    if (c.recursive) {
      EXPECT_LE(Depth(paths[i - 1]), Depth(paths[i])) << i;
    } else {
      auto rank = [&](const std::wstring& p) {
        std::wstring d = Directory(p);
        for (size_t k = 0; k < c.includeDirs.size(); ++k)
          if (!c.includeDirs[k].empty() && d == c.includeDirs[k] + L"\\") return k + 1;
        return size_t{0};
      };
      EXPECT_LE(rank(paths[i - 1]), rank(paths[i])) << i;
    }
  }
}

const std::vector<Entry> kPluginTree = {{L"a.dll", Kind::kLibrary},
                                        {L"plugins\\b.dll", Kind::kLibrary},
                                        {L"plugins\\sub\\c.dll", Kind::kLibrary},
                                        {L"other\\d.dll", Kind::kLibrary}};

INSTANTIATE_TEST_SUITE_P(
    Trees, ScanCaseTest,
    ::testing::Values(
        ScanCase{"EmptyRoot", {}, true, {}, {}, {}, false, {}},
        ScanCase{"OnlyFilesWithATypeLibrary",
                 {{L"a.dll", Kind::kLibrary},
                  {L"notlb.dll", Kind::kNoTypeLib},
                  {L"xparam.dll", Kind::kPlainDll},
                  {L"x.dll", Kind::kGarbage},
                  {L"readme.txt", Kind::kGarbage},
                  {L"lib.dll.bak", Kind::kLibrary}},
                 false, {}, {}, {}, false, {L"a.dll"}},
        ScanCase{"DirectoryNamedDllIsNotDescribed",
                 {{L"a.dll", Kind::kLibrary}, {L"foo.dll\\inner.dll", Kind::kLibrary}},
                 false, {}, {}, {}, false, {L"a.dll"}},
        ScanCase{"DirectoryNamedDllIsWalkedWhenRecursive",
                 {{L"a.dll", Kind::kLibrary}, {L"foo.dll\\inner.dll", Kind::kLibrary}},
                 true, {}, {}, {}, false, {L"a.dll", L"foo.dll\\inner.dll"}},
        ScanCase{"NotRecursiveStaysInTheRoot", kPluginTree, false, {}, {}, {}, false, {L"a.dll"}},
        ScanCase{"RecursiveWalksTheWholeTree", kPluginTree, true, {}, {}, {}, false,
                 {L"a.dll", L"plugins\\b.dll", L"plugins\\sub\\c.dll", L"other\\d.dll"}},
        ScanCase{"IncludeDirAddsOneLevel", kPluginTree, false, {L"plugins"}, {}, {}, false,
                 {L"a.dll", L"plugins\\b.dll"}},
        ScanCase{"IncludeDirsInListOrderEmptyOnesSkipped", kPluginTree, false, {L"other", L"", L"plugins\\sub"}, {},
                 {}, false, {L"a.dll", L"other\\d.dll", L"plugins\\sub\\c.dll"}},
        ScanCase{"IncludeDirIgnoredWhenRecursive", kPluginTree, true, {L"plugins", L"other"}, {}, {}, false,
                 {L"a.dll", L"plugins\\b.dll", L"plugins\\sub\\c.dll", L"other\\d.dll"}},
        ScanCase{"ExcludeFileIgnoresCase",
                 {{L"foo.dll", Kind::kLibrary}, {L"bar.dll", Kind::kLibrary}, {L"plugins\\Foo.Dll", Kind::kLibrary}},
                 true, {}, {}, {L"", L"FOO.DLL"}, false, {L"bar.dll"}},
        ScanCase{"ExcludeFileIsAWholeName",
                 {{L"foo.dll", Kind::kLibrary}, {L"xfoo.dll", Kind::kLibrary}},
                 false, {}, {}, {L"foo"}, false, {L"foo.dll", L"xfoo.dll"}},
        ScanCase{"ExcludeDirIsCaseSensitive", {{L"plugins\\a.dll", Kind::kLibrary}}, true, {}, {L"Plugins"}, {},
                 false, {L"plugins\\a.dll"}},
        ScanCase{"ExcludeDirIsAPlainPrefix",
                 {{L"plugins\\old\\a.dll", Kind::kLibrary},
                  {L"plugins\\older\\b.dll", Kind::kLibrary},
                  {L"plugins\\new\\c.dll", Kind::kLibrary},
                  {L"d.dll", Kind::kLibrary}},
                 true, {}, {L"", L"plugins\\old"}, {}, false, {L"plugins\\new\\c.dll", L"d.dll"}},
        ScanCase{"ExcludeDirAppliesToIncludedDirs", kPluginTree, false, {L"plugins"}, {L"plugins\\"}, {}, false,
                 {L"a.dll"}},
        ScanCase{"NestedLibraryKeepsItsRelativePath", {{L"plugins\\sub\\a.dll", Kind::kLibrary}}, true, {}, {}, {},
                 false, {L"plugins\\sub\\a.dll"}},
        ScanCase{"RootWithoutSeparatorGivesLeadingBackslash", kPluginTree, true, {}, {L"plugins"}, {}, true,
                 {L"\\a.dll", L"\\plugins\\b.dll", L"\\plugins\\sub\\c.dll", L"\\other\\d.dll"}},
        ScanCase{"RootWithoutSeparatorNeedsBackslashedExcludeDir", kPluginTree, true, {}, {L"\\plugins"}, {}, true,
                 {L"\\a.dll", L"\\other\\d.dll"}},
        ScanCase{"RootWithoutSeparatorIncludeDir", kPluginTree, false, {L"plugins"}, {}, {}, true,
                 {L"\\a.dll", L"\\plugins\\b.dll"}}),
    [](const ::testing::TestParamInfo<ScanCase>& info) { return std::string(info.param.name); });

TEST(ScanLibraries, MissingRootGivesAnEmptyList) {
  oxtest::TempDir dir;
  std::vector<TypeLibDesc> list(1);
  oxcore::ScanLibraries(&list, dir.File(L"absent"), true, true, {L"plugins"}, {}, {});
  EXPECT_TRUE(list.empty());
}

// With confirmation, libraries that serve nothing keep their entry.
struct ConfirmCase {
  const fx::Fixture* fixture;
  bool listed;  // has a type library
  bool serves;  // its DllGetClassObject hands out the factory
};

const ConfirmCase kConfirmCases[] = {
    {&fx::fx_counted, true, true},    {&fx::fx_nounload, true, true},   {&fx::fx_notlb, false, true},
    {&fx::fx_nogco, true, false},     {&fx::fx_gcofails, true, false},  {&fx::fx_gcoraises, true, false},
};

TEST(ScanLibraries, ConfirmationDropsOnlyUnservedCoClasses) {
  oxtest::TempDir dir;
  for (const ConfirmCase& c : kConfirmCases) ASSERT_TRUE(bxtest::Stage(dir, c.fixture->File(), c.fixture->Path()));
  std::vector<TypeLibDesc> list;
  oxcore::ScanLibraries(&list, dir.Path(), false, true, {}, {}, {});
  // Scanning again leaves no handle behind.
  const unsigned long handles = bxtest::OpenHandleCount();
  oxcore::ScanLibraries(&list, dir.Path(), false, true, {}, {}, {});
  EXPECT_EQ(handles, bxtest::OpenHandleCount());
  size_t listed = 0;
  for (const ConfirmCase& c : kConfirmCases) {
    const std::wstring file = c.fixture->File();
    SCOPED_TRACE(std::string(file.begin(), file.end()));
    auto found = std::find_if(list.begin(), list.end(), [&](const TypeLibDesc& d) { return d.file == file; });
    EXPECT_FALSE(c.fixture->Loaded());
    if (!c.listed) {
      EXPECT_TRUE(found == list.end());
      continue;
    }
    ++listed;
    ASSERT_TRUE(found != list.end());
    EXPECT_EQ(file, found->path);
    EXPECT_EQ(c.serves ? 1u : 0u, found->coclasses.size());
    EXPECT_EQ(2u, found->dispatches.size());
  }
  EXPECT_EQ(listed, list.size());
}

}  // namespace
