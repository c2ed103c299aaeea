#include "text.h"

#include <windows.h>

#include <climits>

namespace zorlog {
namespace internal {

namespace {

std::wstring Decode(UINT code_page, DWORD flags, std::string_view bytes, bool* ok) {
  *ok = true;
  if (bytes.empty()) return std::wstring();
  if (bytes.size() > INT_MAX) {
    *ok = false;
    return std::wstring();
  }
  const int size = static_cast<int>(bytes.size());
  int chars = MultiByteToWideChar(code_page, flags, bytes.data(), size, nullptr, 0);
  if (chars <= 0) {
    *ok = false;
    return std::wstring();
  }
  std::wstring out(static_cast<size_t>(chars), L'\0');
  chars = MultiByteToWideChar(code_page, flags, bytes.data(), size, &out[0], chars);
  if (chars <= 0) {
    *ok = false;
    return std::wstring();
  }
  out.resize(static_cast<size_t>(chars));
  return out;
}

std::wstring DecodeUtf16(std::string_view bytes, bool big_endian) {
  std::wstring out;
  out.reserve(bytes.size() / 2);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    unsigned char lo = static_cast<unsigned char>(bytes[big_endian ? i + 1 : i]);
    unsigned char hi = static_cast<unsigned char>(bytes[big_endian ? i : i + 1]);
    out.push_back(static_cast<wchar_t>(lo | (hi << 8)));
  }
  return out;
}

bool IsAsciiSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\v' || c == L'\f'; }

wchar_t AsciiLower(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c; }

}  // namespace

std::wstring DecodeText(std::string_view bytes) {
  auto starts = [&bytes](const char* mark, size_t n) { return bytes.size() >= n && bytes.compare(0, n, mark, n) == 0; };
  if (starts("\xEF\xBB\xBF", 3)) {
    bool ok = false;
    std::wstring text = Decode(CP_UTF8, 0, bytes.substr(3), &ok);
    return text;
  }
  if (starts("\xFF\xFE", 2)) return DecodeUtf16(bytes.substr(2), false);
  if (starts("\xFE\xFF", 2)) return DecodeUtf16(bytes.substr(2), true);
  bool ok = false;
  std::wstring text = Decode(CP_UTF8, MB_ERR_INVALID_CHARS, bytes, &ok);
  if (ok) return text;
  return Decode(CP_ACP, 0, bytes, &ok);
}

std::string ToUtf8(std::wstring_view text) {
  if (text.empty() || text.size() > INT_MAX / 4) return std::string();
  const int size = static_cast<int>(text.size());
  int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return std::string();
  std::string out(static_cast<size_t>(bytes), '\0');
  bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, &out[0], bytes, nullptr, nullptr);
  out.resize(bytes > 0 ? static_cast<size_t>(bytes) : 0);
  return out;
}

std::wstring_view Trim(std::wstring_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsAsciiSpace(text[begin])) ++begin;
  while (end > begin && IsAsciiSpace(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

bool EqualsAsciiNoCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

bool EqualsNoCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  if (a.empty()) return true;
  if (a.size() > INT_MAX) return false;
  const int size = static_cast<int>(a.size());
  return CompareStringOrdinal(a.data(), size, b.data(), size, TRUE) == CSTR_EQUAL;
}

}  // namespace internal
}  // namespace zorlog
