#include "scripts/ScriptObjects.h"

#include "conversions/TextForms.h"
#include "link/ApiError.h"
#include "link/CallHostProc.h"
#include "messages/Messages.h"

namespace karvo {

namespace {

// A script number travels to the host as a handle does.
std::u16string ScriptArg(std::int32_t aScript) { return HandleText(static_cast<std::uint32_t>(aScript)); }

// A call whose failure carries this family's own message, whatever the
// request cycle or the host said.
HostProcResult CallOwnMessage(const char16_t* proc, const std::u16string& args, const char16_t* failure) {
  HostProcResult r = CallHostProc(proc, args);
  if (!r.Success) SetAPIErrorText(failure);
  return r;
}

std::int32_t Flag(const HostProcResult& r) { return r.Success ? 1 : 0; }

}  // namespace

std::int32_t CreateScriptW(const std::u16string& aScriptText) {
  HostProcResult r = CallOwnMessage(u"CreateScript", aScriptText, msg::kScriptCreateFailed);
  if (!r.Success) return 0;
  // A success without a handle is no script: the caller cannot tell a 0
  // from a failure, so it gets the failure's message as well.
  std::optional<std::int32_t> handle = IntegerTextSyntax(r.ResultText);
  if (!handle || *handle == 0) {
    SetAPIErrorText(msg::kScriptCreateFailed);
    return 0;
  }
  return *handle;
}

std::int32_t AddScriptVariantW(std::int32_t aScript, const std::u16string& aVarName, const std::u16string& aVarValue) {
  return Flag(CallOwnMessage(u"AddScriptVariant", JoinHostArgs({ScriptArg(aScript), aVarName, aVarValue}),
                             msg::kScriptAddVariantFailed));
}

std::int32_t AddScriptFunctionW(std::int32_t aScript, std::uint32_t aFuncValue, const std::u16string& aFuncName) {
  return Flag(CallOwnMessage(u"AddScriptFunction",
                             JoinHostArgs({ScriptArg(aScript), HandleText(aFuncValue), aFuncName}),
                             msg::kScriptAddFunctionFailed));
}

std::int32_t SetScriptVariantW(std::int32_t aScript, const std::u16string& aVarName, const std::u16string& aVarValue) {
  return Flag(CallOwnMessage(u"SetScriptVariant", JoinHostArgs({ScriptArg(aScript), aVarName, aVarValue}),
                             msg::kScriptSetVariantFailed));
}

std::int32_t FreeScript(std::int32_t aScript) {
  return Flag(CallOwnMessage(u"FreeScript", ScriptArg(aScript), msg::kScriptFreeFailed));
}

std::u16string GetScriptVariantW(std::int32_t aScript, const std::u16string& aVarName) {
  HostProcResult r =
      CallOwnMessage(u"GetScriptVariant", JoinHostArgs({ScriptArg(aScript), aVarName}), msg::kScriptGetVariantFailed);
  return r.Success ? std::move(r.ResultText) : std::u16string();
}

// The run exports keep the message CallHostProc left: the host's text when
// it answered, the request cycle's when it did not.
std::int32_t ExecuteScript(std::int32_t aScript) { return Flag(CallHostProc(u"ExecuteScript", ScriptArg(aScript))); }

std::int32_t ExecuteAsychScript(std::int32_t aScript, std::int32_t aFlag) {
  const bool asynch = (aFlag & 0xFF) != 0;  // only the low byte counts
  return Flag(CallHostProc(u"ExecuteAsynchScript", JoinHostArgs({ScriptArg(aScript), asynch ? u"1" : u"0"})));
}

std::uint8_t CheckAsynchScriptStatus(std::int32_t aScript) {
  return static_cast<std::uint8_t>(Flag(CallHostProc(u"CheckAsynchScriptStatus", ScriptArg(aScript))));
}

}  // namespace karvo
