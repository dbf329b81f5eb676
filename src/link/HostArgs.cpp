#include "link/HostArgs.h"

namespace karvo {

std::u16string JoinHostArgs(std::initializer_list<std::u16string_view> args) {
  std::u16string out;
  bool first = true;
  for (std::u16string_view a : args) {
    if (!first) out += kHostArgSeparator;
    out += a;
    first = false;
  }
  return out;
}

}  // namespace karvo
