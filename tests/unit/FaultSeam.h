// Counting wrappers over the table of platform calls: they make the Nth call
// that can fail fail, once or from there on, and keep account of every
// handle, view, BSTR, VARIANT payload, counted string and XML engine object
// the library takes, so that a test can see that each one went back.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/Syscalls.h"

namespace karvo::test {

class FaultSeam {
 public:
  enum class Mode { Once, FromThereOn };
  enum class Kind { Handle, View, Bstr, VariantPayload, String };

  // Wraps the table in force; only calls from the constructing thread are
  // counted, failed and accounted.
  FaultSeam();
  ~FaultSeam();  // puts the table back as it found it
  FaultSeam(const FaultSeam&) = delete;
  FaultSeam& operator=(const FaultSeam&) = delete;

  // The nth counted call from now (1-based) fails; with FromThereOn every
  // later one too.
  void Arm(int n, Mode mode);
  void Disarm();
  bool Met() const { return met_; }
  const std::string& FaultAt() const { return faultAt_; }  // what the fault hit
  int Calls() const { return calls_; }                     // counted since Arm

  // What was taken and not given back, by kind, and the XML engine objects
  // that still hold references (each is released here, once).
  std::map<Kind, int> Outstanding() const;
  void ForgetHeld() { held_.clear(); }
  int ReleaseEngineObjects();
  // Misuse seen on the way: a BSTR or VARIANT freed that held only the
  // garbage VariantInit leaves.
  std::vector<std::string> TakeProblems();

  // Runs in place of every sleep of the library: the in-thread host serves
  // here, so a wait costs no time and its rounds are the same in every run.
  std::function<void()> OnSleep;

  // Calls made inside are the test's own (the host's side of the block):
  // neither counted nor failed nor accounted.
  class Outside {
   public:
    Outside();
    ~Outside();
    Outside(const Outside&) = delete;
    Outside& operator=(const Outside&) = delete;

   private:
    bool was_;
  };

  static FaultSeam& Current();
  // The bytes VariantInit leaves in a VARIANT beside vt.
  static constexpr std::uint32_t kGarbage = 0xCDCDCDCDu;

  // For the wrappers.
  bool Ours() const;
  bool Fail(const char* what);
  void Take(Kind kind, const void* p);
  bool Give(const void* p);  // false when it was not one of ours
  void Problem(std::string text) { problems_.push_back(std::move(text)); }
  void TakeEngineObject(IUnknown* object);
  const Syscalls& Inner() const { return inner_; }

 private:
  Syscalls inner_;
  DWORD thread_;
  bool armed_ = false;
  Mode mode_ = Mode::Once;
  int at_ = 0;
  int calls_ = 0;
  bool met_ = false;
  std::string faultAt_;
  std::map<const void*, Kind> held_;
  std::vector<IUnknown*> engines_;
  std::vector<std::string> problems_;
};

const char* KindName(FaultSeam::Kind kind);

}  // namespace karvo::test
