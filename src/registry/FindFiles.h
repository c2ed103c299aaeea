// FindFiles: a breadth-first directory walker that hands every entry to a
// callback. Used by the registry builder and the locale catalogue.
//
// Directories are visited in the order they were found; entries within a
// directory come in the platform's enumeration order, unsorted. The walk is
// bounded by the platform's path length limit (no long-path prefix is used),
// so a link cycle below the start directory ends once paths grow too long.
#ifndef OXCORE_REGISTRY_FINDFILES_H
#define OXCORE_REGISTRY_FINDFILES_H

#include <windows.h>

#include <string>

namespace oxcore {

// Called with the directory being enumerated (ending with a separator), the
// entry's find data ("." and ".." are never passed) and the caller's
// context. Returning false ends the whole walk.
using FindFilesCallback = bool (*)(const std::wstring& directory, const WIN32_FIND_DATAW& data, void* context);

// A non-empty directory that ends neither in '\' nor in '/' gets a '\'
// appended; an empty one stays empty.
std::wstring NormalizeDirectory(const std::wstring& directory);

// Walks directory (normalised first) with pattern; a null or empty pattern
// means "*.*". When recursive, subdirectories are queued behind the ones
// already pending: from the matching entries themselves when the pattern is
// exactly "*.*", otherwise from a second enumeration of "*.*". Directories
// that cannot be enumerated are skipped; a null callback walks nothing.
// Returns false when the callback stopped the walk, true when it ran to the
// end.
bool FindFiles(FindFilesCallback callback, const wchar_t* pattern, const std::wstring& directory, bool recursive,
               void* context);

}  // namespace oxcore

#endif  // OXCORE_REGISTRY_FINDFILES_H
