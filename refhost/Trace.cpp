#include "Trace.h"

#include <windows.h>

#include "Console.h"
#include "RefHostService.h"
#include "TraceText.h"

namespace refhost {

namespace {

int __stdcall Traced(void* context, const KarvoRequest* request, KarvoReply* reply) {
  Print(u"refhost: " + TraceRequestLine(*request));
  LARGE_INTEGER frequency, start, end;
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&start);
  int written = Service::Handle(context, request, reply);
  ::QueryPerformanceCounter(&end);
  double ms = 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
  Print(u"refhost: " + TraceReplyLine(*request, *reply, written != 0, ms));
  return written;
}

}  // namespace

KarvoRequestHandler RequestHandler(bool trace) { return trace ? &Traced : &Service::Handle; }

}  // namespace refhost
