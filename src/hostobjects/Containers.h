// Children of containers, found directly through the object model or by
// the host's procedures "GetControlsList" and "GetControl"; controls added
// and containers cloned by the host's commands "ADD_CONTROL" and
// "CLONE_CONTENER".
#pragma once

#include <cstdint>

namespace karvo {

const char* GetControlsList(std::uint32_t aContainer, std::uint32_t aFlags);
std::uint32_t GetControl(std::uint32_t aContainer, const char* aControlName);
std::uint32_t AddControl(std::uint32_t aContainer, const char* aText1, const char* aText2);
std::uint8_t CloneContener(std::uint32_t aContainer, std::int32_t aNumber);

}  // namespace karvo
