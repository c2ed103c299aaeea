// The text of one line: "YYYY-MM-DD hh:mm:ss.mmm [tid] LEVEL name: message".
#ifndef ZORLOG_SRC_LINE_FORMAT_H
#define ZORLOG_SRC_LINE_FORMAT_H

#include <windows.h>

#include <cstdarg>
#include <string>

namespace zorlog {
namespace internal {

// Formats a printf-style wide format with msvcrt's rules (%s and %ws wide,
// %hs narrow). False when the format is null or cannot be formatted. Messages
// longer than the cap (several MB) are cut at it.
bool FormatMessageText(const wchar_t* format, va_list args, std::wstring* out);

// The whole line, ending with "\r\n". Line breaks at the end of the message
// are dropped so each call stays one line.
std::wstring FormatLine(const SYSTEMTIME& time, DWORD thread_id, int level, const std::wstring& name,
                        const std::wstring& message);

}  // namespace internal
}  // namespace zorlog

#endif  // ZORLOG_SRC_LINE_FORMAT_H
