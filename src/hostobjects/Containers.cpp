#include "hostobjects/Containers.h"

#include "conversions/TextForms.h"
#include "host/ObjectModel.h"
#include "hostobjects/ObjectLists.h"
#include "link/ApiError.h"
#include "link/CallHostProc.h"
#include "link/ExportForms.h"
#include "link/RequestCycle.h"
#include "messages/Messages.h"

namespace karvo {

const char* GetControlsList(std::uint32_t aContainer, std::uint32_t aFlags) {
  const std::uint8_t flags = EffectiveListFlags(aFlags);
  try {
    return TextToPlain(ControlsListText(host::Object(aContainer), flags));
  } catch (...) {
  }
  HostProcResult r = CallHostProc(u"GetControlsList", JoinHostArgs({HandleText(aContainer), SignedText(flags)}));
  if (r.Success) return TextToPlain(r.ResultText);
  SetAPIErrorText(msg::kControlsListFailed);
  return nullptr;
}

std::uint32_t GetControl(std::uint32_t aContainer, const char* aControlName) {
  const std::u16string name = PlainText(aControlName);
  try {
    return FindControl(host::Object(aContainer), name);
  } catch (...) {
  }
  HostProcResult r = CallHostProc(u"GetControl", JoinHostArgs({HandleText(aContainer), name}));
  // A success whose text is no handle is no answer either: the caller gets
  // null and the message, never a number made up from the text.
  if (r.Success)
    if (std::optional<std::int32_t> handle = IntegerTextSyntax(r.ResultText))
      return static_cast<std::uint32_t>(*handle);
  SetAPIErrorText(msg::kControlReadPrefix + name + msg::kNameSuffix);
  return 0;
}

namespace {

// One cycle of a host command settled by the reply verdict; the reply is
// given back only when it was a success.
std::optional<Reply> RunVerdictCommand(const char16_t* command, std::uint32_t container, std::u16string data) {
  Cycle c = RunRequest(Request{command, {PointerField(container), DataField(std::move(data)), SqlField(u"")}});
  if (!c.Replied()) return std::nullopt;
  SetAPIError(kReplyVerdict, &c.Reply);
  if (!IsVerdictSuccess(c.Reply)) return std::nullopt;
  return std::move(c.Reply);
}

}  // namespace

std::uint32_t AddControl(std::uint32_t aContainer, const char* aText1, const char* aText2) {
  std::optional<Reply> r = RunVerdictCommand(u"ADD_CONTROL", aContainer, PlainText(aText1) + u";" + PlainText(aText2));
  return r ? r->DataPointer : 0;
}

std::uint8_t CloneContener(std::uint32_t aContainer, std::int32_t aNumber) {
  return RunVerdictCommand(u"CLONE_CONTENER", aContainer, SignedText(aNumber)) ? 1 : 0;
}

}  // namespace karvo
