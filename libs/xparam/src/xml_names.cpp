#include "xml_names.h"

#include <cstdint>
#include <cstring>

#include "utf.h"
#include "xparam/xparam.h"

namespace xparam {

const char kAttrType[] = "xp.type";
const char kAttrValue[] = "xp.value";
const char kAttrName[] = "xp.name";
const wchar_t kEscapedElement[] = L"xp.node";
const wchar_t kEscapedType[] = L"escaped";

namespace {

struct TypeEntry {
  int type;
  const wchar_t* wide;
  const char* narrow;
};

const TypeEntry kTypes[] = {
    {kTypeChar, L"char", "char"},
    {kTypeUChar, L"uchar", "uchar"},
    {kTypeShort, L"short", "short"},
    {kTypeUShort, L"ushort", "ushort"},
    {kTypeLong, L"long", "long"},
    {kTypeULong, L"ulong", "ulong"},
    {kTypeLongLong, L"longlong", "longlong"},
    {kTypeULongLong, L"ulonglong", "ulonglong"},
    {kTypeInt, L"int", "int"},
    {kTypeUInt, L"uint", "uint"},
    {kTypeFloat, L"float", "float"},
    {kTypeDouble, L"double", "double"},
    {kTypeLongDouble, L"longdouble", "longdouble"},
    {kTypeBool, L"bool", "bool"},
    {kTypePointer, L"pointer", "pointer"},
    {kTypeUnknown, L"unknown", "unknown"},
    {kTypeDispatch, L"dispatch", "dispatch"},
    {kTypeString, L"string", "string"},
    {kTypeBlob, L"blob", "blob"},
};

bool IsNameStart(uint32_t c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || (c >= 0xC0 && c <= 0xD6) ||
         (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) || (c >= 0x370 && c <= 0x37D) ||
         (c >= 0x37F && c <= 0x1FFF) || (c >= 0x200C && c <= 0x200D) || (c >= 0x2070 && c <= 0x218F) ||
         (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) || (c >= 0xF900 && c <= 0xFDCF) ||
         (c >= 0xFDF0 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0xEFFFF);
}

bool IsNameChar(uint32_t c) {
  return IsNameStart(c) || c == '-' || c == '.' || c == ':' || (c >= '0' && c <= '9') || c == 0xB7 ||
         (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

const wchar_t kHex[] = L"0123456789ABCDEF";

int HexValue(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

}  // namespace

const wchar_t* TypeName(int type) {
  for (const TypeEntry& e : kTypes) {
    if (e.type == type) return e.wide;
  }
  return nullptr;
}

int TypeFromName(const char* name, size_t length) {
  for (const TypeEntry& e : kTypes) {
    if (std::strlen(e.narrow) == length && std::memcmp(e.narrow, name, length) == 0) return e.type;
  }
  return 0;
}

bool IsXmlName(const wchar_t* text, size_t length) {
  size_t pos = 0;
  bool first = true;
  while (pos < length) {
    uint32_t c;
    if (!NextUtf16(text, length, &pos, &c)) return false;
    if (first ? !IsNameStart(c) : !IsNameChar(c)) return false;
    first = false;
  }
  return !first;
}

bool IsXmlText(const wchar_t* text, size_t length) {
  size_t pos = 0;
  while (pos < length) {
    uint32_t c;
    if (!NextUtf16(text, length, &pos, &c) || !IsXmlChar(c)) return false;
  }
  return true;
}

std::wstring EscapeText(const wchar_t* text, size_t length) {
  std::wstring out;
  out.reserve(length);
  size_t pos = 0;
  while (pos < length) {
    size_t start = pos;
    uint32_t c;
    if (NextUtf16(text, length, &pos, &c) && IsXmlChar(c)) {
      if (c == '\\') {
        out.append(L"\\\\");
      } else {
        out.append(text + start, pos - start);
      }
      continue;
    }
    pos = start + 1;  // one unit at a time: a lone surrogate or a forbidden char
    unsigned u = static_cast<uint16_t>(text[start]);
    out.append(L"\\u");
    for (int shift = 12; shift >= 0; shift -= 4) out.push_back(kHex[(u >> shift) & 0xF]);
  }
  return out;
}

bool UnescapeText(const wchar_t* text, size_t length, std::wstring* out) {
  out->clear();
  out->reserve(length);
  for (size_t i = 0; i < length; ++i) {
    if (text[i] != L'\\') {
      out->push_back(text[i]);
      continue;
    }
    if (i + 1 < length && text[i + 1] == L'\\') {
      out->push_back(L'\\');
      ++i;
      continue;
    }
    if (length - i < 6 || text[i + 1] != L'u') return false;
    unsigned u = 0;
    for (size_t k = 2; k < 6; ++k) {
      int h = HexValue(text[i + k]);
      if (h < 0) return false;
      u = (u << 4) | static_cast<unsigned>(h);
    }
    out->push_back(static_cast<wchar_t>(u));
    i += 5;
  }
  return true;
}

}  // namespace xparam
