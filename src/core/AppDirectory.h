// The application directory: the host executable's directory, ending with
// its separator, computed at first use and cached for the process.
#ifndef OXCORE_CORE_APPDIRECTORY_H
#define OXCORE_CORE_APPDIRECTORY_H

#include <string>

namespace oxcore {

// A copy of the cached directory; empty only while it cannot be determined
// (then the next call tries again).
std::wstring GetAppDirectory();

// Module load and unload.
void ResetAppDirectoryCache();

}  // namespace oxcore

#endif  // OXCORE_CORE_APPDIRECTORY_H
