// Text helpers: decoding files into UTF-16, encoding lines as UTF-8, and the
// small string operations of the configuration reader.
#ifndef ZORLOG_SRC_TEXT_H
#define ZORLOG_SRC_TEXT_H

#include <string>
#include <string_view>

namespace zorlog {
namespace internal {

// Decodes the bytes of a text file. A byte-order mark selects UTF-8,
// UTF-16LE or UTF-16BE and is dropped; without one, valid UTF-8 is read as
// UTF-8 and anything else in the system's ANSI code page.
std::wstring DecodeText(std::string_view bytes);

// UTF-8 form of a UTF-16 string; unpaired surrogates become U+FFFD.
std::string ToUtf8(std::wstring_view text);

// Without leading and trailing spaces, tabs and other ASCII white space.
std::wstring_view Trim(std::wstring_view text);

// Equal when the texts differ only in the case of ASCII letters.
bool EqualsAsciiNoCase(std::wstring_view a, std::wstring_view b);

// Equal under the system's ordinal case-insensitive comparison.
bool EqualsNoCase(std::wstring_view a, std::wstring_view b);

}  // namespace internal
}  // namespace zorlog

#endif  // ZORLOG_SRC_TEXT_H
