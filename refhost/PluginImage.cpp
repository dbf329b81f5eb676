#include "PluginImage.h"

#include <algorithm>

namespace refhost {

namespace {

// Bounds for what a hostile file can make the reader do.
constexpr std::size_t kMaxNames = 4096;
constexpr std::size_t kMaxNameBytes = 512;
constexpr std::size_t kMaxSections = 96;

class Bytes {
 public:
  Bytes(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}
  bool Has(std::uint64_t at, std::uint64_t n) const { return at <= size_ && n <= size_ - at; }
  std::uint16_t U16(std::uint64_t at) const {
    return Has(at, 2) ? static_cast<std::uint16_t>(data_[at] | data_[at + 1] << 8) : 0;
  }
  std::uint32_t U32(std::uint64_t at) const {
    if (!Has(at, 4)) return 0;
    return static_cast<std::uint32_t>(data_[at]) | static_cast<std::uint32_t>(data_[at + 1]) << 8 |
           static_cast<std::uint32_t>(data_[at + 2]) << 16 | static_cast<std::uint32_t>(data_[at + 3]) << 24;
  }
  // A NUL-terminated name of printable bytes; empty when it runs off the
  // file, is too long or holds anything else.
  std::string Name(std::uint64_t at) const {
    std::string s;
    for (std::uint64_t i = at; Has(i, 1) && s.size() < kMaxNameBytes; ++i) {
      unsigned char c = data_[i];
      if (c == 0) return s;
      if (c < 0x20 || c > 0x7E) return {};
      s += static_cast<char>(c);
    }
    return {};
  }

 private:
  const unsigned char* data_;
  std::size_t size_;
};

struct Section {
  std::uint32_t va, virtualSize, rawSize, rawAt;
};

// The file offset of an RVA, or -1 when no section holds it in the file.
std::int64_t Offset(const std::vector<Section>& sections, std::uint32_t rva) {
  for (const Section& s : sections) {
    std::uint64_t span = std::max(s.virtualSize, s.rawSize);
    if (rva >= s.va && rva - s.va < span && rva - s.va < s.rawSize)
      return static_cast<std::int64_t>(s.rawAt) + (rva - s.va);
  }
  return -1;
}

std::vector<std::string> ExportNames(const Bytes& b, const std::vector<Section>& sections, std::uint32_t dirRva) {
  std::vector<std::string> names;
  std::int64_t dir = Offset(sections, dirRva);
  if (dirRva == 0 || dir < 0 || !b.Has(static_cast<std::uint64_t>(dir), 40)) return names;
  std::uint32_t count = std::min<std::uint32_t>(b.U32(dir + 24), kMaxNames);
  std::int64_t table = Offset(sections, b.U32(dir + 32));
  if (table < 0) return names;
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint64_t slot = static_cast<std::uint64_t>(table) + 4ull * i;
    if (!b.Has(slot, 4)) break;
    std::int64_t at = Offset(sections, b.U32(slot));
    std::string name = at < 0 ? std::string() : b.Name(static_cast<std::uint64_t>(at));
    if (!name.empty()) names.push_back(name);
  }
  return names;
}

std::vector<std::string> ImportNames(const Bytes& b, const std::vector<Section>& sections, std::uint32_t dirRva) {
  std::vector<std::string> names;
  std::int64_t dir = Offset(sections, dirRva);
  if (dirRva == 0 || dir < 0) return names;
  for (std::size_t i = 0; i < kMaxNames; ++i) {
    std::uint64_t d = static_cast<std::uint64_t>(dir) + 20ull * i;
    if (!b.Has(d, 20)) break;
    std::uint32_t nameRva = b.U32(d + 12);
    if (nameRva == 0) break;  // the descriptor that ends the table
    std::int64_t at = Offset(sections, nameRva);
    std::string name = at < 0 ? std::string() : b.Name(static_cast<std::uint64_t>(at));
    if (!name.empty()) names.push_back(name);
  }
  return names;
}

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return s;
}

}  // namespace

