// A core object of the test's own, made through OxCore.dll's class factory,
// so that tests leave the process-wide core alone.
#ifndef OX_TESTS_SUPPORT_OWNCORE_H
#define OX_TESTS_SUPPORT_OWNCORE_H

#include <windows.h>

#include "OxCoreLib.h"

namespace oxtest {

// Loads OxCore.dll (found beside the test) and creates a new core with one
// reference for the caller.
HRESULT CreateOwnCore(IOxCore** core);

}  // namespace oxtest

#endif  // OX_TESTS_SUPPORT_OWNCORE_H
