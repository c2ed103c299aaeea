#include "registry/FindFiles.h"

#include <cwchar>
#include <vector>

namespace oxcore {
namespace {

bool IsDotEntry(const WIN32_FIND_DATAW& data) {
  return std::wcscmp(data.cFileName, L".") == 0 || std::wcscmp(data.cFileName, L"..") == 0;
}

bool IsDirectory(const WIN32_FIND_DATAW& data) { return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }

// Closes the enumeration on every way out of a scope.
class FindHandle {
 public:
  explicit FindHandle(HANDLE handle) : handle_(handle) {}
  ~FindHandle() {
    if (Valid()) FindClose(handle_);
  }
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_;
};

// Queues the subdirectories of directory, found through a "*.*" enumeration.
void QueueSubdirectories(const std::wstring& directory, std::vector<std::wstring>* pending) {
  WIN32_FIND_DATAW data;
  FindHandle find(FindFirstFileW((directory + L"*.*").c_str(), &data));
  if (!find.Valid()) return;
  do {
    if (!IsDotEntry(data) && IsDirectory(data)) pending->push_back(directory + data.cFileName + L"\\");
  } while (FindNextFileW(find.Get(), &data));
}

}  // namespace

std::wstring NormalizeDirectory(const std::wstring& directory) {
  if (directory.empty()) return directory;
  wchar_t last = directory.back();
  if (last == L'\\' || last == L'/') return directory;
  return directory + L"\\";
}

bool FindFiles(FindFilesCallback callback, const wchar_t* pattern, const std::wstring& directory, bool recursive,
               void* context) {
  if (!callback) return true;
  const std::wstring filter = (pattern && *pattern) ? pattern : L"*.*";
  const bool matchesAll = filter == L"*.*";

  std::vector<std::wstring> pending{NormalizeDirectory(directory)};
  // Index-based: directories queued during the walk are taken in turn.
  for (size_t next = 0; next < pending.size(); ++next) {
    const std::wstring current = pending[next];
    {
      WIN32_FIND_DATAW data;
      FindHandle find(FindFirstFileW((current + filter).c_str(), &data));
      if (find.Valid()) {
        do {
          if (IsDotEntry(data)) continue;
          if (recursive && matchesAll && IsDirectory(data)) pending.push_back(current + data.cFileName + L"\\");
          if (!callback(current, data, context)) return false;
        } while (FindNextFileW(find.Get(), &data));
      }
    }
    if (recursive && !matchesAll) QueueSubdirectories(current, &pending);
  }
  return true;
}

}  // namespace oxcore
