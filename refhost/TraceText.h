// The lines of refhost's --trace: each request as it reached the host and
// the reply it got, texts shortened and control characters made visible.
// Portable, so that the formatting is tested natively.
#pragma once

#include <string>

#include "karvo_host.h"

namespace refhost {

// Longer texts are cut to this many characters and their length added.
inline constexpr std::size_t kTraceTextMax = 60;

// "> COMMAND  SQL "..."  Data "..."  DataPointer 0x..."
std::u16string TraceRequestLine(const KarvoRequest& request);
// "< reply 0x01 (success)  Data "..."  DataPointer 0x...  0.3 ms"; written
// is false when the host left the request unanswered.
std::u16string TraceReplyLine(const KarvoRequest& request, const KarvoReply& reply, bool written, double elapsedMs);
// A text in double quotes, shortened, with \r, \n, \" and \xNN escapes.
std::u16string TraceText(const std::u16string& text);

}  // namespace refhost
