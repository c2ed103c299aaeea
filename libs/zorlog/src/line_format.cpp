#include "line_format.h"

#include <cstdio>
#include <cwchar>

#include "levels.h"

namespace zorlog {
namespace internal {

namespace {

constexpr size_t kStackChars = 512;
// 4M characters: a line longer than that is a mistake, not a diagnostic.
constexpr int kMaxMessageChars = 4 << 20;

void AppendNumber(std::wstring* out, unsigned long value, int width) {
  wchar_t digits[24];
  int n = 0;
  do {
    digits[n++] = static_cast<wchar_t>(L'0' + value % 10);
    value /= 10;
  } while (value != 0 && n < 24);
  for (int pad = n; pad < width; ++pad) out->push_back(L'0');
  while (n > 0) out->push_back(digits[--n]);
}

}  // namespace

bool FormatMessageText(const wchar_t* format, va_list args, std::wstring* out) {
  if (!format) return false;
  wchar_t stack[kStackChars];
  va_list copy;
  va_copy(copy, args);
  // _vsnwprintf is msvcrt's (see CMakeLists.txt): -1 when the text does not fit.
  int n = _vsnwprintf(stack, kStackChars, format, copy);
  va_end(copy);
  if (n >= 0 && static_cast<size_t>(n) <= kStackChars) {
    out->assign(stack, static_cast<size_t>(n));
    return true;
  }
  va_copy(copy, args);
  int needed = _vscwprintf(format, copy);
  va_end(copy);
  if (needed < 0) return false;
  const int size = needed < kMaxMessageChars ? needed : kMaxMessageChars;
  out->assign(static_cast<size_t>(size) + 1, L'\0');
  va_copy(copy, args);
  n = _vsnwprintf(&(*out)[0], static_cast<size_t>(size), format, copy);
  va_end(copy);
  if (n < 0 && size == needed) return false;
  out->resize(n >= 0 ? static_cast<size_t>(n) : static_cast<size_t>(size));
  return true;
}

std::wstring FormatLine(const SYSTEMTIME& time, DWORD thread_id, int level, const std::wstring& name,
                        const std::wstring& message) {
  size_t length = message.size();
  while (length > 0 && (message[length - 1] == L'\n' || message[length - 1] == L'\r')) --length;

  std::wstring line;
  line.reserve(48 + name.size() + length);
  AppendNumber(&line, time.wYear, 4);
  line.push_back(L'-');
  AppendNumber(&line, time.wMonth, 2);
  line.push_back(L'-');
  AppendNumber(&line, time.wDay, 2);
  line.push_back(L' ');
  AppendNumber(&line, time.wHour, 2);
  line.push_back(L':');
  AppendNumber(&line, time.wMinute, 2);
  line.push_back(L':');
  AppendNumber(&line, time.wSecond, 2);
  line.push_back(L'.');
  AppendNumber(&line, time.wMilliseconds, 3);
  line.append(L" [");
  AppendNumber(&line, thread_id, 1);
  line.append(L"] ");
  line.append(LevelTag(level));
  line.push_back(L' ');
  line.append(name);
  line.append(L": ");
  line.append(message, 0, length);
  line.append(L"\r\n");
  return line;
}

}  // namespace internal
}  // namespace zorlog
