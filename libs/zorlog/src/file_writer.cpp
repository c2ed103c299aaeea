#include "file_writer.h"

#include <climits>
#include <map>
#include <new>

namespace zorlog {
namespace internal {

namespace {

// Readers may open, follow and even delete the file while the host runs.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::mutex g_writers_mutex;
// Keyed by the upper-cased path: file names compare without case.
std::map<std::wstring, std::weak_ptr<FileWriter>> g_writers;

std::wstring Key(const std::wstring& path) {
  std::wstring key = path;
  if (key.empty() || key.size() > INT_MAX) return key;
  const int size = static_cast<int>(key.size());
  // Upper case maps each character to one character: the size stays.
  LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, path.c_str(), size, &key[0], size, nullptr, nullptr,
                0);
  return key;
}

void CreateParentFolders(const std::wstring& path) {
  size_t cut = path.find_last_of(L'\\');
  if (cut == std::wstring::npos || cut == 0) return;
  std::wstring dir = path.substr(0, cut);
  if (GetFileAttributesW(dir.c_str()) != INVALID_FILE_ATTRIBUTES) return;
  CreateParentFolders(dir);
  CreateDirectoryW(dir.c_str(), nullptr);
}

bool Empty(const std::wstring& path) {
  HANDLE file =
      CreateFileW(path.c_str(), GENERIC_WRITE, kShareAll, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

HANDLE OpenForAppend(const std::wstring& path) {
  // Append-only access: each WriteFile lands at the current end of the file.
  HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA | SYNCHRONIZE, kShareAll, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE && GetFileType(file) != FILE_TYPE_DISK) {
    // A pipe or device could block the writers.
    CloseHandle(file);
    return INVALID_HANDLE_VALUE;
  }
  return file;
}

}  // namespace

std::shared_ptr<FileWriter> FileWriter::Open(const std::wstring& path, bool append) {
  if (path.empty()) return nullptr;
  const std::wstring key = Key(path);
  std::lock_guard<std::mutex> lock(g_writers_mutex);
  for (auto it = g_writers.begin(); it != g_writers.end();) {
    it = it->second.expired() ? g_writers.erase(it) : std::next(it);
  }
  CreateParentFolders(path);
  if (!append && !Empty(path)) return nullptr;
  auto found = g_writers.find(key);
  if (found != g_writers.end()) {
    if (std::shared_ptr<FileWriter> writer = found->second.lock()) return writer;
  }
  HANDLE file = OpenForAppend(path);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  std::shared_ptr<FileWriter> writer(new (std::nothrow) FileWriter(file));
  if (!writer) {
    CloseHandle(file);
    return nullptr;
  }
  g_writers[key] = writer;
  return writer;
}

FileWriter::~FileWriter() { CloseHandle(file_); }

bool FileWriter::Write(const std::string& bytes) {
  if (bytes.empty() || bytes.size() > UINT_MAX) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  const char* data = bytes.data();
  DWORD left = static_cast<DWORD>(bytes.size());
  while (left > 0) {
    DWORD written = 0;
    if (!WriteFile(file_, data, left, &written, nullptr) || written == 0) return false;
    data += written;
    left -= written;
  }
  return true;
}

void FileWriter::Flush() {
  std::lock_guard<std::mutex> lock(mutex_);
  FlushFileBuffers(file_);
}

}  // namespace internal
}  // namespace zorlog
