// What refhost answers to each request.
#pragma once

#include "karvo_host.h"

namespace refhost {

class Service {
 public:
  static int __stdcall Handle(void* self, const KarvoRequest* request, KarvoReply* reply);

 private:
  int Serve(const KarvoRequest& request, KarvoReply& reply);
};

}  // namespace refhost
