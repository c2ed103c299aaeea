// The logging binding: "log.property" found beside the executable, the two
// loggers, level-0 lines only when enabled, and silence without zorlog.dll.
#include <windows.h>

#include <gtest/gtest.h>

#include "ChildProcess.h"
#include "TempDir.h"

namespace {

struct Staged {
  oxtest::TempDir dir;
  oxtest::ChildResult Run() { return oxtest::RunChild(dir.File(L"log_binding_host.exe"), L"", dir.Path()); }
};

void Stage(Staged& s, bool withLibrary) {
  ASSERT_TRUE(oxtest::CopyBuilt(s.dir, {L"log_binding_host.exe"}));
  if (withLibrary) {
    ASSERT_TRUE(oxtest::CopyBuilt(s.dir, {L"zorlog.dll"}));
  }
}

TEST(LogBinding, ReadsTheConfigurationBesideTheExecutable) {
  struct Case {
    const char* config;
    bool msgbusTrace;
    bool comregTrace;
  };
  const Case cases[] = {
      {"file=out.log\nlevel=info\n", false, false},
      {"file=out.log\nlevel=info\nlogger.msgbus=trace\n", true, false},
      {"file=out.log\nlevel=trace\n", true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.config);
    Staged s;
    Stage(s, true);
    ASSERT_TRUE(oxtest::WriteTextFile(s.dir.File(L"log.property"), c.config));
    oxtest::ChildResult r = s.Run();
    ASSERT_TRUE(r.started);
    ASSERT_EQ(0u, r.exitCode) << r.output;
    auto v = r.Values();
    EXPECT_EQ("1", v["module"]);
    EXPECT_EQ("1", v["same_module"]);
    EXPECT_EQ("1", v["msgbus"]);
    EXPECT_EQ("1", v["comreg"]);
    EXPECT_EQ(c.msgbusTrace ? "1" : "0", v["msgbus_trace"]);
    EXPECT_EQ(c.comregTrace ? "1" : "0", v["comreg_trace"]);
    EXPECT_EQ("0", v["null_trace"]);
    EXPECT_EQ("1", v["released"]);

    std::string log;
    ASSERT_TRUE(oxtest::ReadTextFile(s.dir.File(L"out.log"), &log));
    EXPECT_NE(std::string::npos, log.find("OxComReg: launcher failed: app.xml (42)")) << log;
    EXPECT_EQ(c.msgbusTrace, log.find("msgbus: trace ox.test") != std::string::npos) << log;
    EXPECT_EQ(std::string::npos, log.find("nowhere"));
  }
}

TEST(LogBinding, WithoutTheLibraryNothingIsWrittenAndNothingFails) {
  Staged s;
  Stage(s, false);
  ASSERT_TRUE(oxtest::WriteTextFile(s.dir.File(L"log.property"), "file=out.log\nlevel=trace\n"));
  oxtest::ChildResult r = s.Run();
  ASSERT_TRUE(r.started);
  ASSERT_EQ(0u, r.exitCode) << r.output;
  auto v = r.Values();
  EXPECT_EQ("0", v["module"]);
  EXPECT_EQ("1", v["same_module"]);
  EXPECT_EQ("0", v["msgbus"]);
  EXPECT_EQ("0", v["comreg"]);
  EXPECT_EQ("0", v["msgbus_trace"]);
  EXPECT_FALSE(oxtest::FileExists(s.dir.File(L"out.log")));
}

TEST(LogBinding, AMissingConfigurationLeavesTheDefaults) {
  Staged s;
  Stage(s, true);
  oxtest::ChildResult r = s.Run();
  ASSERT_TRUE(r.started);
  ASSERT_EQ(0u, r.exitCode) << r.output;
  auto v = r.Values();
  EXPECT_EQ("1", v["msgbus"]);
  EXPECT_EQ("0", v["msgbus_trace"]);  // the default threshold is above trace
}

}  // namespace
