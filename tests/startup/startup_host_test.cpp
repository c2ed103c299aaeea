// Init in staged application directories, run by startup_host.exe as a child
// process: the decision table through the options file, a fresh directory,
// options across Init/Uninit/Init, the application directory of the
// executable, and bad start-up documents.
#include <windows.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ChildProcess.h"
#include "Fixtures.h"
#include "StartupCases.h"
#include "TempDir.h"
#include "registry/RegistryDocuments.h"
#include "xparam/XParamModule.h"

namespace {

using oxtest::G;
using oxtest::StartupCase;

const char kOk[] = "0x00000000";
const wchar_t kDemoLib[] = L"{A669DC73-C88B-4D93-BC3B-F8435E8FC999}";

std::string Hex(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
  return text;
}

// An application directory with the host, the runtime and its two libraries;
// the runtime may be put elsewhere.
class StagedApp {
 public:
  explicit StagedApp(const std::wstring& coreSubdir = L"", bool withLogging = true) : coreSubdir_(coreSubdir) {
    const std::wstring bin = oxtest::ExeDirectory();
    ok_ = oxtest::CopyBuilt(dir_, {L"startup_host.exe", L"xparam.dll"});
    if (withLogging) ok_ = ok_ && oxtest::CopyBuilt(dir_, {L"zorlog.dll"});
    if (!coreSubdir.empty()) CreateDirectoryW(dir_.File(coreSubdir).c_str(), nullptr);
    ok_ = ok_ && oxtest::CopyInto(bin + L"OxCore.dll", dir_, coreSubdir + L"OxCore.dll");
  }
  bool Ok() const { return ok_; }
  const oxtest::TempDir& Dir() const { return dir_; }
  std::wstring File(const std::wstring& name) const { return dir_.File(name); }
  bool AddDemoComponent() {
    return oxtest::CopyBuilt(dir_, {L"ZkApplication.dll"});
  }
  bool AddFixture(const fx::Fixture& f) { return oxtest::CopyInto(f.Path(), dir_, f.File()); }
  bool Write(const wchar_t* name, const std::string& text) { return oxtest::WriteTextFile(dir_.File(name), text); }

  // Runs a script; the child must finish it and exit 0.
  std::map<std::string, std::string> Run(const std::wstring& script, const std::wstring& workDir = L"") {
    std::wstring args = script;
    if (!coreSubdir_.empty()) args = L"\"--core=" + dir_.File(coreSubdir_ + L"OxCore.dll") + L"\" " + args;
    oxtest::ChildResult r = oxtest::RunChild(dir_.File(L"startup_host.exe"), args, workDir.empty() ? dir_.Path() : workDir);
    EXPECT_TRUE(r.started);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(0u, r.exitCode) << r.output;
    output_ = r.output;
    return r.Values();
  }
  const std::string& Output() const { return output_; }

 private:
  oxtest::TempDir dir_;
  std::wstring coreSubdir_;
  std::string output_;
  bool ok_ = true;
};

class DocsBound : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(oxcore::BindXParam(oxcore::XParamBindingKind::kDocuments)); }
  void TearDown() override { oxcore::ReleaseXParam(oxcore::XParamBindingKind::kDocuments); }
};

// A class is in the registry unless activation answers REGDB_E_CLASSNOTREG.
bool Registered(const std::map<std::string, std::string>& v, const char* key) {
  auto it = v.find(key);
  return it != v.end() && it->second != Hex(REGDB_E_CLASSNOTREG);
}

// --- The decision table through Init ------------------------------------

class StartupHostTableTest : public ::testing::WithParamInterface<StartupCase>, public DocsBound {};

TEST_P(StartupHostTableTest, InitFollowsTheDecisionTable) {
  const StartupCase& c = GetParam();
  StagedApp app;
  ASSERT_TRUE(app.Ok());
  ASSERT_TRUE(oxtest::StageStartupFiles(app.Dir().Path(), c));
  auto v = app.Run(std::wstring(L"init create ") + oxtest::kCachedClass + L" create " + oxtest::kSentinelClass +
                   L" create " + oxtest::kMsgBusClass + L" uninit");
  EXPECT_EQ(kOk, v["init1"]) << app.Output();
  EXPECT_EQ(kOk, v["uninit1"]) << app.Output();
  oxtest::ExpectStartupFiles(app.Dir().Path(), c);
  EXPECT_EQ(c.source == oxtest::Source::kCached, Registered(v, "create1")) << app.Output();
  EXPECT_EQ(c.source == oxtest::Source::kSentinel, Registered(v, "create2")) << app.Output();
  EXPECT_EQ(c.source == oxtest::Source::kScan, Registered(v, "create3")) << app.Output();
}

