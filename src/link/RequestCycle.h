// One request to the host over the block: wait until it is free, claim it
// and write the request under one hold of the mutex, wait for the reply,
// read it and set the block free under another.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "PluginsSharedMem/BlockFields.h"

namespace karvo {

struct FieldWrite {
  enum class Kind { SQL, Data, DataPointer };
  Kind kind;
  std::u16string text;
  std::uint32_t value = 0;
};

inline FieldWrite SqlField(std::u16string text) { return {FieldWrite::Kind::SQL, std::move(text), 0}; }
inline FieldWrite DataField(std::u16string text) { return {FieldWrite::Kind::Data, std::move(text), 0}; }
inline FieldWrite PointerField(std::uint32_t value) { return {FieldWrite::Kind::DataPointer, {}, value}; }

struct Request {
  std::u16string Command;
  std::vector<FieldWrite> Fields;  // written in this order after Command
};

struct Reply {
  std::u16string Command;
  std::u16string Data;
  std::uint32_t DataPointer = 0;
};

enum class CycleStatus {
  Replied,    // a reply was read and the block set free
  NoService,  // code 2: nothing was written
  BlockBusy,  // code 255: the block never became free
  NoReply,    // code 254: the request stays in the block
  Refused,    // a text did not fit its field: nothing was sent
};

struct Cycle {
  CycleStatus Status = CycleStatus::NoService;
  Reply Reply;
  bool Replied() const { return Status == CycleStatus::Replied; }
};

// Runs the whole cycle. LastAPIError is cleared first; every outcome but
// Replied leaves its message there (the code's, or the field's for Refused,
// after the field's message box). A Replied outcome leaves it empty for the
// caller to settle by the reply code or the reply verdict.
Cycle RunRequest(const Request& request);

// The result code a non-replied outcome stands for.
int CycleCode(CycleStatus status);

// True when the block state reads `wanted` before the wait gives up.
bool WaitForSharedMemState(TSharedMemState wanted);

// Reply code: the low 8 bits of the first unit of Command; an empty Command
// gives the request's fallback.
std::uint8_t ReplyCode(const Reply& reply, std::uint8_t emptyFallback);
// Reply verdict: success when Command begins with U+0001.
bool IsVerdictSuccess(const Reply& reply);

// The wait's length in sleeps of one millisecond: 60000 in the product.
int WaitLimit();
void SetWaitLimitForTests(int sleeps);
// The yielding first stretch of each wait, in microseconds (about one
// millisecond in the product). A test whose peer acts only when the library
// touches the mutex or sleeps shortens it, or every wait would spin on a
// block that cannot change.
void SetSpinForTests(std::int64_t micros);

}  // namespace karvo
