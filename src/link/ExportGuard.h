// No failure crosses an export: each export body runs in one of these.
#pragma once

#include "link/ApiError.h"

namespace karvo {

// Runs body; anything it throws becomes code 252 and the failure value.
template <class R, class F>
R Guarded(R failure, F&& body) noexcept {
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

template <class F>
void GuardedVoid(F&& body) noexcept {
  try {
    body();
  } catch (...) {
    try {
      SetAPIError(kCodeException);
    } catch (...) {
    }
  }
}

}  // namespace karvo
