#include "database/CsvExport.h"

#include <string>

#include "conversions/TextForms.h"
#include "database/CsvBuilder.h"
#include "link/ApiError.h"
#include "link/ExportForms.h"
#include "link/RequestCycle.h"
#include "link/ReturnBuffers.h"
#include "messages/Messages.h"
#include "platform/CodePage.h"

namespace karvo {

namespace {

// The same export asked of the host, when the in-process attempt failed.
const char* AskHostForCSV(std::uint32_t aDSHandle, std::int32_t aStart, std::int32_t aCount, std::uint8_t aWithHeader) {
  std::u16string args = SignedText(aStart) + u";" + SignedText(aCount) + u";" + SignedText(aWithHeader);
  Cycle c = RunRequest(Request{u"GET_CSV_QUERY_SQL", {SqlField(u""), PointerField(aDSHandle), DataField(args)}});
  if (!c.Replied()) return nullptr;
  SetAPIError(kReplyVerdict, &c.Reply);
  if (!IsVerdictSuccess(c.Reply)) return nullptr;
  return TextToPlain(c.Reply.Data);
}

}  // namespace

const char* GetCSVQuerySQL(std::uint32_t aDSHandle, std::int32_t aStart, std::int32_t aCount,
                           std::uint8_t aWithHeader) {
  CsvOutcome o;
  try {
    o = BuildCSVText(host::DataSource(aDSHandle), aStart, aCount, aWithHeader,
                     [](const std::u16string& line) { return TextToAnsi(line); });
  } catch (...) {
    o.Failed = true;  // out of memory or a failed conversion: the host may still do it
  }
  if (o.Failed) return AskHostForCSV(aDSHandle, aStart, aCount, aWithHeader);
  if (!o.Message.empty()) SetAPIErrorText(o.Message);
  return ReturnPChar(std::move(o.Text));
}

const char* GetXMLQuerySQL() {
  SetAPIErrorText(msg::kNoImplement);
  return nullptr;
}

}  // namespace karvo
