// Reading and writing the fields of a block image. No locking here and no
// platform: every length read from the image is clamped to its field, so any
// 65600 bytes can be read safely.
#pragma once

#include <cstdint>
#include <string>

#include "karvo_host.h"

namespace karvo {

static_assert(sizeof(TPluginsSharedMemData) == KARVO_BLOCK_SIZE, "block layout");

enum TSharedMemState : std::uint8_t {
  smsFree = KARVO_smsFree,
  smsNoAllocated = KARVO_smsNoAllocated,
  smsToProcess = KARVO_smsToProcess,
  smsProcessing = KARVO_smsProcessing,
  smsWaitForRead = KARVO_smsWaitForRead,
};

std::uint8_t ReadStateByte(const TPluginsSharedMemData& b);
void WriteStateByte(TPluginsSharedMemData& b, std::uint8_t state);

// The Command bytes, their count clamped to 64.
std::string ReadCommandBytes(const TPluginsSharedMemData& b);
// Stores at most 64 bytes and their count; later bytes are left as they were.
void WriteCommandBytes(TPluginsSharedMemData& b, const std::string& bytes);

enum class TextField { SQL, Data };
// The UTF-16 text up to the first NUL, at most 16382 units.
std::u16string ReadTextField(const TPluginsSharedMemData& b, TextField f);
// Zero-fills the field, then stores the text up to a NUL it may hold.
// A text over 16382 units is not stored (the field stays all zero); returns
// whether it fitted.
bool WriteTextField(TPluginsSharedMemData& b, TextField f, const std::u16string& text);
constexpr bool TextFits(const std::u16string& text) { return text.size() <= KARVO_TEXT_UNITS; }

std::uint32_t ReadDataPointer(const TPluginsSharedMemData& b);
void WriteDataPointer(TPluginsSharedMemData& b, std::uint32_t value);

// The request tag in the reserved word. Our client stamps each request with
// the tag after the one the word holds, under the hold that claims the
// block, so the last 65535 requests all carry different tags; our host moves
// it on when it frees a reply that nobody read. A peer that knows nothing of
// it leaves it alone, and 0 (a peer that clears it) tells nothing.
std::uint16_t ReadRequestTag(const TPluginsSharedMemData& b);
void WriteRequestTag(TPluginsSharedMemData& b, std::uint16_t tag);
constexpr std::uint16_t NextRequestTag(std::uint16_t tag) {
  return static_cast<std::uint16_t>(tag == 0xFFFF ? 1 : tag + 1);
}
// Whether a reply in the block answers the request stamped `tag`.
constexpr bool ReplyIsFor(std::uint16_t replyTag, std::uint16_t tag) { return replyTag == tag || replyTag == 0; }

}  // namespace karvo
