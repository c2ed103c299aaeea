// The process-wide core: created at module load, one reference kept for
// the life of the process, never destroyed.
#ifndef OXCORE_CORE_PROCESSCORE_H
#define OXCORE_CORE_PROCESSCORE_H

#include "OxCoreLib.h"

namespace oxcore {

void CreateProcessCore();
// The core's IOxCore without an added reference, or null when its creation failed.
IOxCore* ProcessCore();

}  // namespace oxcore

#endif  // OXCORE_CORE_PROCESSCORE_H
