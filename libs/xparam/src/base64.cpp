#include "base64.h"

namespace xparam {
namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int DigitValue(wchar_t c) {
  if (c >= L'A' && c <= L'Z') return c - L'A';
  if (c >= L'a' && c <= L'z') return c - L'a' + 26;
  if (c >= L'0' && c <= L'9') return c - L'0' + 52;
  if (c == L'+') return 62;
  if (c == L'/') return 63;
  return -1;
}

}  // namespace

void Base64Encode(const unsigned char* data, size_t size, std::wstring* out) {
  out->clear();
  out->reserve((size + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= size; i += 3) {
    unsigned v = (data[i] << 16) | (data[i + 1] << 8) | data[i + 2];
    out->push_back(kAlphabet[(v >> 18) & 63]);
    out->push_back(kAlphabet[(v >> 12) & 63]);
    out->push_back(kAlphabet[(v >> 6) & 63]);
    out->push_back(kAlphabet[v & 63]);
  }
  size_t rest = size - i;
  if (rest == 1) {
    unsigned v = data[i] << 16;
    out->push_back(kAlphabet[(v >> 18) & 63]);
    out->push_back(kAlphabet[(v >> 12) & 63]);
    out->append(L"==");
  } else if (rest == 2) {
    unsigned v = (data[i] << 16) | (data[i + 1] << 8);
    out->push_back(kAlphabet[(v >> 18) & 63]);
    out->push_back(kAlphabet[(v >> 12) & 63]);
    out->push_back(kAlphabet[(v >> 6) & 63]);
    out->push_back(L'=');
  }
}

bool Base64Decode(const wchar_t* text, size_t length, std::vector<unsigned char>* out) {
  out->clear();
  unsigned group = 0;
  int count = 0;    // digits in the current group
  int padding = 0;  // '=' seen; only more padding and whitespace may follow
  for (size_t i = 0; i < length; ++i) {
    wchar_t c = text[i];
    if (c == L' ' || c == L'\t' || c == L'\r' || c == L'\n') continue;
    if (c == L'=') {
      if (count < 2 || count + padding >= 4) return false;
      ++padding;
      continue;
    }
    int v = DigitValue(c);
    if (v < 0 || padding > 0) return false;
    group = (group << 6) | static_cast<unsigned>(v);
    if (++count == 4) {
      out->push_back(static_cast<unsigned char>(group >> 16));
      out->push_back(static_cast<unsigned char>(group >> 8));
      out->push_back(static_cast<unsigned char>(group));
      group = 0;
      count = 0;
    }
  }
  if (count == 0) return padding == 0;
  if (count == 1 || count + padding != 4) return false;
  if (count == 2) {
    if (group & 0xF) return false;  // non-canonical trailing bits
    out->push_back(static_cast<unsigned char>(group >> 4));
  } else {
    if (group & 0x3) return false;
    out->push_back(static_cast<unsigned char>(group >> 10));
    out->push_back(static_cast<unsigned char>(group >> 2));
  }
  return true;
}

}  // namespace xparam
