#include "Console.h"

#include <windows.h>

#include <cstdio>
#include <mutex>

namespace refhost {

namespace {

std::mutex& OutputLock() {
  static std::mutex m;
  return m;
}

void Write(DWORD which, const wchar_t* text, unsigned length) {
  HANDLE h = ::GetStdHandle(which);
  if (h == nullptr || h == INVALID_HANDLE_VALUE) return;
  // The plug-ins' printf shares the C runtime's buffer: what they wrote
  // comes first.
  std::fflush(which == STD_OUTPUT_HANDLE ? stdout : stderr);
  DWORD mode = 0, done = 0;
  if (::GetConsoleMode(h, &mode)) {
    ::WriteConsoleW(h, text, length, &done, nullptr);
    return;
  }
  int n = ::WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
  if (n <= 0) return;
  std::string bytes(static_cast<std::size_t>(n), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), &bytes[0], n, nullptr, nullptr);
  ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
}

void Line(DWORD which, const std::u16string& line) {
  std::u16string text = line + u"\r\n";
  std::lock_guard<std::mutex> l(OutputLock());
  Write(which, reinterpret_cast<const wchar_t*>(text.c_str()), static_cast<unsigned>(text.size()));
}

}  // namespace

void Print(const std::u16string& line) { Line(STD_OUTPUT_HANDLE, line); }
void PrintError(const std::u16string& line) { Line(STD_ERROR_HANDLE, line); }

void PrintErrorRaw(const wchar_t* text, unsigned length) {
  HANDLE h = ::GetStdHandle(STD_ERROR_HANDLE);
  DWORD mode = 0, done = 0;
  if (h == nullptr || h == INVALID_HANDLE_VALUE) return;
  std::fflush(stdout);
  if (::GetConsoleMode(h, &mode)) {
    ::WriteConsoleW(h, text, length, &done, nullptr);
    return;
  }
  char bytes[2048];
  int n = ::WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), bytes, sizeof bytes, nullptr, nullptr);
  if (n > 0) ::WriteFile(h, bytes, static_cast<DWORD>(n), &done, nullptr);
}

std::u16string FromAnsi(const std::string& text) {
  if (text.empty()) return {};
  int n = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::u16string w(n > 0 ? static_cast<std::size_t>(n) : 0, u'\0');
  if (n > 0)
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), reinterpret_cast<wchar_t*>(&w[0]), n);
  return w;
}

std::u16string FromAscii(const std::string& text) {
  std::u16string w;
  for (char c : text) w += static_cast<char16_t>(static_cast<unsigned char>(c));
  return w;
}

}  // namespace refhost
