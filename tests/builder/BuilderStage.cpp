#include "BuilderStage.h"

#include <oleauto.h>

#include <cwchar>

namespace bxtest {

std::wstring BinFile(const wchar_t* name) { return oxtest::ExeDirectory() + name; }

std::wstring MultiLibPath() { return oxtest::ExeDirectory() + L"builder\\bx_multi.dll"; }

bool MakeDirs(const oxtest::TempDir& dir, const std::wstring& relative) {
  std::wstring path = dir.Path();
  size_t start = 0;
  while (start < relative.size()) {
    size_t end = relative.find(L'\\', start);
    if (end == std::wstring::npos) end = relative.size();
    path += relative.substr(start, end - start) + L"\\";
    if (!CreateDirectoryW(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
    start = end + 1;
  }
  return true;
}

namespace {

bool MakeParents(const oxtest::TempDir& dir, const std::wstring& relative) {
  size_t separator = relative.find_last_of(L'\\');
  return separator == std::wstring::npos || MakeDirs(dir, relative.substr(0, separator));
}

}  // namespace

bool Stage(const oxtest::TempDir& dir, const std::wstring& relative, const std::wstring& source) {
  return MakeParents(dir, relative) && CopyFileW(source.c_str(), dir.File(relative).c_str(), FALSE) != 0;
}

bool StageGarbage(const oxtest::TempDir& dir, const std::wstring& relative) {
  return MakeParents(dir, relative) && oxtest::WriteTextFile(dir.File(relative), "MZ but nothing else\r\n");
}

long MultiCount(const wchar_t* name) {
  std::wstring var = std::wstring(L"BX_MULTI_") + name;
  wchar_t buf[64];
  DWORD n = GetEnvironmentVariableW(var.c_str(), buf, 64);
  return (n == 0 || n >= 64) ? 0 : std::wcstol(buf, nullptr, 10);
}

void MultiSet(const wchar_t* name, const wchar_t* value) {
  SetEnvironmentVariableW((std::wstring(L"BX_MULTI_") + name).c_str(), value);
}

void MultiReset() {
  for (const wchar_t* name : {L"ATTACH", L"DETACH", L"GCO", L"SERVE", L"MODE"}) MultiSet(name, nullptr);
}

namespace {

// The system handle list (information class 16): a count, then one entry per
// handle, tagged with the low 16 bits of its process id.
struct HandleEntry {
  USHORT processId;
  USHORT creatorBackTraceIndex;
  UCHAR objectType;
  UCHAR attributes;
  USHORT value;
  PVOID object;
  ACCESS_MASK access;
};
struct HandleList {
  ULONG count;
  HandleEntry entries[1];
};
using QuerySystemInformationFn = LONG(NTAPI*)(ULONG, PVOID, ULONG, PULONG);

}  // namespace

unsigned long OpenHandleCount() {
  auto query = reinterpret_cast<QuerySystemInformationFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  if (!query) return 0;
  std::vector<char> buffer(1 << 16);
  for (;;) {
    ULONG needed = 0;
    LONG status = query(16, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
    if (status == static_cast<LONG>(0xC0000004)) {  // STATUS_INFO_LENGTH_MISMATCH
      if (buffer.size() >= (64u << 20)) return 0;
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (status != 0) return 0;
    break;
  }
  const auto* list = reinterpret_cast<const HandleList*>(buffer.data());
  const USHORT self = static_cast<USHORT>(GetCurrentProcessId());
  unsigned long count = 0;
  for (ULONG i = 0; i < list->count; ++i)
    if (list->entries[i].processId == self) ++count;
  return count;
}

bool IsLoaded(const wchar_t* fileName) { return GetModuleHandleW(fileName) != nullptr; }

std::vector<CLSID> CoClassesOf(const std::wstring& path) {
  std::vector<CLSID> result;
  ITypeLib* lib = nullptr;
  if (FAILED(LoadTypeLibEx(path.c_str(), REGKIND_NONE, &lib))) return result;
  for (UINT i = 0; i < lib->GetTypeInfoCount(); ++i) {
    ITypeInfo* info = nullptr;
    if (FAILED(lib->GetTypeInfo(i, &info))) continue;
    TYPEATTR* attr = nullptr;
    if (SUCCEEDED(info->GetTypeAttr(&attr))) {
      if (attr->typekind == TKIND_COCLASS) result.push_back(attr->guid);
      info->ReleaseTypeAttr(attr);
    }
    info->Release();
  }
  lib->Release();
  return result;
}

}  // namespace bxtest
