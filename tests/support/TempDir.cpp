#include "TempDir.h"

#include <windows.h>

#include <atomic>

namespace oxtest {
namespace {

void RemoveTree(const std::wstring& dir) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((dir + L"*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = fd.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring full = dir + name;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(full + L"\\");
      } else {
        SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(full.c_str());
      }
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  RemoveDirectoryW(dir.c_str());
}

}  // namespace

TempDir::TempDir() {
  static std::atomic<unsigned> counter{0};
  wchar_t base[MAX_PATH];
  GetTempPathW(MAX_PATH, base);
  for (;;) {
    std::wstring candidate = std::wstring(base) + L"oxtest_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                             std::to_wstring(GetTickCount()) + L"_" + std::to_wstring(counter++);
    if (CreateDirectoryW(candidate.c_str(), nullptr)) {
      path_ = candidate + L"\\";
      return;
    }
  }
}

TempDir::~TempDir() { RemoveTree(path_); }

std::wstring ExeDirectory() {
  wchar_t path[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring s(path, n);
  return s.substr(0, s.find_last_of(L"\\/") + 1);
}

bool CopyInto(const std::wstring& sourcePath, const TempDir& dir, const std::wstring& name) {
  return CopyFileW(sourcePath.c_str(), dir.File(name).c_str(), FALSE) != 0;
}

bool CopyBuilt(const TempDir& dir, std::initializer_list<const wchar_t*> names) {
  const std::wstring bin = ExeDirectory();
  for (const wchar_t* name : names) {
    if (!CopyInto(bin + name, dir, name)) return false;
  }
  return true;
}

bool WriteTextFile(const std::wstring& path, const std::string& utf8) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = WriteFile(h, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
  CloseHandle(h);
  return ok && written == utf8.size();
}

bool ReadTextFile(const std::wstring& path, std::string* utf8) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  utf8->clear();
  char buf[4096];
  DWORD got = 0;
  while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0) utf8->append(buf, got);
  CloseHandle(h);
  return true;
}

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace oxtest
