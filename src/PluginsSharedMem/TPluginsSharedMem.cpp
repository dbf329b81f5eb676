#include "PluginsSharedMem/TPluginsSharedMem.h"

#include <cstring>
#include <utility>

#include "PluginsSharedMem/ApiHandleNames.h"
#include "messages/Messages.h"
#include "platform/CodePage.h"
#include "platform/MessageBox.h"

namespace karvo {

namespace {

// A name someone else made first: a mapping or mutex that exists already,
// or an object of another kind (or of another user) under that name.
bool NameTaken(HANDLE made) {
  DWORD err = ::GetLastError();
  if (made != nullptr) return err == ERROR_ALREADY_EXISTS;
  return err == ERROR_INVALID_HANDLE || err == ERROR_ACCESS_DENIED;
}

}  // namespace

std::unique_ptr<TPluginsSharedMem> TPluginsSharedMem::Create(std::uint32_t windowHandle) {
  std::unique_ptr<TPluginsSharedMem> m(new TPluginsSharedMem());
  // A block under a name that another program made first would be that
  // program's to read and write, and a mutex it made, its to hold for ever:
  // such a name is drawn again.
  ApiHandleNames names(windowHandle, ApiHandleNames::FreshSeed());
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    std::u16string name = names.Next();
    switch (m->CreateMapping(name, kBlockSize)) {
      case Made::Made:
        m->fApihandle = std::move(name);
        m->signals_ = BlockSignals::Make(m->fApihandle);
        return m;
      case Made::Taken: continue;
      case Made::Failed: ShowMessage(msg::kHostMappingFailed); return m;
    }
  }
  ShowMessage(msg::kHostNamesTaken);
  return m;
}

std::unique_ptr<TPluginsSharedMem> TPluginsSharedMem::CreateDll(const std::u16string& wApiHandle) {
  std::unique_ptr<TPluginsSharedMem> m(new TPluginsSharedMem());
  if (m->OpenMapping(wApiHandle, kBlockSize)) {
    m->fApihandle = wApiHandle;
    m->signals_ = BlockSignals::Open(wApiHandle);
  } else {
    ShowMessage(msg::kDllMappingFailed);
  }
  return m;
}

TPluginsSharedMem::~TPluginsSharedMem() {
  if (holder_ == ::GetCurrentThreadId()) Unlock();
  mutex_.reset();
  P = nullptr;
  view_.reset();
  H.reset();
}

// Makes the mapping and its mutex, both new: either one found existing
// makes the name taken, and nothing of this attempt stays.
TPluginsSharedMem::Made TPluginsSharedMem::CreateMapping(const std::u16string& name, DWORD size) {
  P = nullptr;
  UniqueHandle mapping(Sys().CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, AsWide(name)));
  if (NameTaken(mapping.get())) return Made::Taken;
  if (!mapping) return Made::Failed;
  std::u16string mutexName = name + u"" KARVO_MUTEX_SUFFIX;
  UniqueHandle mutex(Sys().CreateMutexW(nullptr, FALSE, AsWide(mutexName)));
  if (NameTaken(mutex.get())) return Made::Taken;
  if (!mutex) return Made::Failed;
  UniqueView view(Sys().MapViewOfFile(mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, size));
  if (!view) return Made::Failed;
  mutex_ = std::make_shared<UniqueHandle>(std::move(mutex));
  std::memset(view.get(), 0, size);
  H = std::move(mapping);
  view_ = std::move(view);
  P = static_cast<TPluginsSharedMemData*>(view_.get());
  Created_ = true;
  return Made::Made;
}

bool TPluginsSharedMem::OpenMapping(const std::u16string& name, DWORD size) {
  if (name.empty()) return false;
  H.reset(Sys().CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, AsWide(name)));
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

std::shared_ptr<UniqueHandle> TPluginsSharedMem::MutexHandle() {
  std::lock_guard<std::mutex> l(mutexHandleLock_);
  if (!mutex_) {
    std::u16string name = fApihandle + u"" KARVO_MUTEX_SUFFIX;
    auto fresh = std::make_shared<UniqueHandle>();
    fresh->reset(Sys().CreateMutexW(nullptr, FALSE, AsWide(name)));
    if (*fresh) mutex_ = std::move(fresh);
  }
  return mutex_;
}

void TPluginsSharedMem::DropMutexHandle(const std::shared_ptr<UniqueHandle>& failed) {
  std::lock_guard<std::mutex> l(mutexHandleLock_);
  if (mutex_ == failed) mutex_.reset();
}

bool TPluginsSharedMem::Lock() {
  // Locks do not nest: the thread that holds the lock fails at once. Any
  // other thread waits for the mutex, which serves the threads of this
  // process one at a time as it serves processes.
  const DWORD self = ::GetCurrentThreadId();
  if (holder_.load() == self) return false;
  if (fApihandle.empty()) return false;
  std::shared_ptr<UniqueHandle> m;
  try {
    m = MutexHandle();
  } catch (...) {
    return false;
  }
  if (!m) return false;
  DWORD r = Sys().WaitForSingleObject(m->get(), kLockWaitMs);
  if (r == WAIT_OBJECT_0 || r == WAIT_ABANDONED) {
    // Only the owner of the mutex gets here, so these need no other guard.
    holder_ = self;
    HMapMutex = m->get();
    held_ = std::move(m);
    return true;
  }
  // A failed wait may mean a bad handle: the next access opens it anew.
  if (r == WAIT_FAILED) DropMutexHandle(m);
  // A wait that timed out owns nothing: going on would let two processes
  // write the block at once, so it counts as a failed lock.
  return false;
}

void TPluginsSharedMem::Unlock() {
  if (holder_.load() != ::GetCurrentThreadId() || HMapMutex == nullptr) return;
  // Cleared before the release: the next owner sets them as soon as it has it.
  HANDLE h = std::exchange(HMapMutex, nullptr);
  std::shared_ptr<UniqueHandle> keep = std::move(held_);
  holder_ = 0;
  Sys().ReleaseMutex(h);
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

std::u16string TPluginsSharedMem::CommandText(const std::string& bytes) {
  return AnsiToText(bytes.data(), bytes.size());
}

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
