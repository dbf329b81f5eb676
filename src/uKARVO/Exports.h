// What every export file includes: the generated prototypes (so an export's
// signature can never drift from the list), the guard and the forms.
#pragma once

#include <cstdint>

#include "platform/WindowsSupport.h"

#define KARVO_API
#define KARVO_BUILDING_DLL
#include "karvo.h"
#include "link/ExportForms.h"
#include "link/ExportGuard.h"

namespace karvo {

// Handles and code pointers cross the export table as 32-bit numbers: these
// two are the only casts between the forms.
inline std::uint32_t NumberOf(const void* handle) {
  return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(handle));
}
inline KARVO_HANDLE HandleOf(std::uint32_t number) {
  return reinterpret_cast<KARVO_HANDLE>(static_cast<std::uintptr_t>(number));
}

}  // namespace karvo
