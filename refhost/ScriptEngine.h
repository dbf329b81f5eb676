// One script of refhost: a Duktape heap with the script compiled into it,
// its globals as the script's variables, and at most one run at a time,
// synchronous or on a worker thread of its own.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

namespace refhost {

// What an operation came to: ok, or the reason as the host's reply text.
struct ScriptOutcome {
  bool ok = true;
  std::u16string text;
  static ScriptOutcome Ok(std::u16string t = {}) { return {true, std::move(t)}; }
  static ScriptOutcome Fail(std::u16string t) { return {false, std::move(t)}; }
};

// Bounds of a run. A synchronous run answers well before the library stops
// waiting for the reply; a background run has longer.
inline constexpr std::chrono::milliseconds kSyncRunLimit{5000};
inline constexpr std::chrono::milliseconds kAsyncRunLimit{30000};
// The most memory one script's heap may take.
inline constexpr std::size_t kHeapLimit = 64u << 20;

class Script {
 public:
  ~Script();  // stops a background run and waits for it
  Script(const Script&) = delete;
  Script& operator=(const Script&) = delete;

  // Compiles the source; nothing when it does not compile (reason in error).
  static Script* Create(std::uint32_t handle, const std::u16string& source, std::u16string& error);

  ScriptOutcome AddVariable(const std::u16string& name, const std::u16string& value);
  ScriptOutcome SetVariable(const std::u16string& name, const std::u16string& value);
  ScriptOutcome GetVariable(const std::u16string& name);
  ScriptOutcome AddFunction(std::uint32_t funcValue, const std::u16string& name);
  ScriptOutcome Execute();
  ScriptOutcome StartInBackground();
  ScriptOutcome Status();

  // For the heap's hooks.
  struct Heap;

 private:
  explicit Script(std::uint32_t handle);
  ScriptOutcome Busy() const;
  ScriptOutcome Run(std::chrono::milliseconds limit);

  std::uint32_t handle_;
  Heap* heap_ = nullptr;
  std::mutex heapMu_;  // one user of the heap at a time

  enum class RunState { NeverRun, Running, Finished, Failed };
  mutable std::mutex stateMu_;
  RunState state_ = RunState::NeverRun;
  std::u16string failure_;
  std::thread worker_;
};

}  // namespace refhost
