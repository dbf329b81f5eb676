// --trace: refhost's request handler with every request and its reply
// printed as it is served.
#pragma once

#include "karvo_host.h"

namespace refhost {

// The handler the serving loop calls: Service::Handle, traced or not.
KarvoRequestHandler RequestHandler(bool trace);

}  // namespace refhost
