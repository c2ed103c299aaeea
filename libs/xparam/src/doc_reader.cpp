#include "doc_reader.h"

#include <windows.h>

#include <rapidxml.hpp>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <memory>
#include <string_view>
#include <vector>

#include "base64.h"
#include "node.h"
#include "text_format.h"
#include "utf.h"
#include "xml_lexer.h"
#include "xml_names.h"

namespace xparam {
namespace {

using XmlNode = rapidxml::xml_node<char>;
using XmlAttr = rapidxml::xml_attribute<char>;

// Files larger than this are not documents we read in one piece.
constexpr unsigned long long kMaxFileSize = 0x7FFFFFFF;

struct NodeOwner {
  Node* node = nullptr;
  ~NodeOwner() {
    if (node) node->Release();
  }
};

bool Wide(const char* text, size_t size, std::wstring* out) { return Utf8ToUtf16(text, size, out); }

bool IsBlank(const char* text, size_t size) {
  for (size_t i = 0; i < size; ++i) {
    if (!IsXmlSpace(static_cast<wchar_t>(text[i]))) return false;
  }
  return true;
}

bool SignedRange(int type, int64_t* min, int64_t* max) {
  switch (type) {
    case kTypeChar: *min = INT8_MIN, *max = INT8_MAX; return true;
    case kTypeShort: *min = INT16_MIN, *max = INT16_MAX; return true;
    case kTypeLong:
    case kTypeInt: *min = INT32_MIN, *max = INT32_MAX; return true;
    case kTypeLongLong: *min = INT64_MIN, *max = INT64_MAX; return true;
    default: return false;
  }
}

uint64_t UnsignedMax(int type) {
  switch (type) {
    case kTypeUChar: return UINT8_MAX;
    case kTypeUShort: return UINT16_MAX;
    case kTypeULong:
    case kTypeUInt: return UINT32_MAX;
    default: return UINT64_MAX;
  }
}

// The value of one element from its "xp.type" mark (null: none) and text.
bool DecodeValue(const XmlAttr* typeAttr, const std::wstring& text, Value* value) {
  if (!typeAttr) {
    if (!text.empty()) value->SetText(MakeText(text));
    return true;
  }
  std::string_view typeName(typeAttr->value(), typeAttr->value_size());
  if (typeName == "escaped") {
    std::wstring plain;
    if (!UnescapeText(text.data(), text.size(), &plain)) return false;
    value->SetText(MakeText(std::move(plain)));
    return true;
  }
  int type = TypeFromName(typeName.data(), typeName.size());
  const wchar_t* t = text.data();
  size_t n = text.size();
  int64_t min, max;
  if (SignedRange(type, &min, &max)) {
    bool negative;
    uint64_t m;
    if (!ParseInteger(t, n, &negative, &m)) return false;
    if (negative) {
      // -m fits when m <= |min|.
      uint64_t limit = 0 - static_cast<uint64_t>(min);
      if (m > limit) return false;
      value->SetSigned(type, m == limit ? min : -static_cast<int64_t>(m));
    } else {
      if (m > static_cast<uint64_t>(max)) return false;
      value->SetSigned(type, static_cast<int64_t>(m));
    }
    return true;
  }
  if (Value::IsUnsigned(type)) {
    bool negative;
    uint64_t m;
    if (!ParseInteger(t, n, &negative, &m) || negative || m > UnsignedMax(type)) return false;
    value->SetUnsigned(type, m);
    return true;
  }
  switch (type) {
    case kTypeFloat: {
      float f;
      if (!ParseFloat(t, n, &f)) return false;
      value->SetFloat(f);
      return true;
    }
    case kTypeDouble:
    case kTypeLongDouble: {
      double d;
      if (!ParseDouble(t, n, &d)) return false;
      value->SetDouble(type, d);
      return true;
    }
    case kTypeBool: {
      bool b;
      if (!ParseBool(t, n, &b)) return false;
      value->SetBool(b);
      return true;
    }
    case kTypePointer: {
      void* p;
      if (!ParsePointer(t, n, &p)) return false;
      value->SetPointer(p);
      return true;
    }
    case kTypeUnknown:
    case kTypeDispatch:
      return true;  // an interface does not survive its document: empty
    case kTypeString:
      value->SetText(MakeText(text));
      return true;
    case kTypeBlob: {
      std::vector<unsigned char> bytes;
      if (!Base64Decode(t, n, &bytes)) return false;
      value->SetBytes(MakeBytes(std::move(bytes)));
      return true;
    }
    default:
      return false;  // unknown type name
  }
}

// Fills `node` from `element` and links a new node for each child element,
// queueing them in `work`.
bool FillElement(const XmlNode* element, Node* node, std::vector<std::pair<const XmlNode*, Node*>>* work) {
  std::wstring wide;
  if (!Wide(element->name(), element->name_size(), &wide)) return false;
  node->set_name(wide.empty() ? TextRef() : MakeText(wide));

  // Attributes: markers, or string children in document order.
  std::vector<std::string_view> names;
  const XmlAttr* typeAttr = nullptr;
  const XmlAttr* valueAttr = nullptr;
  for (const XmlAttr* a = element->first_attribute(); a; a = a->next_attribute()) {
    std::string_view name(a->name(), a->name_size());
    names.push_back(name);
    if (name == kAttrType) {
      typeAttr = a;
    } else if (name == kAttrValue) {
      valueAttr = a;
    } else if (name == kAttrName) {
      std::wstring escaped, plain;
      if (!Wide(a->value(), a->value_size(), &escaped) || !UnescapeText(escaped.data(), escaped.size(), &plain))
        return false;
      node->set_name(plain.empty() ? TextRef() : MakeText(std::move(plain)));
    } else {
      NodeOwner child;
      child.node = Node::New();
      std::wstring text;
      if (!Wide(a->name(), a->name_size(), &wide) || !Wide(a->value(), a->value_size(), &text)) return false;
      child.node->set_name(MakeText(wide));
      child.node->value().SetText(MakeText(std::move(text)));
      node->AppendOwned(child.node);
      child.node = nullptr;
    }
  }
  std::sort(names.begin(), names.end());
  if (std::adjacent_find(names.begin(), names.end()) != names.end()) return false;  // duplicate attribute

  bool hasElements = false;
  for (const XmlNode* c = element->first_node(); c; c = c->next_sibling()) {
    if (c->type() == rapidxml::node_element) hasElements = true;
  }
  std::string text;
  for (const XmlNode* c = element->first_node(); c; c = c->next_sibling()) {
    if (c->type() == rapidxml::node_element) {
      NodeOwner child;
      child.node = Node::New();
      node->AppendOwned(child.node);
      work->emplace_back(c, child.node);
      child.node = nullptr;
    } else if (c->type() == rapidxml::node_cdata ||
               (c->type() == rapidxml::node_data && !(hasElements && IsBlank(c->value(), c->value_size())))) {
      // Between child elements, blank text is layout and not part of the value.
      text.append(c->value(), c->value_size());
    }
  }
  if (valueAttr) text.assign(valueAttr->value(), valueAttr->value_size());
  if (!Wide(text.data(), text.size(), &wide)) return false;
  Value v;
  if (!DecodeValue(typeAttr, wide, &v)) return false;
  node->value().Swap(v);
  return true;
}

}  // namespace

bool Reader::ParseUtf8(std::string text) {
  if (!NormalizeXmlText(&text) || !CheckXmlStructure(text)) return false;
  text.push_back('\0');  // RapidXML parses in place up to the terminator
  auto xml = std::make_unique<rapidxml::xml_document<char>>();
  try {
    xml->parse<rapidxml::parse_validate_closing_tags>(&text[0]);
  } catch (const rapidxml::parse_error&) {
    return false;
  }
  const XmlNode* root = xml->first_node();
  while (root && root->type() != rapidxml::node_element) root = root->next_sibling();
  if (!root) return false;

  NodeOwner doc;
  doc.node = Node::New();
  Node* top = Node::New();
  doc.node->AppendOwned(top);
  std::vector<std::pair<const XmlNode*, Node*>> work{{root, top}};
  while (!work.empty()) {
    auto [element, node] = work.back();
    work.pop_back();
    if (!FillElement(element, node, &work)) return false;
  }
  document_.Attach(doc.node);
  doc.node = nullptr;
  return true;
}

bool Reader::ParseBytes(const unsigned char* data, size_t size) {
  if (size >= 2 && ((data[0] == 0xFF && data[1] == 0xFE) || (data[0] == 0xFE && data[1] == 0xFF))) {
    std::string utf8;
    if (!Utf16BytesToUtf8(data + 2, size - 2, data[0] == 0xFE, &utf8)) return false;
    return ParseUtf8(std::move(utf8));
  }
  if (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) {
    data += 3;
    size -= 3;
  }
  return ParseUtf8(std::string(reinterpret_cast<const char*>(data), size));
}

bool XPARAM_CALL Reader::ParseString(const wchar_t* text, int length) {
  try {
    if (!text || length < -1) return false;
    size_t n = length == -1 ? std::wcslen(text) : static_cast<size_t>(length);
    if (n > 0 && text[0] == 0xFEFF) {
      ++text;
      --n;
    }
    std::string utf8;
    if (!Utf16ToUtf8(text, n, &utf8)) return false;
    return ParseUtf8(std::move(utf8));
  } catch (...) {
    return false;
  }
}

bool XPARAM_CALL Reader::ParseMemory(const void* data, unsigned int size) {
  try {
    if (!data || size == 0) return false;
    return ParseBytes(static_cast<const unsigned char*>(data), size);
  } catch (...) {
    return false;
  }
}

bool XPARAM_CALL Reader::LoadFile(const wchar_t* path) {
  try {
    if (!path || !*path) return false;
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    std::vector<unsigned char> bytes;
    bool ok = false;
    try {
      LARGE_INTEGER size;
      if (GetFileSizeEx(file, &size) && size.QuadPart > 0 &&
          static_cast<unsigned long long>(size.QuadPart) <= kMaxFileSize) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD got = 0;
        ok = ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) && got == bytes.size();
      }
    } catch (...) {
      ok = false;
    }
    CloseHandle(file);
    return ok && ParseBytes(bytes.data(), bytes.size());
  } catch (...) {
    return false;
  }
}

bool XPARAM_CALL Reader::GetDocument(XParamNode** out) {
  if (!out) return false;
  *out = document_.Get();
  if (!*out) return false;
  (*out)->AddRef();
  return true;
}

void XPARAM_CALL Reader::Destroy() { delete this; }

}  // namespace xparam
