#include "platform/MessageBox.h"

#include "platform/Syscalls.h"

namespace karvo {

void ShowMessage(const std::u16string& text) {
  Sys().MessageBoxW(nullptr, AsWide(text), L"KARVO.DLL", MB_OK | MB_TASKMODAL);
}

}  // namespace karvo
