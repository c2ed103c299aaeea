// OxFreeUnusedLibraries: lets COM free the idle libraries it loaded itself
// (CoFreeUnusedLibrariesEx with a 15 s delay, or CoFreeUnusedLibraries where
// ole32 lacks it), then runs the unload pass of a runtime registry.
//
// One caller at a time in the whole process: a call made while another runs
// - a concurrent one, or a nested one from a library's DllCanUnloadNow or
// DllFinalize - returns S_OK at once and does nothing, without waiting.
#ifndef OXCORE_REGISTRY_FREEUNUSEDLIBRARIES_H
#define OXCORE_REGISTRY_FREEUNUSEDLIBRARIES_H

#include <windows.h>

namespace oxcore {

class CComRuntime;

// The result of runtime.UnloadUnused(), or S_OK for a call that found
// another one running.
HRESULT FreeUnusedLibraries(CComRuntime& runtime);

}  // namespace oxcore

#endif  // OXCORE_REGISTRY_FREEUNUSEDLIBRARIES_H
