// ScratchText: a text buffer lent out for formatting one document.
//
// Fresh memory is expensive to touch the first time (a page fault per page,
// and heaps hand freed pages back to the system), so a document formatted
// into a new string that grows by doubling pays for about twice its size in
// page faults. Writers format into a buffer kept from an earlier write
// instead and copy the finished text once into its destination.
//
// The module keeps at most kKeptBuffers spare buffers, each only while its
// capacity is at most kKeptCapacity characters: a process that writes one
// huge document does not keep its memory for ever.
#ifndef XPARAM_SRC_SCRATCH_TEXT_H
#define XPARAM_SRC_SCRATCH_TEXT_H

#include <cstddef>
#include <memory>
#include <string>

namespace xparam {

class ScratchText {
 public:
  static constexpr std::size_t kKeptBuffers = 2;
  static constexpr std::size_t kKeptCapacity = std::size_t(4) << 20;  // 8 MB of UTF-16

  // Takes a spare buffer (emptied, its capacity kept) or starts a new one.
  ScratchText();
  // Gives the buffer back unless the spares are full or it grew too large.
  ~ScratchText();
  ScratchText(const ScratchText&) = delete;
  ScratchText& operator=(const ScratchText&) = delete;

  std::wstring* get() { return text_.get(); }

 private:
  std::unique_ptr<std::wstring> text_;
};

}  // namespace xparam

#endif  // XPARAM_SRC_SCRATCH_TEXT_H
