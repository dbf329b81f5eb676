#include "xmldoc/CallDocumentHandle.h"

#include "conversions/BstrText.h"
#include "conversions/VariantText.h"
#include "link/ExportForms.h"
#include "link/ExportGuard.h"
#include "platform/Owners.h"
#include "xmldoc/CallDocument.h"
#include "xmldoc/CallDocumentText.h"
#include "xmldoc/TypedValues.h"

namespace karvo {

std::u16string HandleFromCallDocument(const char* ApiText) {
  {
    // The header field wins; any root will do for it.
    XmlDocument doc = XmlDocument::Parse(PlainText(ApiText));
    XmlNode root = doc.Root();
    UniqueVariant header;
    GetChildTagValue(root, kKeyApiHandle, header);
    std::u16string handle = header->vt == VT_BSTR ? BstrToText(header->bstrVal) : std::u16string();
    if (!handle.empty()) return handle;
  }
  // Then the variable, under a PROCEDURE or WINDOW root, read as the
  // XMLGetData export reads it: a failure inside (a VALUE that holds an
  // element) is caught there and yields no value. The message it leaves is
  // OpenAPI's to replace.
  UniqueVariant variable;
  GuardedVoid([&] { XMLGetData(variable.get(), ApiText, "APIHANDLE", 0); });
  if (variable->vt == VT_NULL) return {};
  return VariantToTextLenient(*variable.get()).value_or(std::u16string());
}

}  // namespace karvo
