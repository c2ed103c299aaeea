// Strict UTF-8 / UTF-16 conversions. Every function refuses malformed input
// (lone surrogates, overlong forms, code points past U+10FFFF) instead of
// substituting, so that bad bytes never turn silently into text.
#ifndef XPARAM_SRC_UTF_H
#define XPARAM_SRC_UTF_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace xparam {

// Characters that may appear in an XML 1.0 document, raw or as a reference.
inline bool IsXmlChar(uint32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
         (c >= 0x10000 && c <= 0x10FFFF);
}

// Decodes one code point at text[*pos] (a surrogate pair counts as one);
// false for a lone surrogate.
bool NextUtf16(const wchar_t* text, size_t length, size_t* pos, uint32_t* cp);

void AppendUtf8(uint32_t cp, std::string* out);
void AppendUtf16(uint32_t cp, std::wstring* out);

bool Utf16ToUtf8(const wchar_t* text, size_t length, std::string* out);
bool Utf8ToUtf16(const char* text, size_t length, std::wstring* out);

// Bytes of UTF-16 in either byte order (no BOM handling) to UTF-8.
bool Utf16BytesToUtf8(const unsigned char* data, size_t size, bool bigEndian, std::string* out);

}  // namespace xparam

#endif  // XPARAM_SRC_UTF_H
