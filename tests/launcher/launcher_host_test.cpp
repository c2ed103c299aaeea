// oxhost.exe in staged application directories: the failure diagnostics of
// the launcher read back from the log file, the deleted start-up files, the
// probe of the application library, and the demo application end to end.
#include <windows.h>
#include <oleauto.h>

#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ChildProcess.h"
#include "OxCoreLib.h"
#include "TempDir.h"

namespace {

const char kUnregisteredClass[] = "{9E3F4C21-7A5B-4D08-B1C6-2E8F0A4D7B93}";
const char kDemoClass[] = "{120E05E5-6584-4C1D-B454-389DC58B1A80}";

std::string Narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

// An application directory with the host, the runtime and a log.property
// that writes every "OxComReg" line to oxhost.log.
class StagedApp {
 public:
  StagedApp() {
    ok_ = oxtest::CopyBuilt(dir_, {L"oxhost.exe", L"OxCore.dll", L"xparam.dll", L"zorlog.dll"}) &&
          oxtest::WriteTextFile(dir_.File(L"log.property"),
                                "file = oxhost.log\nlevel = info\nlogger.OxComReg = trace\nappend = false\n"
                                "debugger = off\n");
  }
  bool Ok() const { return ok_; }
  const oxtest::TempDir& Dir() const { return dir_; }
  bool AddComponent(const std::wstring& subdir) {
    if (!subdir.empty()) CreateDirectoryW(dir_.File(subdir).c_str(), nullptr);
    return CopyFileW((oxtest::ExeDirectory() + L"ZkApplication.dll").c_str(),
                     dir_.File(subdir + L"ZkApplication.dll").c_str(), FALSE) != 0;
  }
  oxtest::ChildResult Run(const std::wstring& args, const std::wstring& workDir = L"") {
    return oxtest::RunChild(dir_.File(L"oxhost.exe"), args, workDir.empty() ? dir_.Path() : workDir);
  }
  // The messages of the lines written to "OxComReg".
  std::vector<std::string> ComRegLines() const {
    std::string text;
    std::vector<std::string> lines;
    if (!oxtest::ReadTextFile(dir_.File(L"oxhost.log"), &text)) return lines;
    const std::string tag = " OxComReg: ";
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      std::string line = text.substr(start, end - start);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      size_t at = line.find(tag);
      if (at != std::string::npos && line.find("ERROR") < at) lines.push_back(line.substr(at + tag.size()));
      start = end + 1;
    }
    return lines;
  }

 private:
  oxtest::TempDir dir_;
  bool ok_ = true;
};

std::string AppDocument(const char* clsid, const char* name) {
  std::string doc = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<application>";
  if (clsid) doc += std::string("<clsid>") + clsid + "</clsid>";
  if (name) doc += std::string("<name>") + name + "</name>";
  return doc + "</application>";
}

// The result the host reports for OxRunApplication, or 0 when none.
unsigned long ReportedResult(const std::string& output) {
  std::smatch m;
  if (!std::regex_search(output, m, std::regex("OxRunApplication: 0x([0-9A-F]{8})"))) return 0;
  return std::stoul(m[1].str(), nullptr, 16);
}

struct FailureCase {
  const char* label;
  const char* clsid;         // null: no "clsid" child
  bool writeDocument;        // false: the document is missing
  const wchar_t* subdir;     // where the document lives, below the application directory
  const wchar_t* fileName;   // spelling of the document's name
  const wchar_t* dllIn;      // where ZkApplication.dll is put: L"doc", L"cwd" or null (nowhere)
  int exists;                // expected "is Exists"
  bool loaded;               // expected a non-zero "is Loaded"
};

class LauncherFailureTest : public ::testing::TestWithParam<FailureCase> {};

TEST_P(LauncherFailureTest, WritesThreeLinesProbesTheLibraryAndDeletesTheStartupFiles) {
  const FailureCase& c = GetParam();
  StagedApp app;
  ASSERT_TRUE(app.Ok());
  oxtest::TempDir cwd;  // the probe of a bare name looks here
  std::wstring docDir = app.Dir().File(c.subdir);
  if (*c.subdir) CreateDirectoryW(docDir.c_str(), nullptr);
  std::wstring doc = docDir + c.fileName;
  if (c.writeDocument) {
    ASSERT_TRUE(oxtest::WriteTextFile(doc, AppDocument(c.clsid, "main")));
  }
  if (c.dllIn && std::wstring(c.dllIn) == L"doc") {
    ASSERT_TRUE(app.AddComponent(c.subdir));
  }
  if (c.dllIn && std::wstring(c.dllIn) == L"cwd") {
    ASSERT_TRUE(CopyFileW((oxtest::ExeDirectory() + L"ZkApplication.dll").c_str(),
                          cwd.File(L"ZkApplication.dll").c_str(), FALSE));
  }
  // Start-up files the failure must remove (Init may also rewrite them).
  ASSERT_TRUE(oxtest::WriteTextFile(app.Dir().File(L"runtime.xml"), "<OxComRuntime/>"));
  ASSERT_TRUE(oxtest::WriteTextFile(app.Dir().File(L"default.oxreg"), "<OxComRegistry/>"));

  oxtest::ChildResult r = app.Run(L"\"" + doc + L"\"", cwd.Path());
  ASSERT_TRUE(r.started);
  ASSERT_FALSE(r.timedOut);
  EXPECT_EQ(5u, r.exitCode) << r.output;
  unsigned long hr = ReportedResult(r.output);
  EXPECT_NE(0u, hr & 0x80000000u) << r.output;

  std::vector<std::string> lines = app.ComRegLines();
  ASSERT_EQ(3u, lines.size()) << r.output;
  char expect[64];
  std::snprintf(expect, sizeof expect, "OxGetInstance IApplication failed: hr = %08lX", hr);
  EXPECT_EQ(expect, lines[0]);
  EXPECT_EQ("ZkApplication.dll is Exists: " + std::to_string(c.exists), lines[1]);
  std::smatch m;
  ASSERT_TRUE(std::regex_match(lines[2], m, std::regex("ZkApplication\\.dll is Loaded: ([0-9A-F]{8})"))) << lines[2];
  EXPECT_EQ(c.loaded, m[1].str() != "00000000") << lines[2];

  EXPECT_FALSE(oxtest::FileExists(app.Dir().File(L"runtime.xml")));
  EXPECT_FALSE(oxtest::FileExists(app.Dir().File(L"default.oxreg")));
}

