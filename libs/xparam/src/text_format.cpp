#include "text_format.h"

#include <charconv>
#include <cmath>

namespace xparam {
namespace {

std::wstring Widen(const char* s, size_t n) { return std::wstring(s, s + n); }

// Trimmed ASCII copy; false when non-ASCII characters remain.
bool Narrow(const wchar_t* text, size_t length, std::string* out) {
  size_t b = 0, e = length;
  while (b < e && IsXmlSpace(text[b])) ++b;
  while (e > b && IsXmlSpace(text[e - 1])) --e;
  if (b == e) return false;
  out->clear();
  for (size_t i = b; i < e; ++i) {
    if (text[i] <= 0 || text[i] >= 0x80) return false;
    out->push_back(static_cast<char>(text[i]));
  }
  return true;
}

template <typename T>
std::wstring FormatFloating(T value) {
  if (std::isnan(value)) return L"nan";
  if (std::isinf(value)) return value < 0 ? L"-inf" : L"inf";
  char buffer[64];
  auto r = std::to_chars(buffer, buffer + sizeof buffer, value);
  return Widen(buffer, static_cast<size_t>(r.ptr - buffer));
}

template <typename T>
bool ParseFloating(const wchar_t* text, size_t length, T* value) {
  std::string s;
  if (!Narrow(text, length, &s)) return false;
  const char* b = s.data();
  const char* e = b + s.size();
  if (*b == '+') {
    ++b;
    if (b == e || *b == '-' || *b == '+') return false;
  }
  T v;
  auto r = std::from_chars(b, e, v);
  if (r.ec != std::errc() || r.ptr != e) return false;
  *value = v;
  return true;
}

}  // namespace

std::wstring FormatSigned(int64_t value) {
  char buffer[32];
  auto r = std::to_chars(buffer, buffer + sizeof buffer, value);
  return Widen(buffer, static_cast<size_t>(r.ptr - buffer));
}

std::wstring FormatUnsigned(uint64_t value) {
  char buffer[32];
  auto r = std::to_chars(buffer, buffer + sizeof buffer, value);
  return Widen(buffer, static_cast<size_t>(r.ptr - buffer));
}

std::wstring FormatDouble(double value) { return FormatFloating(value); }
std::wstring FormatFloat(float value) { return FormatFloating(value); }

std::wstring FormatPointer(const void* value) {
  char buffer[32] = {'0', 'x'};
  auto r = std::to_chars(buffer + 2, buffer + sizeof buffer, reinterpret_cast<uintptr_t>(value), 16);
  return Widen(buffer, static_cast<size_t>(r.ptr - buffer));
}

bool ParseInteger(const wchar_t* text, size_t length, bool* negative, uint64_t* magnitude) {
  std::string s;
  if (!Narrow(text, length, &s)) return false;
  size_t i = 0;
  bool neg = false;
  if (s[0] == '+' || s[0] == '-') {
    neg = s[0] == '-';
    i = 1;
  }
  if (i == s.size()) return false;
  uint64_t m = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    unsigned d = static_cast<unsigned>(s[i] - '0');
    if (m > (UINT64_MAX - d) / 10) return false;
    m = m * 10 + d;
  }
  *negative = neg && m != 0;
  *magnitude = m;
  return true;
}

bool ParseDouble(const wchar_t* text, size_t length, double* value) { return ParseFloating(text, length, value); }
bool ParseFloat(const wchar_t* text, size_t length, float* value) { return ParseFloating(text, length, value); }

bool ParseBool(const wchar_t* text, size_t length, bool* value) {
  std::string s;
  if (!Narrow(text, length, &s)) return false;
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  if (s == "true" || s == "1") {
    *value = true;
    return true;
  }
  if (s == "false" || s == "0") {
    *value = false;
    return true;
  }
  return false;
}

bool ParsePointer(const wchar_t* text, size_t length, void** value) {
  std::string s;
  if (!Narrow(text, length, &s)) return false;
  if (s.size() < 3 || s[0] != '0' || (s[1] != 'x' && s[1] != 'X')) return false;
  uintptr_t v = 0;
  auto r = std::from_chars(s.data() + 2, s.data() + s.size(), v, 16);
  if (r.ec != std::errc() || r.ptr != s.data() + s.size()) return false;
  *value = reinterpret_cast<void*>(v);
  return true;
}

}  // namespace xparam
