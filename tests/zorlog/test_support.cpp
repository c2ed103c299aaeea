#include "test_support.h"

#include <cstdlib>
#include <cstring>

namespace zorlog_test {

namespace {

template <typename Fn>
Fn Lookup(HMODULE dll, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
}

bool ReadNumber(const std::string& text, size_t* pos, size_t digits, unsigned long* value) {
  if (*pos + digits > text.size()) return false;
  unsigned long result = 0;
  for (size_t i = 0; i < digits; ++i) {
    char c = text[*pos + i];
    if (c < '0' || c > '9') return false;
    result = result * 10 + static_cast<unsigned long>(c - '0');
  }
  *pos += digits;
  *value = result;
  return true;
}

bool Expect(const std::string& text, size_t* pos, const char* literal) {
  size_t n = std::strlen(literal);
  if (text.compare(*pos, n, literal) != 0) return false;
  *pos += n;
  return true;
}

}  // namespace

Library::Library() {
  dll_ = LoadLibraryW(L"zorlog.dll");
  if (!dll_) return;
  get_ = Lookup<zorlog::GetCppModuleInterfaceFn>(dll_, "GetCppModuleInterface");
  free_ = Lookup<zorlog::FreeCppModuleInterfaceFn>(dll_, "FreeCppModuleInterface");
}

Library::~Library() {
  if (dll_) FreeLibrary(dll_);
}

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = bytes.empty() ||
            (WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
             written == bytes.size());
  CloseHandle(file);
  return ok;
}

std::string ReadBytes(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::string();
  std::string bytes;
  char buffer[65536];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0) bytes.append(buffer, read);
  CloseHandle(file);
  return bytes;
}

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return std::string();
  int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
  return out;
}

std::string Utf16Le(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) {
    out.push_back(static_cast<char>(c & 0xFF));
    out.push_back(static_cast<char>((c >> 8) & 0xFF));
  }
  return out;
}

std::string Utf16Be(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) {
    out.push_back(static_cast<char>((c >> 8) & 0xFF));
    out.push_back(static_cast<char>(c & 0xFF));
  }
  return out;
}

bool ParseLine(const std::string& text, const std::string& name, Line* line) {
  size_t pos = 0;
  unsigned long v[7] = {};
  if (!ReadNumber(text, &pos, 4, &v[0]) || !Expect(text, &pos, "-") || !ReadNumber(text, &pos, 2, &v[1]) ||
      !Expect(text, &pos, "-") || !ReadNumber(text, &pos, 2, &v[2]) || !Expect(text, &pos, " ") ||
      !ReadNumber(text, &pos, 2, &v[3]) || !Expect(text, &pos, ":") || !ReadNumber(text, &pos, 2, &v[4]) ||
      !Expect(text, &pos, ":") || !ReadNumber(text, &pos, 2, &v[5]) || !Expect(text, &pos, ".") ||
      !ReadNumber(text, &pos, 3, &v[6]) || !Expect(text, &pos, " ["))
    return false;
  if (v[1] < 1 || v[1] > 12 || v[2] < 1 || v[2] > 31 || v[3] > 23 || v[4] > 59 || v[5] > 59) return false;
  size_t close = text.find("] ", pos);
  if (close == std::string::npos || close == pos || close - pos > 10) return false;
  unsigned long tid = 0;
  if (!ReadNumber(text, &pos, close - pos, &tid)) return false;
  pos += 2;
  if (pos + 6 > text.size() || text[pos + 5] != ' ') return false;
  std::string level = text.substr(pos, 5);
  while (!level.empty() && level.back() == ' ') level.pop_back();
  static const char* const kLevels[] = {"TRACE", "DEBUG", "INFO", "WARN", "ERROR", "FATAL"};
  bool known = false;
  for (const char* l : kLevels) known = known || level == l;
  if (!known) return false;
  pos += 6;
  if (text.compare(pos, name.size(), name) != 0) return false;
  pos += name.size();
  if (!Expect(text, &pos, ": ")) return false;

  line->time.wYear = static_cast<WORD>(v[0]);
  line->time.wMonth = static_cast<WORD>(v[1]);
  line->time.wDay = static_cast<WORD>(v[2]);
  line->time.wHour = static_cast<WORD>(v[3]);
  line->time.wMinute = static_cast<WORD>(v[4]);
  line->time.wSecond = static_cast<WORD>(v[5]);
  line->time.wMilliseconds = static_cast<WORD>(v[6]);
  line->thread_id = tid;
  line->level = level;
  line->name = name;
  line->message = text.substr(pos);
  return true;
}

std::vector<std::string> SplitLines(const std::string& bytes, bool* whole) {
  std::vector<std::string> lines;
  *whole = true;
  size_t pos = 0;
  while (pos < bytes.size()) {
    size_t end = bytes.find("\r\n", pos);
    if (end == std::string::npos) {
      *whole = false;
      lines.push_back(bytes.substr(pos));
      break;
    }
    std::string line = bytes.substr(pos, end - pos);
    if (line.find_first_of("\r\n") != std::string::npos) *whole = false;
    lines.push_back(std::move(line));
    pos = end + 2;
  }
  return lines;
}

long long ToMillis(const SYSTEMTIME& time) {
  FILETIME file_time;
  if (!SystemTimeToFileTime(&time, &file_time)) return -1;
  ULARGE_INTEGER value;
  value.LowPart = file_time.dwLowDateTime;
  value.HighPart = file_time.dwHighDateTime;
  return static_cast<long long>(value.QuadPart / 10000);
}

void ZorlogTest::SetUp() {
  ASSERT_TRUE(library_.loaded()) << "zorlog.dll or its exports not found";
  ASSERT_FALSE(dir_.Path().empty());
  ASSERT_TRUE(library_.get()(&module_));
  ASSERT_NE(module_, nullptr);
}

void ZorlogTest::TearDown() {
  if (module_) {
    EXPECT_TRUE(library_.free()(&module_));
    EXPECT_EQ(module_, nullptr);
  }
}

bool ZorlogTest::LoadConfigText(const std::string& text, const std::wstring& file_name) {
  std::wstring path = ConfigPath(file_name);
  if (!WriteBytes(path, text)) return false;
  return module_->LoadConfig(path.c_str());
}

int ZorlogTest::Threshold(zorlog::Logger* logger) {
  for (int level = 0; level < 6; ++level) {
    if (logger->IsLevelEnabled(level)) return level;
  }
  return 6;
}

}  // namespace zorlog_test
