#include "hostobjects/MethodPairs.h"

namespace karvo {

MethodPairStore::MethodPairStore(std::size_t capacity) : capacity_(capacity > 0 ? capacity : 1) {}

void MethodPairStore::Unlink(std::uint32_t s) {
  Slot& slot = slots_[s];
  if (slot.newer != kNone) slots_[slot.newer].older = slot.older;
  if (slot.older != kNone) slots_[slot.older].newer = slot.newer;
  if (newest_ == s) newest_ = slot.older;
  if (oldest_ == s) oldest_ = slot.newer;
  slot.newer = slot.older = kNone;
}

void MethodPairStore::MakeNewest(std::uint32_t s) {
  Slot& slot = slots_[s];
  slot.older = newest_;
  slot.newer = kNone;
  if (newest_ != kNone) slots_[newest_].newer = s;
  newest_ = s;
  if (oldest_ == kNone) oldest_ = s;
}

const std::uint32_t* MethodPairStore::Keep(std::uint32_t code, std::uint32_t data) {
  const std::uint64_t key = (std::uint64_t{code} << 32) | data;
  std::lock_guard<std::mutex> lock(mutex_);
  if (!words_) {
    words_ = std::make_unique<std::uint32_t[]>(capacity_ * 2);
    slots_.reserve(capacity_);
    byPair_.reserve(capacity_);
  }
  std::uint32_t s;
  if (auto found = byPair_.find(key); found != byPair_.end()) {
    s = found->second;
    Unlink(s);
  } else if (slots_.size() < capacity_) {
    s = static_cast<std::uint32_t>(slots_.size());
    slots_.emplace_back();
    slots_[s].key = key;
    byPair_.emplace(key, s);
  } else {
    // Full: the copy that has gone longest without a read takes the pair.
    s = oldest_;
    Unlink(s);
    byPair_.erase(slots_[s].key);
    slots_[s].key = key;
    byPair_.emplace(key, s);
  }
  MakeNewest(s);
  std::uint32_t* copy = &words_[std::size_t{s} * 2];
  copy[0] = code;
  copy[1] = data;
  return copy;
}

std::size_t MethodPairStore::Size() {
  std::lock_guard<std::mutex> lock(mutex_);
  return slots_.size();
}

void MethodPairStore::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  byPair_ = {};
  slots_ = {};
  words_.reset();
  newest_ = oldest_ = kNone;
}

MethodPairStore& MethodPairs() {
  // Made at the first read, gone with the library.
  static MethodPairStore store;
  return store;
}

}  // namespace karvo
