#include "TraceText.h"

#include <cstdio>
#include <cstring>

namespace refhost {

namespace {

std::u16string Ascii(const char* s) {
  std::u16string out;
  for (; *s != 0; ++s) out += static_cast<char16_t>(static_cast<unsigned char>(*s));
  return out;
}

std::u16string Hex(std::uint32_t value, int digits) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%0*X", digits, static_cast<unsigned>(value));
  return Ascii(buf);
}

std::u16string Units(const unsigned short* units) {
  std::u16string s;
  for (std::size_t i = 0; i <= KARVO_TEXT_UNITS && units[i] != 0; ++i) s += static_cast<char16_t>(units[i]);
  return s;
}

// Requests answered with a reply code rather than a verdict.
bool RepliesWithCode(const char* command) {
  return std::strcmp(command, KARVO_CMD_EXECUTE_SQL) == 0 || std::strcmp(command, KARVO_CMD_CLOSE_QUERY_SQL) == 0;
}

const char* CodeMeaning(unsigned code) {
  switch (code) {
    case KARVO_REPLY_SUCCESS: return "success";
    case KARVO_REPLY_ERROR: return "error";
    case KARVO_REPLY_MESSAGE: return "error with message";
    default: return "unknown code";
  }
}

// Control characters, quotes and backslashes as escapes.
std::u16string Escaped(const std::u16string& text) {
  std::u16string out;
  for (char16_t c : text) {
    if (c == u'\r')
      out += u"\\r";
    else if (c == u'\n')
      out += u"\\n";
    else if (c == u'"' || c == u'\\')
      out += std::u16string(1, u'\\') + c;
    else if (c < 0x20 || c == 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", static_cast<unsigned>(c));
      out += Ascii(buf);
    } else
      out += c;
  }
  return out;
}

}  // namespace

std::u16string TraceText(const std::u16string& text) {
  std::size_t shown = text.size() > kTraceTextMax ? kTraceTextMax : text.size();
  std::u16string out = u"\"" + Escaped(text.substr(0, shown)) + u"\"";
  if (shown < text.size()) out += u"... (" + Ascii(std::to_string(text.size()).c_str()) + u" chars)";
  return out;
}

std::u16string TraceRequestLine(const KarvoRequest& request) {
  char command[KARVO_COMMAND_MAX + 1];
  std::memcpy(command, request.Command, sizeof command);
  command[KARVO_COMMAND_MAX] = 0;
  // The command is 8-bit and may be anything a client wrote: shown escaped.
  std::u16string c16;
  for (const char* p = command; *p != 0; ++p) c16 += static_cast<char16_t>(static_cast<unsigned char>(*p));
  std::u16string line = u"> " + (c16.empty() ? u"(no command)" : Escaped(c16));
  line += u"  SQL " + TraceText(Units(request.SQL));
  line += u"  Data " + TraceText(Units(request.Data));
  line += u"  DataPointer " + Hex(request.DataPointer, 8);
  return line;
}

std::u16string TraceReplyLine(const KarvoRequest& request, const KarvoReply& reply, bool written, double elapsedMs) {
  char ms[32];
  std::snprintf(ms, sizeof ms, "  %.1f ms", elapsedMs);
  if (!written) return u"< no reply: the host left the request unanswered" + Ascii(ms);
  std::u16string line = u"< reply ";
  std::size_t n = reply.CommandLength > KARVO_COMMAND_MAX ? KARVO_COMMAND_MAX : reply.CommandLength;
  if (n == 0) {
    line += u"(empty)";
  } else {
    unsigned code = static_cast<unsigned char>(reply.Command[0]);
    char buf[48];
    if (RepliesWithCode(request.Command))
      std::snprintf(buf, sizeof buf, "%u (%s)", code, CodeMeaning(code));
    else
      std::snprintf(buf, sizeof buf, "0x%02X (%s)", code, code == 1 ? "success" : "failure");
    line += Ascii(buf);
  }
  if (reply.WriteData) line += u"  Data " + TraceText(Units(reply.Data));
  if (reply.WriteDataPointer) line += u"  DataPointer " + Hex(reply.DataPointer, 8);
  return line + Ascii(ms);
}

}  // namespace refhost
