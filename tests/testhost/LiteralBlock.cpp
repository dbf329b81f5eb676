#include "LiteralBlock.h"

#include <cstring>
#include <memory>

#include "PluginsSharedMem/BlockFields.h"
#include "platform/WindowsClock.h"
#include "platform/WindowsSupport.h"

namespace karvo::test {

LiteralBlock::LiteralBlock(const std::u16string& apiHandle) : mutexName_(apiHandle + u"MUTEX") {
  mapping_ = ::OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, AsWide(apiHandle));
  if (mapping_ == nullptr) return;
  view_ = static_cast<TPluginsSharedMemData*>(::MapViewOfFile(mapping_, FILE_MAP_ALL_ACCESS, 0, 0, KARVO_BLOCK_SIZE));
}

LiteralBlock::~LiteralBlock() {
  if (view_ != nullptr) ::UnmapViewOfFile(view_);
  if (mapping_ != nullptr) ::CloseHandle(mapping_);
}

template <class F>
bool LiteralBlock::Locked(F&& f) {
  if (view_ == nullptr) return false;
  HANDLE m = ::CreateMutexW(nullptr, FALSE, AsWide(mutexName_));
  if (m == nullptr) return false;
  DWORD r = ::WaitForSingleObject(m, 1000);
  bool owned = r == WAIT_OBJECT_0 || r == WAIT_ABANDONED;
  if (owned) {
    f(*view_);
    ::ReleaseMutex(m);
  }
  ::CloseHandle(m);
  return owned;
}

std::uint8_t LiteralBlock::State() {
  std::uint8_t s = smsNoAllocated;
  Locked([&](TPluginsSharedMemData& b) { s = ReadStateByte(b); });
  return s;
}

void LiteralBlock::SetState(std::uint8_t state) {
  Locked([&](TPluginsSharedMemData& b) { WriteStateByte(b, state); });
}

std::string LiteralBlock::Command() {
  std::string s;
  Locked([&](TPluginsSharedMemData& b) { s = ReadCommandBytes(b); });
  return s;
}

void LiteralBlock::SetCommand(const std::string& bytes) {
  Locked([&](TPluginsSharedMemData& b) { WriteCommandBytes(b, bytes); });
}

std::u16string LiteralBlock::SQL() {
  std::u16string s;
  Locked([&](TPluginsSharedMemData& b) { s = ReadTextField(b, TextField::SQL); });
  return s;
}

void LiteralBlock::SetSQL(const std::u16string& text) {
  Locked([&](TPluginsSharedMemData& b) { WriteTextField(b, TextField::SQL, text); });
}

std::u16string LiteralBlock::Data() {
  std::u16string s;
  Locked([&](TPluginsSharedMemData& b) { s = ReadTextField(b, TextField::Data); });
  return s;
}

void LiteralBlock::SetData(const std::u16string& text) {
  Locked([&](TPluginsSharedMemData& b) { WriteTextField(b, TextField::Data, text); });
}

std::uint32_t LiteralBlock::DataPointer() {
  std::uint32_t v = 0;
  Locked([&](TPluginsSharedMemData& b) { v = ReadDataPointer(b); });
  return v;
}

void LiteralBlock::SetDataPointer(std::uint32_t value) {
  Locked([&](TPluginsSharedMemData& b) { WriteDataPointer(b, value); });
}

bool LiteralBlock::WaitForState(std::uint8_t wanted, int limit) {
  int counter = 0;
  for (;;) {
    if (State() == wanted) return true;
    ClockSleep(1);
    if (++counter > limit) return false;
    if (State() == smsNoAllocated) return false;
  }
}

int LiteralBlock::ServeOne(KarvoRequestHandler handler, void* context, unsigned waitMs) {
  if (view_ == nullptr) return -1;
  DWORD start = ::GetTickCount();
  while (State() != smsToProcess) {
    if (::GetTickCount() - start >= waitMs) return 0;
    ClockSleep(1);
  }
  SetState(smsProcessing);
  auto request = std::make_unique<KarvoRequest>();
  std::string command = Command();
  std::memcpy(request->Command, command.data(), command.size());
  request->Command[command.size()] = '\0';
  std::u16string sql = SQL(), data = Data();
  std::memcpy(request->SQL, sql.c_str(), (sql.size() + 1) * 2);
  std::memcpy(request->Data, data.c_str(), (data.size() + 1) * 2);
  request->DataPointer = DataPointer();
  auto reply = std::make_unique<KarvoReply>();
  std::memset(reply.get(), 0, sizeof(KarvoReply));
  if (!handler(context, request.get(), reply.get())) return 1;
  std::size_t n = reply->CommandLength > KARVO_COMMAND_MAX ? KARVO_COMMAND_MAX : reply->CommandLength;
  SetCommand(std::string(reply->Command, n));
  if (reply->WriteData) {
    std::size_t len = 0;
    while (len < KARVO_TEXT_UNITS && reply->Data[len] != 0) ++len;
    SetData(std::u16string(reinterpret_cast<const char16_t*>(reply->Data), len));
  }
  if (reply->WriteDataPointer) SetDataPointer(reply->DataPointer);
  SetState(smsWaitForRead);
  return 1;
}

}  // namespace karvo::test
