// Base64 (RFC 4648 alphabet, with padding) for blob values in XML.
#ifndef XPARAM_SRC_BASE64_H
#define XPARAM_SRC_BASE64_H

#include <cstddef>
#include <string>
#include <vector>

namespace xparam {

void Base64Encode(const unsigned char* data, size_t size, std::wstring* out);
// XML whitespace between groups is skipped (wrapped foreign data); anything
// else outside the alphabet, or bad padding, answers false.
bool Base64Decode(const wchar_t* text, size_t length, std::vector<unsigned char>* out);

}  // namespace xparam

#endif  // XPARAM_SRC_BASE64_H
