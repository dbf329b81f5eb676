// KARVO.DLL as a plug-in sees it: loaded by name, exports by GetProcAddress
// with the prototypes of karvo.h. Each Plugin loads the library afresh.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/WindowsSupport.h"
#include "karvo.h"

namespace karvo::test {

class Plugin {
 public:
  Plugin() : dll_(::LoadLibraryA("KARVO.DLL")) {}
  ~Plugin() {
    if (dll_ != nullptr) ::FreeLibrary(dll_);
  }
  Plugin(const Plugin&) = delete;
  Plugin& operator=(const Plugin&) = delete;
  bool Loaded() const { return dll_ != nullptr; }
  HMODULE Module() const { return dll_; }

  template <class Fn>
  Fn Get(const char* name) const {
    auto p = reinterpret_cast<Fn>(::GetProcAddress(dll_, name));
    if (p == nullptr) ADD_FAILURE() << "KARVO.DLL does not export " << name;
    return p;
  }

  // The last error as UTF-16, read with GetLastAPIErrorW.
  std::u16string LastError() const {
    BSTR b = nullptr;
    Get<KARVO_PFN_GetLastAPIErrorW>("GetLastAPIErrorW")(&b);
    std::u16string s = b ? std::u16string(reinterpret_cast<const char16_t*>(b), ::SysStringLen(b)) : u"";
    ::SysFreeString(b);
    return s;
  }

 private:
  HMODULE dll_;
};

// A counted string as the host runtime lays it out, in any code page; a
// constant (count -1) unless given a count. The test owns the memory, so
// the library must never bring a count of ours to zero.
class CountedString {
 public:
  CountedString(const std::string& bytes, unsigned short codePage, int refCount = -1)
      : buf_(12 + bytes.size() + 1, '\0') {
    const unsigned short elemSize = 1;
    const int length = static_cast<int>(bytes.size());
    std::memcpy(&buf_[0], &codePage, 2);
    std::memcpy(&buf_[2], &elemSize, 2);
    std::memcpy(&buf_[4], &refCount, 4);
    std::memcpy(&buf_[8], &length, 4);
    std::memcpy(&buf_[12], bytes.data(), bytes.size());
  }
  KARVO_ANSISTRING get() { return &buf_[12]; }
  // The reference count as the string holds it now.
  int Count() const {
    int n = 0;
    std::memcpy(&n, &buf_[4], 4);
    return n;
  }

 private:
  std::vector<char> buf_;
};

#define KARVO_FN(plugin, name) (plugin).Get<KARVO_PFN_##name>(#name)

inline std::u16string Wide(const char* s) {
  std::u16string out;
  if (s == nullptr) return out;
  int n = ::MultiByteToWideChar(CP_ACP, 0, s, -1, nullptr, 0);
  out.resize(n > 0 ? n - 1 : 0);
  if (n > 1) ::MultiByteToWideChar(CP_ACP, 0, s, -1, reinterpret_cast<wchar_t*>(&out[0]), n);
  return out;
}

inline std::u16string Wide(const std::string& s) { return Wide(s.c_str()); }

// Without best fit, as the library encodes: what the code page cannot hold
// becomes its substitute character.
inline std::string Ansi(const std::u16string& s) {
  if (s.empty()) return {};
  auto w = reinterpret_cast<const wchar_t*>(s.c_str());
  int n = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, w, -1, nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? n - 1 : 0, '\0');
  ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, w, -1, &out[0], n, nullptr, nullptr);
  return out;
}

// The text expected under the code page the suite runs in: 1252 (western)
// or 1250 (central European).
inline std::u16string ByCodePage(const std::u16string& western, const std::u16string& central) {
  return ::GetACP() == 1250 ? central : western;
}

// A text as it comes back through the system ANSI code page.
inline std::u16string ThroughCodePage(const std::u16string& s) { return Wide(Ansi(s)); }

}  // namespace karvo::test
