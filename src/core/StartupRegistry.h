// The start-up registry step of Init: fill the core's CComRuntime from
// "runtime.xml" when it is usable (readable, at least one coclass), else
// merge "default.oxreg" (scanning the application directory first when it
// is missing) and cache the result as a new "runtime.xml".
//
//   RemakeRegFile  - scan and rewrite "default.oxreg" first, in any case;
//   RebuildRuntime - ignore "runtime.xml" and always merge.
//
// "runtime.xml" is written only when the merge yields a coclass; a merge
// without one leaves the file as it was. A failed write is not reported.
//
// An empty application directory (it could not be determined) reads and
// writes nothing: the file names would otherwise resolve against the
// current directory, which belongs to someone else.
#ifndef OXCORE_CORE_STARTUPREGISTRY_H
#define OXCORE_CORE_STARTUPREGISTRY_H

#include <memory>
#include <string>

#include "core/RuntimeOptions.h"
#include "registry/ComRuntime.h"

namespace oxcore {

// Creates *runtime when it is null. appDirectory ends with its separator.
// True when the runtime ends up with at least one coclass.
bool LoadRuntimeRegistry(std::unique_ptr<CComRuntime>* runtime, const RuntimeOptions& options,
                         const std::wstring& appDirectory);

}  // namespace oxcore

#endif  // OXCORE_CORE_STARTUPREGISTRY_H
