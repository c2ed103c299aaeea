#include "scratch_text.h"

#include <windows.h>

#include <vector>

namespace xparam {
namespace {

// The spare buffers. Formatting runs outside the lock; only taking and
// giving back a buffer is under it.
class SparePool {
 public:
  // Room for every spare up front: giving a buffer back never allocates.
  SparePool() {
    spares_.reserve(ScratchText::kKeptBuffers);
    InitializeCriticalSection(&lock_);
  }
  ~SparePool() { DeleteCriticalSection(&lock_); }
  SparePool(const SparePool&) = delete;
  SparePool& operator=(const SparePool&) = delete;

  std::unique_ptr<std::wstring> Take() {
    std::unique_ptr<std::wstring> text;
    EnterCriticalSection(&lock_);
    if (!spares_.empty()) {
      text = std::move(spares_.back());
      spares_.pop_back();
    }
    LeaveCriticalSection(&lock_);
    return text;
  }

  void Give(std::unique_ptr<std::wstring> text) {
    if (!text || text->capacity() > ScratchText::kKeptCapacity) return;
    text->clear();
    EnterCriticalSection(&lock_);
    if (spares_.size() < ScratchText::kKeptBuffers) spares_.push_back(std::move(text));
    LeaveCriticalSection(&lock_);
  }

 private:
  CRITICAL_SECTION lock_;
  std::vector<std::unique_ptr<std::wstring>> spares_;
};

SparePool& Pool() {
  static SparePool pool;
  return pool;
}

}  // namespace

ScratchText::ScratchText() : text_(Pool().Take()) {
  if (!text_) text_.reset(new std::wstring);
}

ScratchText::~ScratchText() { Pool().Give(std::move(text_)); }

}  // namespace xparam
