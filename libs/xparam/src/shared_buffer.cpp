#include "shared_buffer.h"

namespace xparam {

TextRef MakeText(std::wstring text) { return TextRef(new SharedText(std::move(text))); }

BytesRef MakeBytes(std::vector<unsigned char> bytes) { return BytesRef(new SharedBytes(std::move(bytes))); }

}  // namespace xparam
