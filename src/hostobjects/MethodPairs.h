// The copies of the (code, data) pairs read from METHOD properties. The
// number a caller gets for a pair is the address of its copy, which
// SetProperty takes back as the address of a pair.
//
// The store holds a fixed number of copies in one block that stays put
// until the library is unloaded, so memory stays flat however many pairs a
// long-running host shows us. A pair read again keeps its copy (and so its
// number) and counts as freshly read; a new pair takes the copy that has
// gone longest without a read. Hence a number stays valid until `Capacity`
// other pairs have been read after it was last handed out; after that its
// address is still readable but may hold another pair. Needs no Windows API.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace karvo {

class MethodPairStore {
 public:
  static constexpr std::size_t kDefaultCapacity = 16384;

  explicit MethodPairStore(std::size_t capacity = kDefaultCapacity);
  MethodPairStore(const MethodPairStore&) = delete;
  MethodPairStore& operator=(const MethodPairStore&) = delete;

  // The copy of this pair, written afresh (a caller may have scribbled on
  // it). Safe from any thread.
  const std::uint32_t* Keep(std::uint32_t code, std::uint32_t data);

  std::size_t Capacity() const { return capacity_; }
  // How many copies hold a pair now.
  std::size_t Size();
  // Every copy goes, with the block (the library's unload).
  void Clear();

 private:
  static constexpr std::uint32_t kNone = 0xFFFFFFFFu;
  struct Slot {
    std::uint64_t key = 0;
    std::uint32_t newer = kNone;  // towards the most recently read
    std::uint32_t older = kNone;
  };
  void Unlink(std::uint32_t s);
  void MakeNewest(std::uint32_t s);

  std::mutex mutex_;
  const std::size_t capacity_;
  // Two words per copy, code first; allocated at the first read, never moved.
  std::unique_ptr<std::uint32_t[]> words_;
  std::vector<Slot> slots_;
  std::unordered_map<std::uint64_t, std::uint32_t> byPair_;
  std::uint32_t newest_ = kNone;
  std::uint32_t oldest_ = kNone;
};

// The process's store.
MethodPairStore& MethodPairs();

}  // namespace karvo
