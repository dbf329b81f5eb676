// Script objects in the host's script engine. The library keeps nothing of a
// script: each operation is one host procedure call on the number the host
// handed out. These are the W forms' work, on UTF-16 text.
#pragma once

#include <cstdint>
#include <string>

namespace karvo {

// The host's script handle, or 0 with "Błąd tworzenia skryptu !".
std::int32_t CreateScriptW(const std::u16string& aScriptText);
// 1 on success, 0 with the family's message on failure.
std::int32_t AddScriptVariantW(std::int32_t aScript, const std::u16string& aVarName, const std::u16string& aVarValue);
std::int32_t AddScriptFunctionW(std::int32_t aScript, std::uint32_t aFuncValue, const std::u16string& aFuncName);
std::int32_t SetScriptVariantW(std::int32_t aScript, const std::u16string& aVarName, const std::u16string& aVarValue);
std::int32_t FreeScript(std::int32_t aScript);
// The variable's value; empty on failure, with the message as last error.
std::u16string GetScriptVariantW(std::int32_t aScript, const std::u16string& aVarName);
// 1 on success, 0 with the host's own text (or the request cycle's message
// when no reply came) on failure.
std::int32_t ExecuteScript(std::int32_t aScript);
std::int32_t ExecuteAsychScript(std::int32_t aScript, std::int32_t aFlag);
std::uint8_t CheckAsynchScriptStatus(std::int32_t aScript);

}  // namespace karvo
