#include "RefHostService.h"

#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace refhost {

namespace {

std::map<std::string, CommandHandler>& Commands() {
  static std::map<std::string, CommandHandler> m;
  return m;
}

std::map<std::u16string, ProcHandler>& Procedures() {
  static std::map<std::u16string, ProcHandler> m;
  return m;
}

void ServeProcedure(const KarvoRequest& request, ReplyWriter& out) {
  std::u16string name = RequestText(request.SQL);
  auto it = Procedures().find(name);
  if (it == Procedures().end()) {
    out.Verdict(false, u"refhost: nieznana procedura " + name);
    return;
  }
  it->second(SplitText(RequestText(request.Data), u'\x0001'), out);
}

}  // namespace

std::u16string RequestText(const unsigned short* units) { return reinterpret_cast<const char16_t*>(units); }

std::vector<std::u16string> SplitText(const std::u16string& text, char16_t separator) {
  std::vector<std::u16string> parts(1);
  for (char16_t c : text) {
    if (c == separator)
      parts.emplace_back();
    else
      parts.back() += c;
  }
  return parts;
}

bool AsciiEqualNoCase(const std::u16string& a, const std::u16string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char16_t x = a[i], y = b[i];
    if (x >= u'a' && x <= u'z') x = static_cast<char16_t>(x - 32);
    if (y >= u'a' && y <= u'z') y = static_cast<char16_t>(y - 32);
    if (x != y) return false;
  }
  return true;
}

void ReplyWriter::Code(unsigned char code) {
  reply.CommandLength = 1;
  reply.Command[0] = static_cast<char>(code);
}

void ReplyWriter::Verdict(bool success, const std::u16string& data) {
  reply.CommandLength = 1;
  reply.Command[0] = success ? KARVO_VERDICT_SUCCESS : '\0';
  reply.WriteData = 1;
  std::size_t n = data.size() > KARVO_TEXT_UNITS ? KARVO_TEXT_UNITS : data.size();
  std::memcpy(reply.Data, data.data(), n * 2);
  reply.Data[n] = 0;
}

void ReplyWriter::Pointer(unsigned int value) {
  reply.WriteDataPointer = 1;
  reply.DataPointer = value;
}

Registration::Registration(const char* command, CommandHandler handler) { Commands()[command] = std::move(handler); }

Registration::Registration(const char* procedure, ProcHandler handler, int) {
  std::string n(procedure);
  Procedures()[std::u16string(n.begin(), n.end())] = std::move(handler);
}

int __stdcall Service::Handle(void*, const KarvoRequest* request, KarvoReply* reply) {
  ReplyWriter out{*reply};
  try {
    std::string command = request->Command;
    if (command == KARVO_CMD_PROC) {
      ServeProcedure(*request, out);
      return 1;
    }
    auto it = Commands().find(command);
    if (it == Commands().end()) {
      out.Verdict(false, u"refhost: nieznane polecenie " + std::u16string(command.begin(), command.end()));
      return 1;
    }
    it->second(*request, out);
  } catch (...) {
    out.Verdict(false, u"refhost: the request failed");
  }
  return 1;
}

}  // namespace refhost