INSTANTIATE_TEST_SUITE_P(DecisionTable, StartupHostTableTest, ::testing::ValuesIn(oxtest::StartupCases()),
                         [](const ::testing::TestParamInfo<StartupCase>& info) { return std::string(info.param.label); });

// --- A fresh application directory --------------------------------------

class StartupHostTest : public DocsBound {};

TEST_F(StartupHostTest, FreshDirectoryScansCachesAndThenReadsOnlyTheCache) {
  // Only the host, the runtime, xparam.dll and component libraries.
  StagedApp app(L"", false);
  ASSERT_TRUE(app.Ok());
  ASSERT_TRUE(app.AddFixture(fx::fx_counted));
  ASSERT_TRUE(app.AddDemoComponent());
  const std::wstring fixtureClass = fx::fx_counted.clsidText;
  auto v = app.Run(L"init create " + fixtureClass + L" env FX_COUNTED_DllGetClassObject create " +
                   oxtest::kXParamClass + L" create " + oxtest::kMsgBusClass + L" uninit");
  EXPECT_EQ(kOk, v["init1"]) << app.Output();
  EXPECT_EQ(kOk, v["uninit1"]) << app.Output();

  std::vector<oxcore::TypeLibDesc> libs;
  ASSERT_TRUE(oxcore::ReadRegFile(app.File(L"default.oxreg"), &libs));
  std::set<std::wstring> paths;
  for (const auto& lib : libs) paths.insert(lib.path);
  EXPECT_EQ((std::set<std::wstring>{L"OxCore.dll", L"ZkApplication.dll", L"fx_counted.dll"}), paths);

  oxcore::CComRuntime rt;
  ASSERT_TRUE(oxcore::ReadRuntimeFile(app.File(L"runtime.xml"), &rt));
  EXPECT_NE(nullptr, rt.FindCoClass(G(oxtest::kMsgBusClass)));
  EXPECT_NE(nullptr, rt.FindCoClass(fx::fx_counted.clsid));
  EXPECT_NE(nullptr, rt.FindLibrary(G(kDemoLib)));

  // Classes of the scanned libraries activate from the new registry.
  EXPECT_EQ(kOk, v["create1"]) << app.Output();
  EXPECT_EQ("1", v["env.FX_COUNTED_DllGetClassObject"]) << app.Output();
  EXPECT_EQ(kOk, v["create2"]) << app.Output();
  EXPECT_TRUE(Registered(v, "create3")) << app.Output();

  // The second start reads "runtime.xml" alone: without "default.oxreg" it
  // neither scans nor rewrites anything.
  std::string cached;
  ASSERT_TRUE(oxtest::ReadTextFile(app.File(L"runtime.xml"), &cached));
  ASSERT_TRUE(DeleteFileW(app.File(L"default.oxreg").c_str()));
  v = app.Run(L"init create " + fixtureClass + L" uninit");
  EXPECT_EQ(kOk, v["init1"]) << app.Output();
  EXPECT_EQ(kOk, v["create1"]) << app.Output();
  EXPECT_FALSE(oxtest::FileExists(app.File(L"default.oxreg")));
  std::string after;
  ASSERT_TRUE(oxtest::ReadTextFile(app.File(L"runtime.xml"), &after));
  EXPECT_EQ(cached, after);
}

// --- The preload list of Init --------------------------------------------

struct PreloadCase {
  const char* label;
  const wchar_t* argument;  // Init's argument; null: none
  const char* list;         // content of the list file; null: no file
  const wchar_t* listFile;  // where the list lies, below the application directory
  const char* preloads;     // DllPreload count of the fixture ("" when never called)
};

class PreloadTest : public ::testing::WithParamInterface<PreloadCase>, public DocsBound {};

