// What refhost reads from a plug-in's file before and after it tries to
// load it, so that a failed load names its cause: not a Windows DLL, the
// wrong machine, a program instead of a library, a decorated or missing
// entry point, a missing DLL it imports. Portable: it reads bytes only, and
// every offset in the file is checked before it is followed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace refhost {

struct PluginImage {
  bool Pe = false;                   // an MZ header that leads to a PE header
  std::uint16_t Machine = 0;         // IMAGE_FILE_MACHINE_...: 0x14C x86, 0x8664 x64, 0xAA64 ARM64
  bool Pe32Plus = false;             // a 64-bit optional header
  bool Dll = false;                  // IMAGE_FILE_DLL
  std::vector<std::string> Exports;  // exported names, as the export table lists them
  std::vector<std::string> Imports;  // names of the DLLs it imports
};

// Reads what it can; a field it cannot reach keeps its default.
PluginImage ReadPluginImage(const unsigned char* data, std::size_t size);

// The plug-in's entry point as refhost looks it up.
inline constexpr char kEntryPointName[] = "KarvoPluginRun";
// The optional export that hands refhost the answered call document.
inline constexpr char kAnswerName[] = "KarvoPluginAnswer";

// Why a file is no plug-in refhost can load, from its header alone ("" when
// the header is a 32-bit x86 DLL). English, for the author.
std::string ImageProblem(const PluginImage& image);

// Why the entry point is missing, from the exported names: a decorated
// KarvoPluginRun@4, a leading underscore, other letter case, or what the
// DLL exports instead. Reads after the plug-in's name ("X exports no ...").
std::string EntryPointProblem(const std::vector<std::string>& exports);

}  // namespace refhost
