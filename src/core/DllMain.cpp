// Module entry: builds the process-wide state on attach and tears it down in
// reverse on detach. The core object itself is never destroyed.
#include <windows.h>

#include "comkit/Dispatch.h"
#include "comkit/Module.h"
#include "core/AppDirectory.h"
#include "core/ProcessCore.h"
#include "log/LogBinding.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      if (!comkit::Module::Attach(instance)) return FALSE;
      DisableThreadLibraryCalls(instance);
      oxcore::ResetAppDirectoryCache();
      oxlog::CreateLoggers();
      oxcore::CreateProcessCore();
      break;
    case DLL_PROCESS_DETACH:
      if (reserved) {
        // Process exit: other libraries may already be gone; touch none.
        oxlog::AbandonLoggers();
        break;
      }
      comkit::ReleaseTypeInfoCache();
      oxlog::ReleaseLoggers();
      oxcore::ResetAppDirectoryCache();
      comkit::Module::Detach();
      break;
    default:
      break;
  }
  return TRUE;
}
