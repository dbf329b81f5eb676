// The only way into <windows.h> for the whole tree.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0601
#endif

// <oleauto.h> needs what <windows.h> declares.
// clang-format off
#include <windows.h>
#include <oleauto.h>
// clang-format on

#include <string>

namespace karvo {

// Text inside the library is UTF-16 in std::u16string; the platform wants wchar_t.
inline const wchar_t* AsWide(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }
inline const char16_t* AsUtf16(const wchar_t* s) { return reinterpret_cast<const char16_t*>(s); }

}  // namespace karvo
