// The named shared-memory block and its mutex, as one object on one side.
// Hosts make it with Create, the library attaches with CreateDll. Every
// property access takes the block mutex for that access alone; a Hold takes
// it once for several accesses (claiming the block, reading a whole reply).
// The mutex handle is opened on the first access and kept for the life of
// the object: under Wine each open and close is a trip to the wineserver.
//
// Several threads may use one object: each waits for the block mutex in
// turn, as another process would. Only a thread that holds it already is
// refused (locks do not nest).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "PluginsSharedMem/BlockFields.h"
#include "PluginsSharedMem/BlockSignals.h"
#include "platform/Owners.h"

namespace karvo {

class TPluginsSharedMem {
 public:
  // Host side: a new block under a fresh API handle made from the window
  // handle. A name whose mapping or mutex exists already belongs to someone
  // else and is drawn again, at most kNameAttempts times. ApiHandle() is
  // empty when the block could not be made.
  static std::unique_ptr<TPluginsSharedMem> Create(std::uint32_t windowHandle);
  static constexpr int kNameAttempts = 32;
  // Library side: attaches to the block that a host made under that name.
  static std::unique_ptr<TPluginsSharedMem> CreateDll(const std::u16string& wApiHandle);
  // Free: releases the mutex if held, the view and the mapping.
  ~TPluginsSharedMem();

  TPluginsSharedMem(const TPluginsSharedMem&) = delete;
  TPluginsSharedMem& operator=(const TPluginsSharedMem&) = delete;

  bool Created() const { return Created_; }
  const std::u16string& ApiHandle() const { return fApihandle; }

  TSharedMemState SharedMemState();
  void SetSharedMemState(TSharedMemState state);
  std::u16string SharedMemCommand();
  void SetSharedMemCommand(const std::u16string& text);
  std::u16string SharedMemSQL();
  void SetSharedMemSQL(const std::u16string& text);
  std::u16string SharedMemData();
  void SetSharedMemData(const std::u16string& text);
  std::uint32_t SharedMemDataPointer();
  void SetSharedMemDataPointer(std::uint32_t value);

  // The wake-up events beside the block: made with the block by Create,
  // opened by CreateDll when the host made them, else absent.
  BlockSignals& Signals() { return signals_; }

  // The state byte read without the mutex (smsNoAllocated without a view).
  // Only a hint for polls: the other side may change it at any moment, so
  // every decision taken on it is checked again under a Hold.
  TSharedMemState PeekSharedMemState() const;

  // The block mutex held for the life of the Hold. Block() is valid only
  // while Owned() is true.
  class Hold {
   public:
    explicit Hold(TPluginsSharedMem& mem) : mem_(mem), owned_(mem.P != nullptr && mem.Lock()) {}
    ~Hold() {
      if (owned_) mem_.Unlock();
    }
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;
    bool Owned() const { return owned_; }
    TPluginsSharedMemData& Block() { return *mem_.P; }

   private:
    TPluginsSharedMem& mem_;
    bool owned_;
  };

  // Command text to and from its bytes in the system ANSI code page.
  static std::string CommandBytes(const std::u16string& text);
  static std::u16string CommandText(const std::string& bytes);

  // How long one access waits for the block mutex.
  static constexpr DWORD kLockWaitMs = 1000;
  static constexpr DWORD kBlockSize = KARVO_BLOCK_SIZE;

 private:
  TPluginsSharedMem() = default;
  enum class Made { Made, Taken, Failed };
  Made CreateMapping(const std::u16string& name, DWORD size);
  bool OpenMapping(const std::u16string& name, DWORD size);
  bool Lock();
  void Unlock();
  std::shared_ptr<UniqueHandle> MutexHandle();
  void DropMutexHandle(const std::shared_ptr<UniqueHandle>& failed);
  void SetText(TextField f, const std::u16string& text, const char16_t* tooLongMessage);

  bool Created_ = false;
  UniqueHandle H;
  UniqueView view_;
  TPluginsSharedMemData* P = nullptr;
  // Open from the first Lock (from Create on the host side) until Free. A
  // thread waits on its own reference, so a handle dropped after a failed
  // wait is closed only once no thread waits on it.
  std::mutex mutexHandleLock_;
  std::shared_ptr<UniqueHandle> mutex_;
  // The thread that holds the lock, 0 when none; what it holds it with.
  std::atomic<DWORD> holder_{0};
  std::shared_ptr<UniqueHandle> held_;
  HANDLE HMapMutex = nullptr;  // held_ while a Lock holds it, else null
  std::u16string fApihandle;
  BlockSignals signals_;
};

}  // namespace karvo
