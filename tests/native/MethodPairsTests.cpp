// The bounded store of METHOD pairs: how long a number holds its pair, that
// a pair read again keeps its number, and that the store never grows past
// its capacity, also with several threads reading at once.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <thread>
#include <vector>

#include "hostobjects/MethodPairs.h"

namespace karvo::test {
namespace {

bool Holds(const std::uint32_t* copy, std::uint32_t code, std::uint32_t data) {
  return copy[0] == code && copy[1] == data;
}

TEST(MethodPairs, ANumberHoldsItsPairUntilCapacityOthersHaveBeenRead) {
  MethodPairStore store(4);
  const std::uint32_t* a = store.Keep(0xA, 1);
  for (std::uint32_t i = 0; i < 3; ++i) store.Keep(0x100 + i, 2);
  EXPECT_TRUE(Holds(a, 0xA, 1)) << "three others read: still the pair";
  EXPECT_EQ(store.Keep(0xA, 1), a) << "read again: the same number";
  for (std::uint32_t i = 0; i < 3; ++i) store.Keep(0x200 + i, 3);
  EXPECT_TRUE(Holds(a, 0xA, 1)) << "the count starts again at the last read";
  const std::uint32_t* d = store.Keep(0x300, 4);
  EXPECT_EQ(d, a) << "the fourth other pair takes the copy that went longest unread";
  EXPECT_TRUE(Holds(a, 0x300, 4));
  EXPECT_NE(store.Keep(0xA, 1), a) << "a pair whose copy went comes back under a new number";
  EXPECT_EQ(store.Size(), 4u);
}

TEST(MethodPairs, ACopyIsWrittenAfreshOnEveryRead) {
  MethodPairStore store(8);
  auto copy = const_cast<std::uint32_t*>(store.Keep(7, 8));
  copy[0] = 0;
  copy[1] = 0;
  EXPECT_EQ(store.Keep(7, 8), copy);
  EXPECT_TRUE(Holds(copy, 7, 8));
}

TEST(MethodPairs, PairsDifferingInOneWordAreTwoPairs) {
  MethodPairStore store(8);
  const std::uint32_t* a = store.Keep(1, 2);
  const std::uint32_t* b = store.Keep(2, 1);
  const std::uint32_t* c = store.Keep(1, 3);
  EXPECT_NE(a, b);
  EXPECT_NE(a, c);
  EXPECT_TRUE(Holds(a, 1, 2) && Holds(b, 2, 1) && Holds(c, 1, 3));
}

TEST(MethodPairs, NumbersStayInsideOneBlockHoweverManyPairsCome) {
  MethodPairStore store(64);
  std::set<const std::uint32_t*> seen;
  for (std::uint32_t i = 0; i < 10000; ++i) seen.insert(store.Keep(i, ~i));
  EXPECT_EQ(seen.size(), 64u) << "every number is one of the store's own copies";
  EXPECT_EQ(store.Size(), 64u);
  // The last 64 pairs are the ones held, each in its own copy.
  std::set<const std::uint32_t*> last;
  for (std::uint32_t i = 10000 - 64; i < 10000; ++i) {
    const std::uint32_t* copy = store.Keep(i, ~i);
    EXPECT_TRUE(Holds(copy, i, ~i));
    last.insert(copy);
  }
  EXPECT_EQ(last.size(), 64u);
}

TEST(MethodPairs, ThreadsReadingAtOnceLeaveOneConsistentStore) {
  MethodPairStore store(256);
  std::vector<std::thread> threads;
  for (std::uint32_t t = 0; t < 8; ++t)
    threads.emplace_back([&store, t] {
      for (std::uint32_t i = 0; i < 20000; ++i) store.Keep(t, i % 600);
    });
  for (auto& th : threads) th.join();
  EXPECT_EQ(store.Size(), 256u);
  // Each pair that is still held has exactly one copy, holding it.
  std::set<const std::uint32_t*> copies;
  for (std::uint32_t t = 0; t < 8; ++t)
    for (std::uint32_t i = 600 - 32; i < 600; ++i) {
      const std::uint32_t* copy = store.Keep(t, i);
      ASSERT_TRUE(Holds(copy, t, i));
      copies.insert(copy);
    }
  EXPECT_EQ(copies.size(), 256u) << "256 pairs read last, 256 distinct copies";
}

TEST(MethodPairs, ClearLetsTheStoreStartAgain) {
  MethodPairStore store(4);
  store.Keep(1, 1);
  store.Clear();
  EXPECT_EQ(store.Size(), 0u);
  EXPECT_TRUE(Holds(store.Keep(2, 2), 2, 2));
  EXPECT_EQ(store.Size(), 1u);
}

}  // namespace
}  // namespace karvo::test