PluginImage ReadPluginImage(const unsigned char* data, std::size_t size) {
  PluginImage image;
  Bytes b(data, size);
  if (data == nullptr || !b.Has(0, 0x40) || data[0] != 'M' || data[1] != 'Z') return image;
  std::uint64_t pe = b.U32(0x3C);
  if (!b.Has(pe, 24) || b.U32(pe) != 0x00004550) return image;  // "PE\0\0"
  image.Pe = true;
  image.Machine = b.U16(pe + 4);
  std::uint16_t sectionCount = std::min<std::uint16_t>(b.U16(pe + 6), kMaxSections);
  std::uint16_t optionalSize = b.U16(pe + 20);
  image.Dll = (b.U16(pe + 22) & 0x2000) != 0;
  std::uint64_t opt = pe + 24;
  std::uint16_t magic = b.U16(opt);
  image.Pe32Plus = magic == 0x20B;
  if (magic != 0x10B && magic != 0x20B) return image;

  std::vector<Section> sections;
  std::uint64_t table = opt + optionalSize;
  for (std::uint16_t i = 0; i < sectionCount; ++i) {
    std::uint64_t s = table + 40ull * i;
    if (!b.Has(s, 40)) break;
    sections.push_back({b.U32(s + 12), b.U32(s + 8), b.U32(s + 16), b.U32(s + 20)});
  }
  // The data directories follow the fixed part of the optional header; an
  // entry counts only when the header says it has one.
  std::uint64_t countAt = opt + (image.Pe32Plus ? 108 : 92);
  std::uint32_t directories = b.U32(countAt);
  auto directory = [&](std::uint32_t index) -> std::uint32_t {
    std::uint64_t at = countAt + 4 + 8ull * index;
    if (index >= directories || at + 8 > table) return 0;
    return b.U32(at);
  };
  image.Exports = ExportNames(b, sections, directory(0));
  image.Imports = ImportNames(b, sections, directory(1));
  return image;
}

std::string ImageProblem(const PluginImage& image) {
  if (!image.Pe) return "it is not a Windows DLL (no executable header)";
  if (image.Machine != 0x14C) {
    std::string what = image.Machine == 0x8664   ? "a 64-bit (x64)"
                       : image.Machine == 0xAA64 ? "an ARM64"
                       : image.Pe32Plus          ? "a 64-bit"
                                                 : "a non-x86";
    return "it is " + what + " " + (image.Dll ? "DLL" : "program") +
           "; refhost and KARVO.DLL are 32-bit x86: build the plug-in for 32-bit x86 (i686)";
  }
  if (!image.Dll) return "it is a program, not a DLL: build the plug-in as a DLL (-shared, /LD, library)";
  return {};
}

std::string EntryPointProblem(const std::vector<std::string>& exports) {
  const std::string want = kEntryPointName;
  const std::string head = "exports no " + want + "; ";
  for (const std::string& name : exports) {
    std::string bare = name;
    bool underscore = !bare.empty() && bare[0] == '_';
    if (underscore) bare.erase(0, 1);
    std::size_t at = bare.find('@');
    bool decorated = at != std::string::npos;
    if (decorated) bare.erase(at);
    if (bare == want && decorated)
      return head + "it exports " + name +
             ": link with -Wl,--kill-at (MinGW) or name the export in a .def file (MSVC: " + want + ")";
    if (bare == want && underscore)
      return head + "it exports " + name +
             ": export it without the underscore (a .def file, or extern \"C\" "
             "__stdcall with --kill-at)";
    if (Lower(bare) == Lower(want))
      return head + "it exports " + name + ": export names are case-sensitive, name it " + want;
  }
  if (exports.empty()) return head + "it exports nothing";
  std::string list;
  for (std::size_t i = 0; i < exports.size() && i < 8; ++i) list += (i ? ", " : "") + exports[i];
  if (exports.size() > 8) list += ", ... (" + std::to_string(exports.size()) + " in all)";
  return head + "its exports are " + list;
}

}  // namespace refhost
