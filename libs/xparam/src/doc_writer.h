// DocWriter: a node to XML text or to a file (replaced atomically).
#ifndef XPARAM_SRC_DOC_WRITER_H
#define XPARAM_SRC_DOC_WRITER_H

#include <string>

#include "xparam/xparam.h"

namespace xparam {

class Writer final : public DocWriter {
 public:
  Writer() = default;
  Writer(const Writer&) = delete;
  Writer& operator=(const Writer&) = delete;

  const wchar_t* XPARAM_CALL WriteString(XParamNode* node, int* length, const wchar_t* indent,
                                         const wchar_t* lineBreak, Holder* holder) override;
  bool XPARAM_CALL WriteFile(XParamNode* node, const wchar_t* path, const wchar_t* indent,
                             const wchar_t* lineBreak, const wchar_t* encoding) override;
  void XPARAM_CALL Destroy() override;
  bool XPARAM_CALL WriteStringTo(XParamNode* node, const wchar_t* indent, const wchar_t* lineBreak,
                                 TextTarget* target) override;

 private:
  ~Writer() = default;
};

// The whole document as UTF-16 text, its declaration naming `encoding`.
// False when the node cannot be written as a document or the layout strings
// are not XML whitespace.
bool FormatDocument(XParamNode* node, const wchar_t* indent, const wchar_t* lineBreak, const wchar_t* encoding,
                    std::wstring* out);

}  // namespace xparam

#endif  // XPARAM_SRC_DOC_WRITER_H
