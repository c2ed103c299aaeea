#include "doc_writer.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cwchar>
#include <vector>

#include "base64.h"
#include "node.h"
#include "scratch_text.h"
#include "shared_buffer.h"
#include "text_format.h"
#include "utf.h"
#include "xml_names.h"

namespace xparam {
namespace {

bool IsLayout(const wchar_t* text) {
  for (; text && *text; ++text) {
    if (!IsXmlSpace(*text)) return false;
  }
  return true;
}

bool IsBlank(const std::wstring& text) {
  for (wchar_t c : text) {
    if (!IsXmlSpace(c)) return false;
  }
  return true;
}

void AppendEscaped(const std::wstring& text, bool attribute, std::wstring* out) {
  for (wchar_t c : text) {
    switch (c) {
      case L'&': out->append(L"&amp;"); break;
      case L'<': out->append(L"&lt;"); break;
      case L'>': out->append(L"&gt;"); break;
      case L'\r': out->append(L"&#13;"); break;
      case L'"': out->append(attribute ? L"&quot;" : L"\""); break;
      case L'\t': out->append(attribute ? L"&#9;" : L"\t"); break;
      case L'\n': out->append(attribute ? L"&#10;" : L"\n"); break;
      default: out->push_back(c);
    }
  }
}

void AppendAttribute(const char* name, const std::wstring& value, std::wstring* out) {
  out->push_back(L' ');
  for (const char* p = name; *p; ++p) out->push_back(static_cast<wchar_t>(*p));
  out->append(L"=\"");
  AppendEscaped(value, true, out);
  out->push_back(L'"');
}

class DocumentFormatter {
 public:
  DocumentFormatter(const wchar_t* indent, const wchar_t* lineBreak, std::wstring* out)
      : indent_(indent ? indent : L""), lineBreak_(lineBreak ? lineBreak : L""), out_(out) {}

  void Write(Node* root) {
    if (!Open(root)) return;
    std::vector<Node*> cursors{root->first_child()};
    std::vector<Node*> open{root};
    while (!open.empty()) {
      Node* next = cursors.back();
      if (next) {
        cursors.back() = next->next_sibling();
        NewLine(open.size());
        if (Open(next)) {
          open.push_back(next);
          cursors.push_back(next->first_child());
        }
      } else {
        NewLine(open.size() - 1);
        Close(open.back());
        open.pop_back();
        cursors.pop_back();
      }
    }
  }

 private:
  void NewLine(size_t depth) {
    out_->append(lineBreak_);
    if (*indent_) {
      for (size_t i = 0; i < depth; ++i) out_->append(indent_);
    }
  }

  void Tag(Node* node) {
    const TextRef& name = node->name();
    if (name && IsXmlName(name.get()->data().data(), name.get()->data().size())) {
      out_->append(name.get()->data());
    } else {
      out_->append(kEscapedElement);
    }
  }

  void Close(Node* node) {
    out_->append(L"</");
    Tag(node);
    out_->push_back(L'>');
  }

  // Writes the start tag; a node without children is written whole. Answers
  // whether children follow.
  bool Open(Node* node) {
    std::wstring text;
    const wchar_t* mark = nullptr;
    const Value& v = node->value();
    switch (v.type()) {
      case kTypeEmpty:
        break;
      case kTypeString: {
        const std::wstring& s = v.text().get()->data();
        if (s.empty()) {
          mark = TypeName(kTypeString);
        } else if (IsXmlText(s.data(), s.size())) {
          text = s;
        } else {
          mark = kEscapedType;
          text = EscapeText(s.data(), s.size());
        }
        break;
      }
      case kTypeBlob: {
        const std::vector<unsigned char>& b = v.bytes().get()->data();
        mark = TypeName(kTypeBlob);
        Base64Encode(b.data(), b.size(), &text);
        break;
      }
      case kTypePointer: {
        void* p = nullptr;
        v.ToPointer(&p);
        mark = TypeName(kTypePointer);
        text = FormatPointer(p);
        break;
      }
      case kTypeUnknown:
      case kTypeDispatch:
        mark = TypeName(v.type());  // the reference itself cannot be written
        break;
      default: {
        TextRef t;
        v.ToText(&t);
        mark = TypeName(v.type());
        if (t) text = t.get()->data();
      }
    }

    out_->push_back(L'<');
    Tag(node);
    const TextRef& name = node->name();
    if (!name || !IsXmlName(name.get()->data().data(), name.get()->data().size())) {
      AppendAttribute(kAttrName,
                      name ? EscapeText(name.get()->data().data(), name.get()->data().size()) : std::wstring(), out_);
    }
    if (mark) AppendAttribute(kAttrType, mark, out_);
    // Text that is only whitespace is dropped by the parser as layout, and
    // beside children it would mix with the layout: an attribute keeps it.
    if (node->first_child() || IsBlank(text)) {
      if (!text.empty()) AppendAttribute(kAttrValue, text, out_);
      if (node->first_child()) {
        out_->push_back(L'>');
        return true;
      }
      text.clear();
    }
    if (text.empty()) {
      out_->append(L"/>");
    } else {
      out_->push_back(L'>');
      AppendEscaped(text, false, out_);
      Close(node);
    }
    return false;
  }

