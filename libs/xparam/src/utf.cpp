#include "utf.h"

namespace xparam {

bool NextUtf16(const wchar_t* text, size_t length, size_t* pos, uint32_t* cp) {
  uint32_t c = static_cast<uint16_t>(text[*pos]);
  if (c >= 0xD800 && c <= 0xDBFF) {
    if (*pos + 1 >= length) return false;
    uint32_t d = static_cast<uint16_t>(text[*pos + 1]);
    if (d < 0xDC00 || d > 0xDFFF) return false;
    *cp = 0x10000 + ((c - 0xD800) << 10) + (d - 0xDC00);
    *pos += 2;
    return true;
  }
  if (c >= 0xDC00 && c <= 0xDFFF) return false;
  *cp = c;
  *pos += 1;
  return true;
}

void AppendUtf8(uint32_t cp, std::string* out) {
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

void AppendUtf16(uint32_t cp, std::wstring* out) {
  if (cp < 0x10000) {
    out->push_back(static_cast<wchar_t>(cp));
  } else {
    cp -= 0x10000;
    out->push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
    out->push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
  }
}

bool Utf16ToUtf8(const wchar_t* text, size_t length, std::string* out) {
  out->clear();
  out->reserve(length + length / 2);
  size_t pos = 0;
  while (pos < length) {
    uint32_t cp;
    if (!NextUtf16(text, length, &pos, &cp)) return false;
    AppendUtf8(cp, out);
  }
  return true;
}

bool Utf8ToUtf16(const char* text, size_t length, std::wstring* out) {
  out->clear();
  out->reserve(length);
  const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
  size_t i = 0;
  while (i < length) {
    uint32_t c = s[i];
    if (c < 0x80) {
      out->push_back(static_cast<wchar_t>(c));
      ++i;
      continue;
    }
    size_t extra;
    uint32_t min;
    if (c >= 0xC2 && c <= 0xDF) {
      extra = 1, min = 0x80, c &= 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      extra = 2, min = 0x800, c &= 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3, min = 0x10000, c &= 0x07;
    } else {
      return false;
    }
    if (length - i <= extra) return false;
    for (size_t k = 1; k <= extra; ++k) {
      uint32_t t = s[i + k];
      if ((t & 0xC0) != 0x80) return false;
      c = (c << 6) | (t & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    AppendUtf16(c, out);
    i += extra + 1;
  }
  return true;
}

bool Utf16BytesToUtf8(const unsigned char* data, size_t size, bool bigEndian, std::string* out) {
  if (size % 2 != 0) return false;
  std::wstring units;
  units.reserve(size / 2);
  for (size_t i = 0; i < size; i += 2) {
    unsigned hi = bigEndian ? data[i] : data[i + 1];
    unsigned lo = bigEndian ? data[i + 1] : data[i];
    units.push_back(static_cast<wchar_t>((hi << 8) | lo));
  }
  return Utf16ToUtf8(units.data(), units.size(), out);
}

}  // namespace xparam
