// Menus, bitmap resources, actions and methods of host objects: direct
// work through the object model only, never a host request.
#pragma once

#include <cstdint>

namespace karvo {

std::uint8_t AddMenuItem(std::uint32_t aMenu, std::uint32_t aMenuItem);
// aResName null: the resource numbered aResID.
std::uint8_t LoadResource(std::uint32_t aBitmap, std::uint32_t aInstance, const char* aResName, std::int32_t aResID);
std::uint8_t ExecuteAction(std::uint32_t aAction);
// These two leave an earlier message in LastAPIError when they succeed.
std::uint8_t ExecuteMethod(std::uint32_t aCode, std::uint32_t aData);
std::uint8_t ExecuteClassMethodByName(std::uint32_t aObject, const char* aMethodName);

}  // namespace karvo
