#include "PluginsSharedMem/BlockFields.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace karvo {

namespace {

static_assert(offsetof(TPluginsSharedMemData, CommandLength) == 1, "layout");
static_assert(offsetof(TPluginsSharedMemData, Command) == 2, "layout");
static_assert(offsetof(TPluginsSharedMemData, SQL) == 66, "layout");
static_assert(offsetof(TPluginsSharedMemData, Data) == 32830, "layout");
static_assert(offsetof(TPluginsSharedMemData, Reserved) == 65594, "layout");
static_assert(offsetof(TPluginsSharedMemData, DataPointer) == 65596, "layout");

// The other process may be writing while we read without the mutex, so
// every field is copied out once and only the copy is examined.
unsigned short* FieldOf(TPluginsSharedMemData& b, TextField f) { return f == TextField::SQL ? b.SQL : b.Data; }
const unsigned short* FieldOf(const TPluginsSharedMemData& b, TextField f) {
  return f == TextField::SQL ? b.SQL : b.Data;
}

}  // namespace

std::uint8_t ReadStateByte(const TPluginsSharedMemData& b) {
  return *reinterpret_cast<const volatile std::uint8_t*>(&b.State);
}

void WriteStateByte(TPluginsSharedMemData& b, std::uint8_t state) {
  *reinterpret_cast<volatile std::uint8_t*>(&b.State) = state;
}

std::string ReadCommandBytes(const TPluginsSharedMemData& b) {
  std::size_t n = std::min<std::size_t>(b.CommandLength, KARVO_COMMAND_MAX);
  return std::string(b.Command, n);
}

void WriteCommandBytes(TPluginsSharedMemData& b, const std::string& bytes) {
  std::size_t n = std::min<std::size_t>(bytes.size(), KARVO_COMMAND_MAX);
  std::memcpy(b.Command, bytes.data(), n);
  b.CommandLength = static_cast<unsigned char>(n);
}

std::u16string ReadTextField(const TPluginsSharedMemData& b, TextField f) {
  std::u16string out(KARVO_TEXT_UNITS, u'\0');
  std::memcpy(&out[0], FieldOf(b, f), KARVO_TEXT_UNITS * 2);
  std::size_t end = out.find(u'\0');
  if (end != std::u16string::npos) out.resize(end);
  return out;
}

bool WriteTextField(TPluginsSharedMemData& b, TextField f, const std::u16string& text) {
  unsigned short* field = FieldOf(b, f);
  std::memset(field, 0, KARVO_TEXT_UNITS * 2);
  if (!TextFits(text)) return false;
  std::size_t n = text.find(u'\0');
  if (n == std::u16string::npos) n = text.size();
  std::memcpy(field, text.data(), n * 2);
  return true;
}

std::uint32_t ReadDataPointer(const TPluginsSharedMemData& b) {
  std::uint32_t v;
  std::memcpy(&v, &b.DataPointer, 4);
  return v;
}

void WriteDataPointer(TPluginsSharedMemData& b, std::uint32_t value) { std::memcpy(&b.DataPointer, &value, 4); }

std::uint16_t ReadRequestTag(const TPluginsSharedMemData& b) {
  std::uint16_t v;
  std::memcpy(&v, &b.Reserved, 2);
  return v;
}

void WriteRequestTag(TPluginsSharedMemData& b, std::uint16_t tag) { std::memcpy(&b.Reserved, &tag, 2); }

}  // namespace karvo
