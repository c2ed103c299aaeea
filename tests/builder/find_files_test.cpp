// FindFiles on its own: which entries it reports, in which order it visits
// directories, how it stops, and that it releases its enumerations.
#include <windows.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "BuilderStage.h"
#include "TempDir.h"
#include "registry/FindFiles.h"

namespace {

using oxcore::FindFiles;

struct Visit {
  std::wstring directory;  // relative to the root, "" for the root itself
  std::wstring name;
  bool isDirectory;
};

struct Walk {
  std::wstring root;
  std::vector<Visit> visits;
  size_t stopAfter = 0;  // 0: never stop
};

bool Record(const std::wstring& directory, const WIN32_FIND_DATAW& data, void* context) {
  auto* walk = static_cast<Walk*>(context);
  std::wstring relative = directory.compare(0, walk->root.size(), walk->root) == 0
                              ? directory.substr(walk->root.size())
                              : L"<outside>" + directory;
  walk->visits.push_back({relative, data.cFileName, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
  return walk->stopAfter == 0 || walk->visits.size() < walk->stopAfter;
}

size_t Depth(const std::wstring& relative) { return std::count(relative.begin(), relative.end(), L'\\'); }

std::vector<std::wstring> Paths(const Walk& walk) {
  std::vector<std::wstring> paths;
  for (const Visit& v : walk.visits) paths.push_back(v.directory + v.name + (v.isDirectory ? L"\\" : L""));
  std::sort(paths.begin(), paths.end());
  return paths;
}

// Tree: a.txt, b.dat, d1\ (c.txt, d3\ (e.txt)), d2\ (f.dat), x.txt\ (g.txt)
class FindFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const wchar_t* file : {L"a.txt", L"b.dat", L"d1\\c.txt", L"d1\\d3\\e.txt", L"d2\\f.dat", L"x.txt\\g.txt"})
      ASSERT_TRUE(bxtest::StageGarbage(dir_, file));
  }
  Walk Run(const wchar_t* pattern, bool recursive, size_t stopAfter = 0, bool* completed = nullptr) {
    Walk walk;
    walk.root = dir_.Path();
    walk.stopAfter = stopAfter;
    bool done = FindFiles(&Record, pattern, dir_.Path(), recursive, &walk);
    if (completed) *completed = done;
    return walk;
  }
  oxtest::TempDir dir_;
};

struct PatternCase {
  const char* name;
  const wchar_t* pattern;
  bool recursive;
  std::vector<std::wstring> expected;  // sorted; directories end with '\'
};

class FindFilesPatternTest : public FindFilesTest, public ::testing::WithParamInterface<PatternCase> {};

TEST_P(FindFilesPatternTest, ReportsExactlyTheMatchingEntries) {
  const PatternCase& c = GetParam();
  bool completed = false;
  Walk walk = Run(c.pattern, c.recursive, 0, &completed);
  EXPECT_TRUE(completed);
  EXPECT_EQ(c.expected, Paths(walk));
}

const std::vector<std::wstring> kEverything = {L"a.txt",     L"b.dat",       L"d1\\",      L"d1\\c.txt",
                                               L"d1\\d3\\",  L"d1\\d3\\e.txt", L"d2\\",      L"d2\\f.dat",
                                               L"x.txt\\",   L"x.txt\\g.txt"};
const std::vector<std::wstring> kTopLevel = {L"a.txt", L"b.dat", L"d1\\", L"d2\\", L"x.txt\\"};

INSTANTIATE_TEST_SUITE_P(
    Patterns, FindFilesPatternTest,
    ::testing::Values(
        PatternCase{"AllFlat", L"*.*", false, kTopLevel},
        PatternCase{"AllRecursive", L"*.*", true, kEverything},
        PatternCase{"NullMeansAll", nullptr, true, kEverything},
        PatternCase{"EmptyMeansAll", L"", true, kEverything},
        // Another pattern still walks every directory, found by a second
        // enumeration; a directory matching the pattern is reported too.
        PatternCase{"TxtFlat", L"*.txt", false, {L"a.txt", L"x.txt\\"}},
        PatternCase{"TxtRecursive",
                    L"*.txt",
                    true,
                    {L"a.txt", L"d1\\c.txt", L"d1\\d3\\e.txt", L"x.txt\\", L"x.txt\\g.txt"}},
        // "*" matches everything but is not "*.*": directories are reported
        // by the first enumeration and queued by the second, once each.
        PatternCase{"StarRecursive", L"*", true, kEverything}),
    [](const ::testing::TestParamInfo<PatternCase>& info) { return std::string(info.param.name); });

