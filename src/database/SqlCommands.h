// Statements and queries that the host runs on its databases.
#pragma once

#include <cstdint>

namespace karvo {

// SysDatabase 1 selects the system database; any other value the ordinary one.
std::uint8_t ExecuteSQL(const char* SQLText, std::uint8_t SysDatabase);
const char* GetFromQuerySQL(const char* SQLText, std::uint8_t SysDatabase);
std::uint32_t OpenQuerySQL(const char* SQLText, std::uint8_t SysDatabase);
std::uint8_t CloseQuerySQL(std::uint32_t QueryHandle);

}  // namespace karvo
