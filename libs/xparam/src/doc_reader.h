// DocReader: bytes or text to a document node (an unnamed node whose only
// child is the root element). The XML form is described in xparam.h.
#ifndef XPARAM_SRC_DOC_READER_H
#define XPARAM_SRC_DOC_READER_H

#include <string>

#include "xparam/xparam.h"

namespace xparam {

class Node;

class Reader final : public DocReader {
 public:
  Reader() = default;
  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;

  bool XPARAM_CALL ParseString(const wchar_t* text, int length) override;
  bool XPARAM_CALL ParseMemory(const void* data, unsigned int size) override;
  bool XPARAM_CALL LoadFile(const wchar_t* path) override;
  bool XPARAM_CALL GetDocument(XParamNode** out) override;
  void XPARAM_CALL Destroy() override;

 private:
  ~Reader() = default;
  bool ParseBytes(const unsigned char* data, size_t size);
  // Takes UTF-8 text; on success the document is replaced.
  bool ParseUtf8(std::string text);

  NodePtr document_;
};

}  // namespace xparam

#endif  // XPARAM_SRC_DOC_READER_H