INSTANTIATE_TEST_SUITE_P(
    Failures, LauncherFailureTest,
    ::testing::Values(
        FailureCase{"missing_document", nullptr, false, L"", L"application.xml", nullptr, 0, false},
        FailureCase{"document_without_clsid", nullptr, true, L"", L"application.xml", nullptr, 0, false},
        FailureCase{"class_not_registered", kUnregisteredClass, true, L"", L"application.xml", nullptr, 0, false},
        // The library is looked for beside the document...
        FailureCase{"probe_beside_document", kUnregisteredClass, true, L"conf\\", L"application.xml", L"doc", 1,
                    true},
        FailureCase{"probe_misses_library_elsewhere", kUnregisteredClass, true, L"conf\\", L"application.xml", L"cwd",
                    0, false},
        // ...unless the name is spelled otherwise: then under its bare name.
        FailureCase{"capital_a_probes_bare_name", kUnregisteredClass, true, L"conf\\", L"Application.xml", L"cwd", 1,
                    true},
        FailureCase{"capital_a_ignores_document_folder", kUnregisteredClass, true, L"conf\\", L"Application.xml",
                    L"doc", 0, false}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.label); });

// The demo application through the registry: a fresh directory is scanned,
// both registry documents are written and the class activates by CLSID.
TEST(DemoEndToEndTest, TheHostRunsTheDemoApplicationFromItsDirectory) {
  StagedApp app;
  ASSERT_TRUE(app.Ok());
  ASSERT_TRUE(app.AddComponent(L""));
  ASSERT_TRUE(oxtest::WriteTextFile(app.Dir().File(L"application.xml"), AppDocument(kDemoClass, "demo")));
  oxtest::ChildResult r = app.Run(L"");
  ASSERT_TRUE(r.started);
  EXPECT_EQ(0u, r.exitCode) << r.output;
  EXPECT_NE(std::string::npos, r.output.find("runtime version        1.1.20070626")) << r.output;
  EXPECT_NE(std::string::npos, r.output.find("application instances  \"demo\"")) << r.output;
  EXPECT_NE(std::string::npos, r.output.find("OxCore demo application: done")) << r.output;
  EXPECT_TRUE(app.ComRegLines().empty());
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(app.Dir().File(L"default.oxreg").c_str()));
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(app.Dir().File(L"runtime.xml").c_str()));
}

TEST(HostCommandLineTest, HelpAndBadArguments) {
  StagedApp app;
  ASSERT_TRUE(app.Ok());
  struct Case {
    const wchar_t* args;
    unsigned long exitCode;
    const char* says;
  };
  const Case cases[] = {
      {L"--help", 0, "usage: oxhost"},
      {L"--preload", 1, "--preload needs a file name"},
      {L"--frobnicate", 1, "unknown option --frobnicate"},
      {L"a.xml b.xml", 1, "only one application document"},
  };
  for (const Case& c : cases) {
    oxtest::ChildResult r = app.Run(c.args);
    ASSERT_TRUE(r.started);
    EXPECT_EQ(c.exitCode, r.exitCode) << Narrow(c.args);
    EXPECT_NE(std::string::npos, r.output.find(c.says)) << r.output;
  }
}

TEST(HostFailureTest, MissingRuntimePiecesAreReportedWithTheirOwnExitCodes) {
  const struct {
    const wchar_t* missing;
    unsigned exitCode;
    const char* says;
  } cases[] = {
      {L"OxCore.dll", 2, "OxCore.dll could not be loaded"},
      {L"xparam.dll", 3, "Init failed"},
  };
  for (const auto& c : cases) {
    StagedApp app;
    ASSERT_TRUE(app.Ok());
    DeleteFileW(app.Dir().File(c.missing).c_str());
    oxtest::ChildResult r = app.Run(L"");
    EXPECT_EQ(c.exitCode, r.exitCode) << r.output;
    EXPECT_NE(std::string::npos, r.output.find(c.says)) << r.output;
  }
}

}  // namespace
