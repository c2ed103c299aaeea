#include "core/AppDirectory.h"

#include <windows.h>

#include <mutex>

namespace oxcore {
namespace {

std::mutex g_mutex;
std::wstring* g_cache = nullptr;  // heap-held: the cache lives from module load to unload

std::wstring ComputeAppDirectory() {
  wchar_t path[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return std::wstring();
  std::wstring dir(path, n);
  size_t cut = dir.find_last_of(L"\\/");
  if (cut == std::wstring::npos) return std::wstring();
  dir.resize(cut + 1);
  return dir;
}

}  // namespace

std::wstring GetAppDirectory() {
  std::lock_guard<std::mutex> lock(g_mutex);
  try {
    if (!g_cache) g_cache = new std::wstring();
    if (g_cache->empty()) *g_cache = ComputeAppDirectory();
    return *g_cache;
  } catch (...) {
    return std::wstring();
  }
}

void ResetAppDirectoryCache() {
  std::lock_guard<std::mutex> lock(g_mutex);
  delete g_cache;
  g_cache = nullptr;
}

}  // namespace oxcore
