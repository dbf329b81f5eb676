#include "PluginsSharedMem/TPluginsSharedMem.h"

#include <cstring>
#include <random>

#include "link/Messages.h"
#include "platform/CodePage.h"
#include "platform/MessageBox.h"

namespace karvo {

namespace {

std::u16string Decimal(std::uint32_t v) {
  std::u16string s;
  do {
    s.insert(s.begin(), static_cast<char16_t>(u'0' + v % 10));
    v /= 10;
  } while (v != 0);
  return s;
}

std::uint32_t RandomBelow65535() {
  LARGE_INTEGER pc;
  std::uint32_t seed = ::QueryPerformanceCounter(&pc) ? static_cast<std::uint32_t>(pc.QuadPart ^ (pc.QuadPart >> 32))
                                                      : ::GetTickCount();
  std::minstd_rand gen(seed ^ ::GetCurrentProcessId());
  return std::uniform_int_distribution<std::uint32_t>(0, 65534)(gen);
}

}  // namespace

std::unique_ptr<TPluginsSharedMem> TPluginsSharedMem::Create(std::uint32_t windowHandle) {
  std::unique_ptr<TPluginsSharedMem> m(new TPluginsSharedMem());
  m->fApihandle = u"KARVO_1.3_" + Decimal(windowHandle) + Decimal(RandomBelow65535());
  if (!m->CreateMapping(m->fApihandle, kBlockSize)) {
    ShowMessage(msg::kHostMappingFailed);
    m->fApihandle.clear();
  }
  return m;
}

std::unique_ptr<TPluginsSharedMem> TPluginsSharedMem::CreateDll(const std::u16string& wApiHandle) {
  std::unique_ptr<TPluginsSharedMem> m(new TPluginsSharedMem());
  if (m->OpenMapping(wApiHandle, kBlockSize)) {
    m->fApihandle = wApiHandle;
  } else {
    ShowMessage(msg::kDllMappingFailed);
  }
  return m;
}

TPluginsSharedMem::~TPluginsSharedMem() {
  if (HMapMutex != nullptr) Unlock();
  mutex_.reset();
  P = nullptr;
  view_.reset();
  H.reset();
}

bool TPluginsSharedMem::CreateMapping(const std::u16string& name, DWORD size) {
  P = nullptr;
  H.reset(Sys().CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, W(name)));
  if (!H) return false;
  view_.reset(Sys().MapViewOfFile(H.get(), FILE_MAP_ALL_ACCESS, 0, 0, size));
  if (!view_) {
    H.reset();
    return false;
  }
  std::memset(view_.get(), 0, size);
  P = static_cast<TPluginsSharedMemData*>(view_.get());
  Created_ = true;
  return true;
}

bool TPluginsSharedMem::OpenMapping(const std::u16string& name, DWORD size) {
  if (name.empty()) return false;
  H.reset(Sys().CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, W(name)));
  // Only a mapping that existed already is a host's block; one this call
  // had to make goes again at once, so no stray block of that name stays.
  if (!H || ::GetLastError() != ERROR_ALREADY_EXISTS) {
    H.reset();
    return false;
  }
  view_.reset(Sys().MapViewOfFile(H.get(), FILE_MAP_ALL_ACCESS, 0, 0, size));
  if (!view_) {
    H.reset();
    return false;
  }
  P = static_cast<TPluginsSharedMemData*>(view_.get());
  Created_ = true;
  return true;
}

bool TPluginsSharedMem::Lock() {
  // Locks do not nest, and another thread's access on this object fails
  // at once rather than sharing the hold.
  if (locked_.exchange(true)) return false;
  if (fApihandle.empty()) {
    locked_ = false;
    return false;
  }
  if (!mutex_) {
    std::u16string name = fApihandle + u"MUTEX";
    mutex_.reset(Sys().CreateMutexW(nullptr, FALSE, W(name)));
    if (!mutex_) {
      locked_ = false;
      return false;
    }
  }
  DWORD r = Sys().WaitForSingleObject(mutex_.get(), kLockWaitMs);
  if (r == WAIT_OBJECT_0 || r == WAIT_ABANDONED) {
    HMapMutex = mutex_.get();
    return true;
  }
  // A failed wait may mean a bad handle: the next access opens it anew.
  if (r == WAIT_FAILED) mutex_.reset();
  // A wait that timed out owns nothing: going on would let two processes
  // write the block at once, so it counts as a failed lock.
  locked_ = false;
  return false;
}

void TPluginsSharedMem::Unlock() {
  if (HMapMutex == nullptr) return;
  Sys().ReleaseMutex(HMapMutex);
  HMapMutex = nullptr;
  locked_ = false;
}

TSharedMemState TPluginsSharedMem::PeekSharedMemState() const {
  return P == nullptr ? smsNoAllocated : static_cast<TSharedMemState>(ReadStateByte(*P));
}

TSharedMemState TPluginsSharedMem::SharedMemState() {
  Hold h(*this);
  if (!h.Owned()) return smsNoAllocated;
  return static_cast<TSharedMemState>(ReadStateByte(h.Block()));
}

void TPluginsSharedMem::SetSharedMemState(TSharedMemState state) {
  Hold h(*this);
  if (h.Owned()) WriteStateByte(h.Block(), state);
}

std::string TPluginsSharedMem::CommandBytes(const std::u16string& text) {
  std::string bytes = TextToAnsi(text.substr(0, KARVO_COMMAND_MAX));
  if (bytes.size() > KARVO_COMMAND_MAX) bytes.resize(KARVO_COMMAND_MAX);
  return bytes;
}

std::u16string TPluginsSharedMem::CommandText(const std::string& bytes) { return AnsiToText(bytes.data(), bytes.size()); }

std::u16string TPluginsSharedMem::SharedMemCommand() {
  std::string bytes;
  {
    Hold h(*this);
    if (!h.Owned()) return {};
    bytes = ReadCommandBytes(h.Block());
  }
  return CommandText(bytes);
}

void TPluginsSharedMem::SetSharedMemCommand(const std::u16string& text) {
  std::string bytes = CommandBytes(text);
  Hold h(*this);
  if (h.Owned()) WriteCommandBytes(h.Block(), bytes);
}

std::u16string TPluginsSharedMem::SharedMemSQL() {
  Hold h(*this);
  return h.Owned() ? ReadTextField(h.Block(), TextField::SQL) : std::u16string();
}

std::u16string TPluginsSharedMem::SharedMemData() {
  Hold h(*this);
  return h.Owned() ? ReadTextField(h.Block(), TextField::Data) : std::u16string();
}

void TPluginsSharedMem::SetText(TextField f, const std::u16string& text, const char16_t* tooLongMessage) {
  {
    Hold h(*this);
    if (h.Owned()) WriteTextField(h.Block(), f, text);
  }
  if (!TextFits(text)) ShowMessage(tooLongMessage);
}

void TPluginsSharedMem::SetSharedMemSQL(const std::u16string& text) { SetText(TextField::SQL, text, msg::kSqlTooLong); }

void TPluginsSharedMem::SetSharedMemData(const std::u16string& text) {
  SetText(TextField::Data, text, msg::kDataTooLong);
}

std::uint32_t TPluginsSharedMem::SharedMemDataPointer() {
  Hold h(*this);
  return h.Owned() ? ReadDataPointer(h.Block()) : 0;
}

void TPluginsSharedMem::SetSharedMemDataPointer(std::uint32_t value) {
  Hold h(*this);
  if (h.Owned()) WriteDataPointer(h.Block(), value);
}

}  // namespace karvo