TEST_P(PreloadTest, InitPreloadsTheLibrariesOfTheListBesideTheExecutable) {
  const PreloadCase& c = GetParam();
  StagedApp app;
  ASSERT_TRUE(app.Ok());
  ASSERT_TRUE(app.AddFixture(fx::fx_counted));
  CreateDirectoryW(app.File(L"conf").c_str(), nullptr);
  if (c.list) {
    ASSERT_TRUE(app.Write(c.listFile, c.list));
  }
  oxtest::TempDir elsewhere;  // the working directory: lists are not looked for here
  std::wstring script = L"init ";
  if (c.argument) script += std::wstring(c.argument) + L" ";
  auto v = app.Run(script + L"env FX_COUNTED_DllPreload uninit", elsewhere.Path());
  EXPECT_EQ(kOk, v["init1"]) << app.Output();
  EXPECT_EQ(kOk, v["uninit1"]) << app.Output();
  EXPECT_EQ(c.preloads, v["env.FX_COUNTED_DllPreload"]) << app.Output();
}

const char kListOnce[] = "<preload><lib>{359D8230-5F55-4A13-B74C-9639D537C6C3}</lib></preload>";
const char kListTwice[] =
    "<preload><lib>{359D8230-5F55-4A13-B74C-9639D537C6C3}</lib><lib>{00000000-0000-0000-0000-000000000001}</lib>"
    "<lib>{359D8230-5F55-4A13-B74C-9639D537C6C3}</lib></preload>";

INSTANTIATE_TEST_SUITE_P(
    Lists, PreloadTest,
    ::testing::Values(PreloadCase{"no_argument", nullptr, kListOnce, L"preload.xml", ""},
                      PreloadCase{"empty_argument", L"\"\"", kListOnce, L"preload.xml", ""},
                      PreloadCase{"list_beside_the_executable", L"preload.xml", kListOnce, L"preload.xml", "1"},
                      PreloadCase{"list_in_a_folder", L"conf\\preload.xml", kListOnce, L"conf\\preload.xml", "1"},
                      PreloadCase{"library_listed_twice", L"preload.xml", kListTwice, L"preload.xml", "2"},
                      PreloadCase{"missing_list", L"nothere.xml", nullptr, L"preload.xml", ""},
                      PreloadCase{"malformed_list", L"preload.xml", "<preload><lib>{359D8230-", L"preload.xml", ""}),
    [](const ::testing::TestParamInfo<PreloadCase>& info) { return std::string(info.param.label); });

// --- Options across Init, Uninit, Init -----------------------------------

struct ReinitCase {
  const char* label;
  const char* second;     // options file for the second Init; null: deleted
  bool demoExcluded;      // the second scan leaves ZkApplication.dll out
  bool rescanned;         // the second Init rebuilt the deleted "default.oxreg"
};

class OptionsReinitTest : public ::testing::WithParamInterface<ReinitCase>, public DocsBound {};

bool ListsDemo(const std::wstring& path) {
  std::vector<oxcore::TypeLibDesc> libs;
  EXPECT_TRUE(oxcore::ReadRegFile(path, &libs)) << oxtest::Narrow(path);
  for (const auto& lib : libs)
    if (lib.path == L"ZkApplication.dll") return true;
  return false;
}

