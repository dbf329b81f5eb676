// No failure crosses an export: each export body runs in one of these.
//
// As a rule an export empties the calling thread's last error when it
// starts, so that it is empty after a success; the guard does that. The
// exports whose rule differs pass kKeepLastError where they are defined.
#pragma once

#include "link/ApiError.h"

namespace karvo {

struct KeepLastError {};
inline constexpr KeepLastError kKeepLastError{};

// Runs body; anything it throws becomes code 252 and the failure value.
template <class R, class F>
R Guarded(KeepLastError, R failure, F&& body) noexcept {
  try {
    return body();
  } catch (...) {
    try {
      SetAPIError(kCodeException);
    } catch (...) {
    }
    return failure;
  }
}

template <class R, class F>
R Guarded(R failure, F&& body) noexcept {
  return Guarded<R>(kKeepLastError, failure, [&]() -> R {
    ClearAPIError();
    return body();
  });
}

template <class F>
void GuardedVoid(KeepLastError, F&& body) noexcept {
  Guarded<bool>(kKeepLastError, false, [&] {
    body();
    return true;
  });
}

template <class F>
void GuardedVoid(F&& body) noexcept {
  Guarded<bool>(false, [&] {
    body();
    return true;
  });
}

}  // namespace karvo