  const wchar_t* indent_;
  const wchar_t* lineBreak_;
  std::wstring* out_;
};

// Canonical encoding name, or null when the writer cannot produce it.
const wchar_t* EncodingName(const wchar_t* encoding) {
  if (!encoding || !*encoding || !_wcsicmp(encoding, L"utf-8") || !_wcsicmp(encoding, L"utf8")) return L"utf-8";
  if (!_wcsicmp(encoding, L"utf-16") || !_wcsicmp(encoding, L"utf16")) return L"utf-16";
  return nullptr;
}

bool WriteAll(HANDLE file, const void* data, size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
    DWORD done = 0;
    if (!::WriteFile(file, p, chunk, &done, nullptr) || done == 0) return false;
    p += done;
    size -= done;
  }
  return true;
}

// WriteString's own destination: a string of exactly the text's size.
struct StringTarget final : TextTarget {
  wchar_t* XPARAM_CALL Reserve(int length) override {
    try {
      text.resize(static_cast<size_t>(length));
      return &text[0];
    } catch (...) {
      return nullptr;
    }
  }
  std::wstring text;
};

LONG g_temp_counter = 0;

// Writes the bytes to a new file beside `path`, then moves it over `path`.
bool ReplaceFile(const wchar_t* path, const std::string& bytes) {
  std::wstring temp;
  HANDLE file = INVALID_HANDLE_VALUE;
  // A name left over by a process that died (process ids repeat) is skipped.
  for (int attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
    wchar_t suffix[64];
    swprintf(suffix, 64, L".%lu.%ld.xptmp", GetCurrentProcessId(), InterlockedIncrement(&g_temp_counter));
    temp = std::wstring(path) + suffix;
    file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) return false;
  }
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = WriteAll(file, bytes.data(), bytes.size()) && FlushFileBuffers(file);
  ok = CloseHandle(file) && ok;
  ok = ok && MoveFileExW(temp.c_str(), path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!ok) DeleteFileW(temp.c_str());
  return ok;
}

}  // namespace

bool FormatDocument(XParamNode* node, const wchar_t* indent, const wchar_t* lineBreak, const wchar_t* encoding,
                    std::wstring* out) {
  Node* n = Node::FromInterface(node);
  if (!n || !IsLayout(indent) || !IsLayout(lineBreak)) return false;
  Node* root = n;
  if (!n->name()) {
    // A document node: its one child is the root element.
    if (n->value().type() != kTypeEmpty || n->child_count() != 1) return false;
    root = n->first_child();
  }
  out->assign(L"<?xml version=\"1.0\" encoding=\"");
  out->append(encoding);
  out->append(L"\"?>");
  if (lineBreak) out->append(lineBreak);
  DocumentFormatter(indent, lineBreak, out).Write(root);
  if (lineBreak) out->append(lineBreak);
  return true;
}

const wchar_t* XPARAM_CALL Writer::WriteString(XParamNode* node, int* length, const wchar_t* indent,
                                               const wchar_t* lineBreak, Holder* holder) {
  try {
    // The text must outlive this call: without a holder there is nowhere to keep it.
    if (!holder) return nullptr;
    StringTarget target;
    if (!WriteStringTo(node, indent, lineBreak, &target)) return nullptr;
    TextRef t = MakeText(std::move(target.text));
    holder->Reset(t.NewRef());
    if (length) *length = static_cast<int>(t.get()->data().size());
    return t.get()->data().c_str();
  } catch (...) {
    return nullptr;
  }
}

bool XPARAM_CALL Writer::WriteFile(XParamNode* node, const wchar_t* path, const wchar_t* indent,
                                   const wchar_t* lineBreak, const wchar_t* encoding) {
  try {
    const wchar_t* name = EncodingName(encoding);
    if (!path || !*path || !name) return false;
    ScratchText scratch;
    const std::wstring& text = *scratch.get();
    if (!FormatDocument(node, indent, lineBreak, name, scratch.get())) return false;
    std::string bytes;
    if (name[4] == L'8') {
      if (!Utf16ToUtf8(text.data(), text.size(), &bytes)) return false;
    } else {
      bytes.reserve(2 + text.size() * 2);
      bytes.append("\xFF\xFE");
      for (wchar_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>((c >> 8) & 0xFF));
      }
    }
    return ReplaceFile(path, bytes);
  } catch (...) {
    return false;
  }
}

void XPARAM_CALL Writer::Destroy() { delete this; }

bool XPARAM_CALL Writer::WriteStringTo(XParamNode* node, const wchar_t* indent, const wchar_t* lineBreak,
                                       TextTarget* target) {
  try {
    if (!target) return false;
    ScratchText scratch;
    const std::wstring& text = *scratch.get();
    if (!FormatDocument(node, indent, lineBreak, L"utf-16", scratch.get()) ||
        text.size() > static_cast<size_t>(INT_MAX))
      return false;
    wchar_t* room = target->Reserve(static_cast<int>(text.size()));
    if (!room) return false;
    std::copy(text.begin(), text.end(), room);
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace xparam
