// refhost reads every plug-in file it is given before it loads it: any
// bytes must be read inside their bounds, and whatever names come out must
// be printable, bounded and found in the input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "PluginImage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  refhost::PluginImage image = refhost::ReadPluginImage(data, size);
  std::string input(reinterpret_cast<const char*>(data), size);
  for (const auto* names : {&image.Exports, &image.Imports}) {
    if (names->size() > 4096) std::abort();
    for (const std::string& n : *names) {
      if (n.empty() || n.size() > 512 || input.find(n + '\0') == std::string::npos) std::abort();
      for (char c : n)
        if (c < 0x20 || c > 0x7E) std::abort();
    }
  }
  if (!image.Pe && (!image.Exports.empty() || image.Imports.size() != 0)) std::abort();
  (void)refhost::ImageProblem(image);
  (void)refhost::EntryPointProblem(image.Exports);
  return 0;
}
