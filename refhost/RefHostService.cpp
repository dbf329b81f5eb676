#include "RefHostService.h"

#include <cstring>
#include <string>

namespace refhost {

namespace {

void Verdict(KarvoReply& reply, bool success, const std::u16string& data) {
  reply.CommandLength = 1;
  reply.Command[0] = success ? KARVO_VERDICT_SUCCESS : '\0';
  reply.WriteData = 1;
  std::size_t n = data.size() > KARVO_TEXT_UNITS ? KARVO_TEXT_UNITS : data.size();
  std::memcpy(reply.Data, data.data(), n * 2);
  reply.Data[n] = 0;
}

void Code(KarvoReply& reply, unsigned char code) {
  reply.CommandLength = 1;
  reply.Command[0] = static_cast<char>(code);
}

}  // namespace

int __stdcall Service::Handle(void* self, const KarvoRequest* request, KarvoReply* reply) {
  try {
    return static_cast<Service*>(self)->Serve(*request, *reply);
  } catch (...) {
    Verdict(*reply, false, u"refhost: the request failed");
    return 1;
  }
}

int Service::Serve(const KarvoRequest& request, KarvoReply& reply) {
  std::string command = request.Command;
  if (command == KARVO_CMD_EXECUTE_SQL || command == KARVO_CMD_CLOSE_QUERY_SQL) {
    Code(reply, KARVO_REPLY_SUCCESS);
  } else {
    Verdict(reply, false, u"refhost: nieznane polecenie " + std::u16string(command.begin(), command.end()));
  }
  return 1;
}

}  // namespace refhost
