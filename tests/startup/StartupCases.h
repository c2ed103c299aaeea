// The decision table of the start-up registry step, shared by the in-process
// test (LoadRuntimeRegistry on a staged directory) and the host test (Init in
// a staged application directory). Each case stages "runtime.xml" and
// "default.oxreg", runs the step with the options of the case, and checks
// what the registry holds and what became of both files.
//
// The staged documents are told apart by marker classes: the cached
// "runtime.xml" lists CachedClass (in OxCore.dll's library), the staged
// "default.oxreg" lists SentinelClass (in a library that does not exist),
// and a scan of the directory finds OxCore.dll's own MsgBus class.
#ifndef OX_TESTS_STARTUP_STARTUPCASES_H
#define OX_TESTS_STARTUP_STARTUPCASES_H

#include <windows.h>

#include <ostream>
#include <string>
#include <vector>

#include "registry/ComRuntime.h"

namespace oxtest {

extern const wchar_t kCachedClass[];
extern const wchar_t kSentinelClass[];
extern const wchar_t kMsgBusClass[];
extern const wchar_t kXParamClass[];

enum class RuntimeBefore { kMissing, kUsable, kNoCoclass, kMalformed, kEmptyFile };
enum class DefaultBefore { kMissing, kSentinel, kSentinelNoClass, kMalformed };
// Which document the registry came from.
enum class Source { kCached, kSentinel, kScan, kNothing };
enum class DefaultAfter { kMissing, kUnchanged, kScanned, kScannedEmpty };
enum class RuntimeAfter { kMissing, kUnchanged, kFromSentinel, kFromScan };

struct StartupCase {
  const char* label;
  bool remake;       // RemakeRegFile
  bool rebuild;      // RebuildRuntime
  bool excludeCore;  // ExcludeFile "oxcore.dll": the scan finds no library
  RuntimeBefore runtime;
  DefaultBefore defaults;
  Source source;
  DefaultAfter defaultAfter;
  RuntimeAfter runtimeAfter;
  bool result;  // of LoadRuntimeRegistry: a coclass in the end
};

const std::vector<StartupCase>& StartupCases();
// Test names and failure messages show the label.
void PrintTo(const StartupCase& c, std::ostream* os);

// Writes the two documents of the case into dir (ending with a backslash).
bool StageStartupFiles(const std::wstring& dir, const StartupCase& c);
// Checks both files against the case (the document binding must be bound).
void ExpectStartupFiles(const std::wstring& dir, const StartupCase& c);
// Checks the registry's classes against the case.
void ExpectSource(const oxcore::CComRuntime& runtime, Source source);

std::string Narrow(const std::wstring& w);
// The GUID of its braced text (the zero GUID when it does not convert).
GUID G(const wchar_t* text);

}  // namespace oxtest

#endif  // OX_TESTS_STARTUP_STARTUPCASES_H
