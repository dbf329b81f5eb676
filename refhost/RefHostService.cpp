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

std::vector<std::u16string> SplitArgs(const std::u16string& text) {
  std::vector<std::u16string> args(1);
  for (char16_t c : text) {
    if (c == u'\x0001')
      args.emplace_back();
    else
      args.back() += c;
  }
  return args;
}

void ServeProcedure(const KarvoRequest& request, ReplyWriter& out) {
  std::u16string name = RequestText(request.SQL);
  auto it = Procedures().find(name);
  if (it == Procedures().end()) {
    out.Verdict(false, u"refhost: nieznana procedura " + name);
    return;
  }
  it->second(SplitArgs(RequestText(request.Data)), out);
}

}  // namespace

std::u16string RequestText(const unsigned short* units) { return reinterpret_cast<const char16_t*>(units); }

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
