// The application launcher: reads the application document, obtains the
// application object as a named instance and runs it on the caller's thread.
#ifndef OXCORE_CORE_LAUNCHER_H
#define OXCORE_CORE_LAUNCHER_H

#include <windows.h>

#include <string>

#include "OxCoreLib.h"

namespace oxcore {

// The application document's content ("clsid", "name").
struct AppLaunchInfo {
  GUID clsid = GUID_NULL;
  std::wstring name;
};

// Reads the document at path: any root element, each field from the first
// child of its name; a missing or unreadable field keeps its fresh value.
// False (info untouched) when the document cannot be read.
bool ReadAppLaunchInfo(const wchar_t* path, AppLaunchInfo* info);

// The path probed when the application cannot be had: AppPath up to its
// first "application.xml" (case-sensitive) followed by "ZkApplication.dll",
// or the bare "ZkApplication.dll".
std::wstring ApplicationLibraryProbePath(const wchar_t* appPath);

// Runs the application named by the document at AppPath on core: S_OK once
// its Run has returned (whatever Run answered), else the failure of
// OxGetInstance after the diagnostics and the removal of the start-up
// registry files.
HRESULT RunApplication(IOxCore* core, BSTR AppPath);

}  // namespace oxcore

#endif  // OXCORE_CORE_LAUNCHER_H
