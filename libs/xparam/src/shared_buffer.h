// Immutable, reference-counted text and byte buffers. Node names, string
// values and blobs live in them, so a Clone shares them instead of copying and
// a Holder can keep returned data alive after the node changes or dies.
#ifndef XPARAM_SRC_SHARED_BUFFER_H
#define XPARAM_SRC_SHARED_BUFFER_H

#include <windows.h>

#include <string>
#include <vector>

#include "xparam/xparam.h"

namespace xparam {

template <typename Data>
class SharedBuffer final : public HolderData {
 public:
  // Starts with one reference for the creator.
  explicit SharedBuffer(Data data) : data_(std::move(data)) {}
  SharedBuffer(const SharedBuffer&) = delete;
  SharedBuffer& operator=(const SharedBuffer&) = delete;

  void AddRef() { InterlockedIncrement(&refs_); }
  void XPARAM_CALL Release() override {
    if (InterlockedDecrement(&refs_) == 0) delete this;
  }
  const Data& data() const { return data_; }

 private:
  ~SharedBuffer() = default;
  LONG refs_ = 1;
  const Data data_;
};

using SharedText = SharedBuffer<std::wstring>;
using SharedBytes = SharedBuffer<std::vector<unsigned char>>;

// A counted reference to a shared buffer (or none).
template <typename Buffer>
class BufferRef {
 public:
  BufferRef() = default;
  // Takes over a reference the caller owns.
  explicit BufferRef(Buffer* b) : b_(b) {}
  BufferRef(const BufferRef& o) : b_(o.b_) {
    if (b_) b_->AddRef();
  }
  BufferRef(BufferRef&& o) noexcept : b_(o.b_) { o.b_ = nullptr; }
  ~BufferRef() {
    if (b_) b_->Release();
  }
  BufferRef& operator=(BufferRef o) noexcept {
    Buffer* t = b_;
    b_ = o.b_;
    o.b_ = t;
    return *this;
  }
  Buffer* get() const { return b_; }
  explicit operator bool() const { return b_ != nullptr; }
  // A new reference for a Holder.
  Buffer* NewRef() const {
    if (b_) b_->AddRef();
    return b_;
  }

 private:
  Buffer* b_ = nullptr;
};

using TextRef = BufferRef<SharedText>;
using BytesRef = BufferRef<SharedBytes>;

TextRef MakeText(std::wstring text);
BytesRef MakeBytes(std::vector<unsigned char> bytes);

}  // namespace xparam

#endif  // XPARAM_SRC_SHARED_BUFFER_H
