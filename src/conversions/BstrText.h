// BSTRs the library holds, or that the platform gave it, to and from the
// library's text. A caller's BSTR argument is read by BstrText
// (link/ExportForms.h) instead: its length prefix is checked first.
#pragma once

#include <string>

#include "platform/Owners.h"

namespace karvo {

// Null is the empty text.
std::u16string BstrToText(BSTR b);
// A new BSTR with the text; throws std::bad_alloc when none can be made.
UniqueBstr NewBstr(const std::u16string& text);
// The VARIANT cleared, then made a VT_BSTR holding the text.
void SetBstrVariant(UniqueVariant& v, const std::u16string& text);

}  // namespace karvo
