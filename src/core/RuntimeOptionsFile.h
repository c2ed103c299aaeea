// Reading the start-up options ("oxoptions.xml") into a RuntimeOptions.
//
// The document overrides only what it holds: a bool child that is missing or
// does not read as a bool leaves its field; a list is replaced only when at
// least one element of its name exists (one entry per element, in document
// order; a non-string element gives an empty entry). The runtime never
// writes the file.
#ifndef OXCORE_CORE_RUNTIMEOPTIONSFILE_H
#define OXCORE_CORE_RUNTIMEOPTIONSFILE_H

#include <string>

#include "core/RuntimeOptions.h"

namespace oxcore {

// False, with *options unchanged, when the document cannot be read (missing,
// unparsable, no root element, no document binding).
bool ReadRuntimeOptions(const std::wstring& path, RuntimeOptions* options);

}  // namespace oxcore

#endif  // OXCORE_CORE_RUNTIMEOPTIONSFILE_H
