// What refhost answers to each request. Each service file registers the
// commands (and "_PROC_" procedures) it serves with a static Registration.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "karvo_host.h"

namespace refhost {

// A reply in the making: helpers for the two reply kinds of the contract.
struct ReplyWriter {
  KarvoReply& reply;
  void Code(unsigned char code);
  void Verdict(bool success, const std::u16string& data);
  void Pointer(unsigned int value);
};

using CommandHandler = std::function<void(const KarvoRequest& request, ReplyWriter& out)>;
// A procedure gets its arguments split at U+0001.
using ProcHandler = std::function<void(const std::vector<std::u16string>& args, ReplyWriter& out)>;

struct Registration {
  Registration(const char* command, CommandHandler handler);
  Registration(const char* procedure, ProcHandler handler, int /*tag: procedure*/);
};

class Service {
 public:
  static int __stdcall Handle(void* self, const KarvoRequest* request, KarvoReply* reply);
};

std::u16string RequestText(const unsigned short* units);
// The parts of a text between separators (one part for a text without any).
std::vector<std::u16string> SplitText(const std::u16string& text, char16_t separator);
// Equal when only the case of the letters a to z differs.
bool AsciiEqualNoCase(const std::u16string& a, const std::u16string& b);

}  // namespace refhost