TEST_F(FindFilesTest, VisitsDirectoriesBreadthFirstAndEachOnce) {
  for (const wchar_t* pattern : {L"*.*", L"*.dat"}) {
    Walk walk = Run(pattern, true);
    // Directories in the order they were first entered.
    std::vector<std::wstring> order;
    for (const Visit& v : walk.visits)
      if (order.empty() || order.back() != v.directory) order.push_back(v.directory);
    // Entries of one directory are reported together...
    std::vector<std::wstring> unique = order;
    std::sort(unique.begin(), unique.end());
    EXPECT_TRUE(std::adjacent_find(unique.begin(), unique.end()) == unique.end());
    // ...and no directory is entered before a shallower one.
    for (size_t i = 1; i < order.size(); ++i) EXPECT_LE(Depth(order[i - 1]), Depth(order[i]));
  }
  // With "*.*" every directory is entered; the root first.
  Walk all = Run(L"*.*", true);
  ASSERT_FALSE(all.visits.empty());
  EXPECT_EQ(L"", all.visits.front().directory);
  EXPECT_EQ(L"d1\\d3\\", all.visits.back().directory);
}

TEST_F(FindFilesTest, ACallbackAnsweringFalseEndsTheWholeWalk) {
  for (size_t stop : {1u, 3u, 6u, 9u}) {
    bool completed = true;
    Walk walk = Run(L"*.*", true, stop, &completed);
    EXPECT_FALSE(completed);
    EXPECT_EQ(stop, walk.visits.size());
  }
  // Stopping on the last entry is still a stop.
  bool completed = true;
  Walk last = Run(L"*.*", true, kEverything.size(), &completed);
  EXPECT_FALSE(completed);
  EXPECT_EQ(kEverything.size(), last.visits.size());
}

TEST_F(FindFilesTest, PassesTheNormalisedDirectoryToTheCallback) {
  std::wstring bare = dir_.Path().substr(0, dir_.Path().size() - 1);
  for (const std::wstring& root : {bare, bare + L"/"}) {
    Walk walk;
    walk.root = oxcore::NormalizeDirectory(root);
    EXPECT_TRUE(FindFiles(&Record, L"*.*", root, false, &walk));
    EXPECT_EQ(kTopLevel, Paths(walk));
  }
}

TEST_F(FindFilesTest, MissingDirectoryAndNullCallbackWalkNothing) {
  Walk walk;
  walk.root = dir_.File(L"absent\\");
  EXPECT_TRUE(FindFiles(&Record, L"*.*", dir_.File(L"absent"), true, &walk));
  EXPECT_TRUE(walk.visits.empty());
  EXPECT_TRUE(FindFiles(nullptr, L"*.*", dir_.Path(), true, nullptr));
}

TEST_F(FindFilesTest, ReleasesItsEnumerationsOnEveryPath) {
  const unsigned long before = bxtest::OpenHandleCount();
  ASSERT_NE(0u, before);
  for (int i = 0; i < 50; ++i) {
    Run(L"*.*", true);
    Run(L"*.txt", true);
    Run(L"*.*", true, 4);
    Run(L"*.txt", true, 2);
  }
  EXPECT_EQ(before, bxtest::OpenHandleCount());
}

TEST(NormalizeDirectory, AppendsABackslashOnlyWhenNeeded) {
  EXPECT_EQ(L"", oxcore::NormalizeDirectory(L""));
  EXPECT_EQ(L"c:\\a\\", oxcore::NormalizeDirectory(L"c:\\a"));
  EXPECT_EQ(L"c:\\a\\", oxcore::NormalizeDirectory(L"c:\\a\\"));
  EXPECT_EQ(L"c:/a/", oxcore::NormalizeDirectory(L"c:/a/"));
  EXPECT_EQ(L"rel\\", oxcore::NormalizeDirectory(L"rel"));
}

}  // namespace
