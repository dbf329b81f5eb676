// The block is written by another process, so its 65600 bytes can hold
// anything. The input fills a block image (repeated to its full size when
// shorter) that lies in an allocation of exactly the block's size, so a read
// or write past any field is caught; every accessor of BlockFields.h is run
// on it and must keep inside its field and give what the field holds.
// Regions are compared by hash: libFuzzer hooks every memcmp and every
// compare of instrumented code, which over 64 KB a run would cost far more
// than the accessors themselves.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "PluginsSharedMem/BlockFields.h"

namespace {

[[noreturn]] void Fail() { std::abort(); }

constexpr std::size_t kSql = offsetof(TPluginsSharedMemData, SQL);
constexpr std::size_t kData = offsetof(TPluginsSharedMemData, Data);
constexpr std::size_t kPointer = offsetof(TPluginsSharedMemData, DataPointer);
constexpr std::size_t kFieldBytes = KARVO_TEXT_UNITS * 2;

// The harness's own loops need no coverage: it would hook every compare.
// Eight bytes a step, the tail byte by byte.
__attribute__((no_sanitize("coverage"))) std::uint64_t Hash(const void* p, std::size_t n,
                                                            std::uint64_t h = 1469598103934665603ull) {
  auto b = static_cast<const unsigned char*>(p);
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    std::uint64_t w;
    std::memcpy(&w, b + i, 8);
    h = (h ^ w) * 1099511628211ull;
  }
  for (; i < n; ++i) h = (h ^ b[i]) * 1099511628211ull;
  return h;
}

// The image without [from, to): what a write to that field must not touch.
std::uint64_t Outside(const unsigned char* image, std::size_t from, std::size_t to) {
  return Hash(image + to, KARVO_BLOCK_SIZE - to, Hash(image, from));
}

// Code units up to the first NUL unit, at most max.
__attribute__((no_sanitize("coverage"))) std::size_t UnitsBeforeNul(const unsigned char* p, std::size_t max) {
  std::size_t n = 0;
  while (n < max && (p[2 * n] | p[2 * n + 1]) != 0) ++n;
  return n;
}

bool Same(const std::u16string& a, const std::u16string& b) {
  return a.size() == b.size() && Hash(a.data(), a.size() * 2) == Hash(b.data(), b.size() * 2);
}

// Fills n bytes with the input repeated.
void Tile(unsigned char* out, std::size_t n, const std::uint8_t* data, std::size_t size) {
  if (size == 0) return std::memset(out, 0, n), void();
  std::size_t done = size < n ? size : n;
  std::memcpy(out, data, done);
  while (done < n) {
    std::size_t k = done < n - done ? done : n - done;
    std::memcpy(out + done, out, k);
    done += k;
  }
}

void TextField(TPluginsSharedMemData& block, karvo::TextField f, std::size_t offset, const std::uint8_t* data,
               std::size_t size) {
  auto bytes = reinterpret_cast<unsigned char*>(&block);
  std::u16string text = karvo::ReadTextField(block, f);
  // Up to the first NUL unit, or the whole field when it has none.
  const std::size_t units = UnitsBeforeNul(bytes + offset, KARVO_TEXT_UNITS);
  if (text.size() != units || Hash(text.data(), units * 2) != Hash(bytes + offset, units * 2)) Fail();

  // Writing back what was read keeps the text and zero-fills the rest.
  std::uint64_t outside = Outside(bytes, offset, offset + kFieldBytes);
  if (!karvo::WriteTextField(block, f, text)) Fail();
  if (Outside(bytes, offset, offset + kFieldBytes) != outside) Fail();
  if (!Same(karvo::ReadTextField(block, f), text)) Fail();

  // A text made of the input, of any length up to one unit past the field.
  std::size_t length = size == 0 ? 0 : (data[0] * 131u + size * 7u) % (KARVO_TEXT_UNITS + 2);
  std::u16string other(length, u'x');
  Tile(reinterpret_cast<unsigned char*>(other.data()), length * 2, data, size);
  bool fitted = karvo::WriteTextField(block, f, other);
  if (fitted != karvo::TextFits(other)) Fail();
  if (Outside(bytes, offset, offset + kFieldBytes) != outside) Fail();
  const std::size_t kept = fitted ? UnitsBeforeNul(reinterpret_cast<const unsigned char*>(other.data()), length) : 0;
  const std::u16string stored = karvo::ReadTextField(block, f);
  if (stored.size() != kept || Hash(stored.data(), kept * 2) != Hash(other.data(), kept * 2)) Fail();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Exactly the block's size: no slack for an overrun to hide in.
  std::unique_ptr<unsigned char[]> image(new unsigned char[KARVO_BLOCK_SIZE]);
  unsigned char* bytes = image.get();
  Tile(bytes, KARVO_BLOCK_SIZE, data, size);
  auto& block = *reinterpret_cast<TPluginsSharedMemData*>(bytes);

  // State: any byte, read as it is, written and read back.
  const std::uint8_t state = karvo::ReadStateByte(block);
  if (state != bytes[0]) Fail();
  std::uint64_t outside = Outside(bytes, 0, 1);
  karvo::WriteStateByte(block, static_cast<std::uint8_t>(state ^ 0xFF));
  if (karvo::ReadStateByte(block) != static_cast<std::uint8_t>(state ^ 0xFF) || Outside(bytes, 0, 1) != outside) Fail();
  karvo::WriteStateByte(block, state);

  // Command: a length byte above 64 reads as 64 bytes.
  std::string command = karvo::ReadCommandBytes(block);
  std::size_t length = bytes[1] > KARVO_COMMAND_MAX ? KARVO_COMMAND_MAX : bytes[1];
  if (command.size() != length || Hash(command.data(), length) != Hash(bytes + 2, length)) Fail();
  outside = Outside(bytes, 1, 2 + KARVO_COMMAND_MAX);
  std::string longer = command + std::string(reinterpret_cast<const char*>(data), size < 100 ? size : 100);
  karvo::WriteCommandBytes(block, longer);
  if (Outside(bytes, 1, 2 + KARVO_COMMAND_MAX) != outside) Fail();
  if (karvo::ReadCommandBytes(block) != longer.substr(0, KARVO_COMMAND_MAX)) Fail();

  TextField(block, karvo::TextField::SQL, kSql, data, size);
  TextField(block, karvo::TextField::Data, kData, data, size);

  // DataPointer: the four bytes as they are, in either direction.
  std::uint32_t pointer = karvo::ReadDataPointer(block);
  std::uint32_t raw;
  std::memcpy(&raw, bytes + kPointer, 4);
  if (pointer != raw) Fail();
  outside = Outside(bytes, kPointer, KARVO_BLOCK_SIZE);
  karvo::WriteDataPointer(block, ~pointer);
  if (Outside(bytes, kPointer, KARVO_BLOCK_SIZE) != outside || karvo::ReadDataPointer(block) != ~pointer) Fail();
  return 0;
}
