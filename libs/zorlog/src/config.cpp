#include "config.h"

#include <windows.h>

#include "levels.h"
#include "text.h"

namespace zorlog {
namespace internal {

namespace {

// A configuration this large is not one; refusing it keeps LoadConfig quick.
constexpr DWORD kMaxConfigBytes = 1 << 20;
// Longest path accepted for the output file, in characters.
constexpr size_t kMaxPath = 32767;

bool ParseBool(std::wstring_view text, bool* value) {
  static const wchar_t* const kTrue[] = {L"1", L"true", L"yes", L"on"};
  static const wchar_t* const kFalse[] = {L"0", L"false", L"no", L"off"};
  for (const wchar_t* word : kTrue) {
    if (EqualsAsciiNoCase(text, word)) return *value = true, true;
  }
  for (const wchar_t* word : kFalse) {
    if (EqualsAsciiNoCase(text, word)) return *value = false, true;
  }
  return false;
}

bool IsAbsolutePath(std::wstring_view path) {
  if (!path.empty() && (path[0] == L'\\' || path[0] == L'/')) return true;
  return path.size() >= 2 && path[1] == L':';
}

// The value ends before a '#' or ';' that follows white space: such a
// comment may close any line, while a path may still hold those characters.
std::wstring_view StripTrailingComment(std::wstring_view value) {
  for (size_t i = 1; i < value.size(); ++i) {
    if ((value[i] == L'#' || value[i] == L';') && (value[i - 1] == L' ' || value[i - 1] == L'\t')) {
      return Trim(value.substr(0, i));
    }
  }
  return value;
}

std::wstring_view Unquote(std::wstring_view value) {
  if (value.size() >= 2 && value.front() == L'"' && value.back() == L'"') return value.substr(1, value.size() - 2);
  return value;
}

std::wstring ResolvePath(std::wstring_view value, const std::wstring& base_dir) {
  std::wstring path(value);
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  if (!IsAbsolutePath(path)) path = base_dir + path;
  // Made absolute now, so a later change of the current directory cannot
  // move the file.
  DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0 || size > kMaxPath) return path;
  std::wstring full(size, L'\0');
  DWORD written = GetFullPathNameW(path.c_str(), size, &full[0], nullptr);
  if (written == 0 || written >= size) return path;
  full.resize(written);
  return full;
}

void ApplyLine(std::wstring_view line, const std::wstring& base_dir, Config* config) {
  line = Trim(line);
  if (line.empty() || line[0] == L'#' || line[0] == L';') return;
  size_t eq = line.find(L'=');
  if (eq == std::wstring_view::npos) return;
  std::wstring_view key = Trim(line.substr(0, eq));
  std::wstring_view value = Unquote(StripTrailingComment(Trim(line.substr(eq + 1))));

  static constexpr std::wstring_view kLoggerPrefix = L"logger.";
  if (key.size() > kLoggerPrefix.size() && EqualsAsciiNoCase(key.substr(0, kLoggerPrefix.size()), kLoggerPrefix)) {
    std::wstring_view name = Trim(key.substr(kLoggerPrefix.size()));
    int level = 0;
    if (!name.empty() && ParseLevel(value, &level)) config->logger_levels.emplace_back(std::wstring(name), level);
  } else if (EqualsAsciiNoCase(key, L"level")) {
    ParseLevel(value, &config->level);
  } else if (EqualsAsciiNoCase(key, L"file")) {
    if (value.empty()) {
      config->file.clear();
    } else if (value.size() < kMaxPath) {
      config->file = ResolvePath(value, base_dir);
    }
  } else if (EqualsAsciiNoCase(key, L"append")) {
    ParseBool(value, &config->append);
  } else if (EqualsAsciiNoCase(key, L"debugger")) {
    ParseBool(value, &config->debugger);
  }
}

std::wstring DirectoryOf(const wchar_t* path) {
  std::wstring dir(path);
  size_t cut = dir.find_last_of(L"\\/");
  if (cut == std::wstring::npos) {
    // "C:log.property" lies in the current directory of drive C.
    return (dir.size() >= 2 && dir[1] == L':') ? dir.substr(0, 2) : std::wstring();
  }
  dir.resize(cut + 1);
  return dir;
}

bool ReadSmallFile(const wchar_t* path, std::string* bytes) {
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = false;
  LARGE_INTEGER size;
  // Only plain files: a pipe or device could keep ReadFile waiting.
  if (GetFileType(file) == FILE_TYPE_DISK && GetFileSizeEx(file, &size) && size.QuadPart >= 0 &&
      size.QuadPart <= kMaxConfigBytes) {
    bytes->assign(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    ok = bytes->empty() || ReadFile(file, &(*bytes)[0], static_cast<DWORD>(bytes->size()), &read, nullptr);
    if (ok) bytes->resize(read);
  }
  CloseHandle(file);
  return ok;
}

}  // namespace

int Config::LevelFor(std::wstring_view name) const {
  for (auto it = logger_levels.rbegin(); it != logger_levels.rend(); ++it) {
    if (it->first == name) return it->second;
  }
  for (auto it = logger_levels.rbegin(); it != logger_levels.rend(); ++it) {
    if (EqualsNoCase(it->first, name)) return it->second;
  }
  return level;
}

Config ParseConfig(std::wstring_view text, const std::wstring& base_dir) {
  Config config;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of(L"\r\n", pos);
    if (end == std::wstring_view::npos) end = text.size();
    ApplyLine(text.substr(pos, end - pos), base_dir, &config);
    pos = end + 1;
  }
  return config;
}

bool ReadConfigFile(const wchar_t* path, Config* config) {
  *config = Config();
  std::string bytes;
  if (!path || !*path || !ReadSmallFile(path, &bytes)) return false;
  *config = ParseConfig(DecodeText(bytes), DirectoryOf(path));
  return true;
}

}  // namespace internal
}  // namespace zorlog
