// Staging helpers of the registry builder's tests: where the real libraries
// of the build are, copying them into a temporary tree, the test library's
// counters, and a look at a type library independent of the builder.
#ifndef OX_TESTS_BUILDER_BUILDERSTAGE_H
#define OX_TESTS_BUILDER_BUILDERSTAGE_H

#include <windows.h>

#include <string>
#include <vector>

#include "TempDir.h"

namespace bxtest {

// <bin>\name: the build's own libraries (OxCore.dll, xparam.dll, ...).
std::wstring BinFile(const wchar_t* name);
// <bin>\builder\bx_multi.dll, the builder's test library.
std::wstring MultiLibPath();

// Creates dir.File(relative) with its parents ("a\\b\\" style, no trailing
// separator needed).
bool MakeDirs(const oxtest::TempDir& dir, const std::wstring& relative);
// Copies source to dir.File(relative), creating the parents.
bool Stage(const oxtest::TempDir& dir, const std::wstring& relative, const std::wstring& source);
// Writes a few bytes that are no library at all.
bool StageGarbage(const oxtest::TempDir& dir, const std::wstring& relative);

// The counters and switches of bx_multi.dll (see MultiLib.cpp).
long MultiCount(const wchar_t* name);  // "ATTACH", "DETACH", "GCO"
void MultiSet(const wchar_t* name, const wchar_t* value);  // "SERVE", "MODE"; null clears
void MultiReset();

// Handles this process has open, from the system's handle list (the
// platform's own process handle count is always 0 under Wine); 0 when the
// list cannot be had.
unsigned long OpenHandleCount();

// Loaded modules of this file name (base name).
bool IsLoaded(const wchar_t* fileName);

// The CLSIDs of a type library's coclasses, in type-info order, read with
// the platform's functions alone.
std::vector<CLSID> CoClassesOf(const std::wstring& path);

}  // namespace bxtest

#endif  // OX_TESTS_BUILDER_BUILDERSTAGE_H
