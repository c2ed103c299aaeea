#include "xml_lexer.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "utf.h"

namespace xparam {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool IsNameStartByte(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' || c >= 0x80;
}

bool IsNameByte(unsigned char c) {
  return IsNameStartByte(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

class Lexer {
 public:
  explicit Lexer(const std::string& text) : s_(text.data()), n_(text.size()) {}
  bool Run();

 private:
  bool StartsWith(size_t at, const char* token) const {
    size_t len = std::strlen(token);
    return n_ - at >= len && std::memcmp(s_ + at, token, len) == 0;
  }
  size_t Find(size_t from, const char* token) const {
    size_t len = std::strlen(token);
    for (size_t i = from; i + len <= n_; ++i) {
      if (std::memcmp(s_ + i, token, len) == 0) return i;
    }
    return SIZE_MAX;
  }
  // Length of the name at `at` (0: none).
  size_t Name(size_t at) const {
    if (at >= n_ || !IsNameStartByte(static_cast<unsigned char>(s_[at]))) return 0;
    size_t k = at + 1;
    while (k < n_ && IsNameByte(static_cast<unsigned char>(s_[k]))) ++k;
    return k - at;
  }
  bool SkipSpace(size_t* k) const {
    size_t start = *k;
    while (*k < n_ && IsSpace(s_[*k])) ++*k;
    return *k > start;
  }
  bool Reference(size_t* k) const;
  bool StartTag(size_t* k);
  bool EndTag(size_t* k);
  bool Doctype(size_t* k) const;

  const char* s_;
  size_t n_;
  size_t roots_ = 0;
  std::vector<std::pair<size_t, size_t>> open_;  // names of the open elements
};

// An entity or character reference at s_[*k] == '&'.
bool Lexer::Reference(size_t* k) const {
  size_t semi = *k + 1;
  while (semi < n_ && semi - *k <= 12 && s_[semi] != ';') ++semi;
  if (semi >= n_ || s_[semi] != ';') return false;
  const char* b = s_ + *k + 1;
  size_t len = semi - *k - 1;
  auto is = [&](const char* name) { return std::strlen(name) == len && std::memcmp(b, name, len) == 0; };
  if (is("amp") || is("lt") || is("gt") || is("quot") || is("apos")) {
    *k = semi + 1;
    return true;
  }
  if (len < 2 || b[0] != '#') return false;
  uint32_t v = 0;
  if (b[1] == 'x') {
    if (len < 3) return false;
    for (size_t i = 2; i < len; ++i) {
      char c = b[i];
      int d = (c >= '0' && c <= '9') ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                                                : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
      if (d < 0) return false;
      v = v * 16 + static_cast<uint32_t>(d);
      if (v > 0x10FFFF) return false;
    }
  } else {
    for (size_t i = 1; i < len; ++i) {
      if (b[i] < '0' || b[i] > '9') return false;
      v = v * 10 + static_cast<uint32_t>(b[i] - '0');
      if (v > 0x10FFFF) return false;
    }
  }
  if (!IsXmlChar(v)) return false;
  *k = semi + 1;
  return true;
}

bool Lexer::StartTag(size_t* k) {
  size_t nameAt = *k + 1;
  size_t nameLen = Name(nameAt);
  if (nameLen == 0) return false;
  if (open_.empty() && roots_++ > 0) return false;  // a second root
  size_t i = nameAt + nameLen;
  for (;;) {
    bool spaced = SkipSpace(&i);
    if (i >= n_) return false;
    if (s_[i] == '>') {
      open_.emplace_back(nameAt, nameLen);
      if (open_.size() > kMaxXmlDepth) return false;
      *k = i + 1;
      return true;
    }
    if (s_[i] == '/') {
      if (i + 1 >= n_ || s_[i + 1] != '>') return false;
      *k = i + 2;
      return true;
    }
    size_t attrLen = spaced ? Name(i) : 0;
    if (attrLen == 0) return false;
    i += attrLen;
    SkipSpace(&i);
    if (i >= n_ || s_[i] != '=') return false;
    ++i;
    SkipSpace(&i);
    if (i >= n_ || (s_[i] != '"' && s_[i] != '\'')) return false;
    char quote = s_[i++];
    while (i < n_ && s_[i] != quote) {
      if (s_[i] == '<') return false;
      if (s_[i] == '&') {
        if (!Reference(&i)) return false;
      } else {
        ++i;
      }
    }
    if (i >= n_) return false;
    ++i;
  }
}

bool Lexer::EndTag(size_t* k) {
  size_t nameAt = *k + 2;
  size_t nameLen = Name(nameAt);
  if (nameLen == 0 || open_.empty()) return false;
  const auto& top = open_.back();
  if (top.second != nameLen || std::memcmp(s_ + top.first, s_ + nameAt, nameLen) != 0) return false;
  open_.pop_back();
  size_t i = nameAt + nameLen;
  SkipSpace(&i);
  if (i >= n_ || s_[i] != '>') return false;
  *k = i + 1;
  return true;
}

bool Lexer::Doctype(size_t* k) const {
  if (!open_.empty() || roots_ > 0) return false;
  int brackets = 0;
  char quote = 0;
  for (size_t i = *k + 9; i < n_; ++i) {
    char c = s_[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '[') {
      ++brackets;
    } else if (c == ']') {
      if (--brackets < 0) return false;
    } else if (c == '>' && brackets == 0) {
      *k = i + 1;
      return true;
    }
  }
  return false;
}

bool Lexer::Run() {
  size_t i = 0;
  while (i < n_) {
    char c = s_[i];
    if (c == '<') {
      size_t end;
      if (StartsWith(i, "<!--")) {
        if ((end = Find(i + 4, "-->")) == SIZE_MAX) return false;
        i = end + 3;
      } else if (StartsWith(i, "<![CDATA[")) {
        if (open_.empty() || (end = Find(i + 9, "]]>")) == SIZE_MAX) return false;
        i = end + 3;
      } else if (StartsWith(i, "<!DOCTYPE")) {
        if (!Doctype(&i)) return false;
      } else if (StartsWith(i, "<?")) {
        // The XML declaration may only open the document.
        bool decl = StartsWith(i, "<?xml") && (i + 5 < n_) && (IsSpace(s_[i + 5]) || s_[i + 5] == '?');
        if ((decl && i != 0) || (end = Find(i + 2, "?>")) == SIZE_MAX) return false;
        i = end + 2;
      } else if (StartsWith(i, "</")) {
        if (!EndTag(&i)) return false;
      } else if (StartsWith(i, "<!")) {
        return false;
      } else if (!StartTag(&i)) {
        return false;
      }
    } else if (open_.empty()) {
      if (!IsSpace(c)) return false;  // text outside the root element
      ++i;
    } else if (c == '&') {
      if (!Reference(&i)) return false;
    } else if (c == ']' && StartsWith(i, "]]>")) {
      return false;
    } else {
      ++i;
    }
  }
  return open_.empty() && roots_ == 1;
}

}  // namespace

bool NormalizeXmlText(std::string* text) {
  std::string& s = *text;
  const unsigned char* b = reinterpret_cast<const unsigned char*>(s.data());
  size_t n = s.size();
  size_t out = 0;
  for (size_t i = 0; i < n;) {
    uint32_t c = b[i];
    size_t extra = 0;
    uint32_t min = 0;
    if (c < 0x80) {
      if (c == '\r') {
        s[out++] = '\n';
        i += (i + 1 < n && b[i + 1] == '\n') ? 2 : 1;
        continue;
      }
    } else if (c >= 0xC2 && c <= 0xDF) {
      extra = 1, min = 0x80, c &= 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      extra = 2, min = 0x800, c &= 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3, min = 0x10000, c &= 0x07;
    } else {
      return false;
    }
    if (n - i <= extra) return false;
    for (size_t k = 1; k <= extra; ++k) {
      if ((b[i + k] & 0xC0) != 0x80) return false;
      c = (c << 6) | (b[i + k] & 0x3F);
    }
    if ((extra && c < min) || !IsXmlChar(c)) return false;
    for (size_t k = 0; k <= extra; ++k) s[out++] = static_cast<char>(b[i + k]);
    i += extra + 1;
  }
  s.resize(out);
  return true;
}

bool CheckXmlStructure(const std::string& text) { return Lexer(text).Run(); }

}  // namespace xparam