TEST_P(OptionsReinitTest, EachInitRereadsTheOptionsAndOmittedOnesKeepTheirValues) {
  const ReinitCase& c = GetParam();
  StagedApp app;
  ASSERT_TRUE(app.Ok());
  ASSERT_TRUE(app.AddDemoComponent());
  ASSERT_TRUE(app.Write(L"oxoptions.xml",
                        "<oxoptions><RemakeRegFile>true</RemakeRegFile><ExcludeFile>none.dll</ExcludeFile>"
                        "<ExcludeFile>zkapplication.DLL</ExcludeFile></oxoptions>"));
  std::wstring script = L"init uninit copy default.oxreg first.oxreg delete default.oxreg ";
  if (c.second) {
    ASSERT_TRUE(app.Write(L"second.xml", c.second));
    script += L"copy second.xml oxoptions.xml ";
  } else {
    script += L"delete oxoptions.xml ";
  }
  auto v = app.Run(script + L"init uninit");
  EXPECT_EQ(kOk, v["init1"]) << app.Output();
  EXPECT_EQ(kOk, v["init2"]) << app.Output();
  EXPECT_EQ(kOk, v["uninit2"]) << app.Output();
  // The first Init excluded the demo library (second ExcludeFile entry,
  // matched without regard to case).
  EXPECT_FALSE(ListsDemo(app.File(L"first.oxreg")));
  ASSERT_EQ(c.rescanned, oxtest::FileExists(app.File(L"default.oxreg")));
  if (c.rescanned) {
    EXPECT_EQ(!c.demoExcluded, ListsDemo(app.File(L"default.oxreg")));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Options, OptionsReinitTest,
    ::testing::Values(
        ReinitCase{"absent_list_keeps_its_entries", "<oxoptions><RemakeRegFile>true</RemakeRegFile></oxoptions>", true,
                   true},
        ReinitCase{"present_list_replaces_the_entries",
                   "<oxoptions><RemakeRegFile>true</RemakeRegFile><ExcludeFile>other.dll</ExcludeFile></oxoptions>",
                   false, true},
        ReinitCase{"absent_bool_keeps_its_value", "<oxoptions/>", true, true},
        ReinitCase{"missing_file_keeps_everything", nullptr, true, true},
        ReinitCase{"unreadable_file_keeps_everything", "<oxoptions><RemakeRegFile>false", true, true},
        // Without RemakeRegFile a usable "runtime.xml" is read and nothing scanned.
        ReinitCase{"bool_turned_off", "<oxoptions><RemakeRegFile>false</RemakeRegFile></oxoptions>", true, false}),
    [](const ::testing::TestParamInfo<ReinitCase>& info) { return std::string(info.param.label); });

// --- The application directory is the executable's ----------------------

TEST_F(StartupHostTest, StartupFilesLiveBesideTheExecutableNotTheRuntime) {
  StagedApp app(L"runtime\\");
  ASSERT_TRUE(app.Ok());
  ASSERT_TRUE(app.AddDemoComponent());
  ASSERT_TRUE(app.Write(L"oxoptions.xml", "<oxoptions><ExcludeFile>ZkApplication.dll</ExcludeFile>"
                                          "<IncludeDir>runtime</IncludeDir></oxoptions>"));
  auto v = app.Run(L"init uninit");
  EXPECT_EQ(kOk, v["init1"]) << app.Output();
  EXPECT_FALSE(oxtest::FileExists(app.File(L"runtime\\runtime.xml")));
  EXPECT_FALSE(oxtest::FileExists(app.File(L"runtime\\default.oxreg")));
  // The options beside the executable were read: the demo library is left
  // out and the runtime's folder is scanned as an extra directory.
  std::vector<oxcore::TypeLibDesc> libs;
  ASSERT_TRUE(oxcore::ReadRegFile(app.File(L"default.oxreg"), &libs));
  ASSERT_EQ(1u, libs.size());
  EXPECT_EQ(L"runtime\\OxCore.dll", libs[0].path);
  oxcore::CComRuntime rt;
  ASSERT_TRUE(oxcore::ReadRuntimeFile(app.File(L"runtime.xml"), &rt));
  EXPECT_NE(nullptr, rt.FindCoClass(G(oxtest::kMsgBusClass)));
}

// --- Bad start-up documents ----------------------------------------------

enum class CacheAfter { kFromScan, kMissing, kUnchanged, kWritten };

struct BadDocCase {
  const char* label;
  const wchar_t* file;
  std::string content;
  CacheAfter cache;  // what becomes of "runtime.xml"
};

class BadStartupDocTest : public ::testing::WithParamInterface<BadDocCase>, public DocsBound {};

TEST_P(BadStartupDocTest, InitSucceedsAndFallsBack) {
  const BadDocCase& c = GetParam();
  StagedApp app;
  ASSERT_TRUE(app.Ok());
  ASSERT_TRUE(app.Write(c.file, c.content));
  auto v = app.Run(L"init uninit init uninit");
  EXPECT_EQ(kOk, v["init1"]) << app.Output();
  EXPECT_EQ(kOk, v["uninit1"]) << app.Output();
  EXPECT_EQ(kOk, v["init2"]) << app.Output();
  EXPECT_EQ(kOk, v["uninit2"]) << app.Output();
  oxcore::CComRuntime rt;
  std::string bytes;
  switch (c.cache) {
    case CacheAfter::kFromScan:
      ASSERT_TRUE(oxcore::ReadRuntimeFile(app.File(L"runtime.xml"), &rt));
      EXPECT_NE(nullptr, rt.FindCoClass(G(oxtest::kMsgBusClass)));
      break;
    case CacheAfter::kMissing:
      EXPECT_FALSE(oxtest::FileExists(app.File(L"runtime.xml")));
      break;
    case CacheAfter::kUnchanged:
      ASSERT_TRUE(oxtest::ReadTextFile(app.File(c.file), &bytes));
      EXPECT_EQ(c.content, bytes);
      break;
    case CacheAfter::kWritten:
      ASSERT_TRUE(oxcore::ReadRuntimeFile(app.File(L"runtime.xml"), &rt));
      EXPECT_FALSE(rt.coclasses.empty());
      EXPECT_EQ(nullptr, rt.FindCoClass(G(oxtest::kMsgBusClass)));
      break;
  }
}

std::string Nested(int depth) {
  std::string s;
  for (int i = 0; i < depth; ++i) s += "<a>";
  for (int i = 0; i < depth; ++i) s += "</a>";
  return s;
}

const char kTruncatedRuntime[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<OxComRuntime>\r\n\t<libraries>\r\n\t\t<lib>\r\n\t\t\t<libid>{C77";

INSTANTIATE_TEST_SUITE_P(
    Documents, BadStartupDocTest,
    ::testing::Values(
        // A bad options file leaves the defaults: the directory is scanned.
        BadDocCase{"options_empty", L"oxoptions.xml", "", CacheAfter::kFromScan},
        BadDocCase{"options_malformed", L"oxoptions.xml", "<o><RemakeRegFile>true</o>", CacheAfter::kFromScan},
        BadDocCase{"options_truncated", L"oxoptions.xml", "<oxoptions><ExcludeFile>OxCore.d", CacheAfter::kFromScan},
        BadDocCase{"options_binary", L"oxoptions.xml", std::string("\x00\xff\x10\x80<", 5), CacheAfter::kFromScan},
        BadDocCase{"options_too_deep", L"oxoptions.xml", Nested(1100), CacheAfter::kFromScan},
        BadDocCase{"options_wrong_kinds", L"oxoptions.xml",
                   "<o><RemakeRegFile xp.type=\"blob\">AQ==</RemakeRegFile><RebuildRuntime>maybe</RebuildRuntime>"
                   "<ExcludeFile xp.type=\"int\">3</ExcludeFile><IncludeDir xp.type=\"double\">1.5</IncludeDir></o>",
                   CacheAfter::kFromScan},
        // A bad "runtime.xml" without "default.oxreg": scan and cache anew.
        BadDocCase{"runtime_empty", L"runtime.xml", "", CacheAfter::kFromScan},
        BadDocCase{"runtime_malformed", L"runtime.xml", "<OxComRuntime><coclasses></libraries></OxComRuntime>",
                   CacheAfter::kFromScan},
        BadDocCase{"runtime_truncated", L"runtime.xml", kTruncatedRuntime, CacheAfter::kFromScan},
        BadDocCase{"runtime_binary", L"runtime.xml", std::string("\xef\xbb\xbf\x00\x01", 5), CacheAfter::kFromScan},
        // A class whose CLSID does not convert is still a class: the cache is used.
        BadDocCase{"runtime_wrong_kinds", L"runtime.xml",
                   "<OxComRuntime><coclasses><coclass><clsid xp.type=\"int\">1</clsid><name xp.type=\"bool\">true"
                   "</name><libid>nonsense</libid></coclass></coclasses></OxComRuntime>",
                   CacheAfter::kUnchanged},
        // A present "default.oxreg" is merged as it is, never scanned over.
        BadDocCase{"default_empty", L"default.oxreg", "", CacheAfter::kMissing},
        BadDocCase{"default_malformed", L"default.oxreg", "<OxComRegistry><typelib></OxComRegistry>",
                   CacheAfter::kMissing},
        BadDocCase{"default_truncated", L"default.oxreg", "<OxComRegistry><typelib><coclasses><coclass><guid>{",
                   CacheAfter::kMissing},
        BadDocCase{"default_wrong_kinds", L"default.oxreg",
                   "<OxComRegistry><typelib><guid xp.type=\"int\">1</guid><path xp.type=\"blob\">AA==</path>"
                   "<majorver>x</majorver><coclasses><coclass><guid>bad</guid><name xp.type=\"int\">2</name>"
                   "</coclass></coclasses></typelib></OxComRegistry>",
                   CacheAfter::kWritten}),
    [](const ::testing::TestParamInfo<BadDocCase>& info) { return std::string(info.param.label); });

}  // namespace
