// What refhost reads from a plug-in's file: the header's verdict and the
// names of the entry point's look-alikes, on images made here byte by byte.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "PluginImage.h"

namespace refhost {
namespace {

// A minimal PE image: one section at RVA 0x1000 (file offset 0x200) holding
// the export directory, the import descriptors and every name.
struct ImageLayout {
  std::uint16_t machine = 0x14C;
  bool pe32Plus = false;
  bool dll = true;
  std::vector<std::string> exports;
  std::vector<std::string> imports;
};

class Builder {
 public:
  std::vector<unsigned char> bytes = std::vector<unsigned char>(0x1200, 0);
  void U16(std::size_t at, std::uint16_t v) {
    bytes[at] = static_cast<unsigned char>(v);
    bytes[at + 1] = static_cast<unsigned char>(v >> 8);
  }
  void U32(std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<unsigned char>(v >> (8 * i));
  }
  std::uint32_t Text(const std::string& s) {  // the name's RVA
    std::uint32_t rva = next_;
    std::memcpy(&bytes[File(rva)], s.c_str(), s.size() + 1);
    next_ += static_cast<std::uint32_t>(s.size() + 1);
    return rva;
  }
  static std::size_t File(std::uint32_t rva) { return rva - 0x1000 + 0x200; }
  std::uint32_t next_ = 0x1400;
};

std::vector<unsigned char> MakeImage(const ImageLayout& layout) {
  Builder b;
  b.bytes[0] = 'M';
  b.bytes[1] = 'Z';
  b.U32(0x3C, 0x40);
  b.U32(0x40, 0x00004550);
  b.U16(0x44, layout.machine);
  b.U16(0x46, 1);
  std::uint16_t optionalSize = layout.pe32Plus ? 240 : 224;
  b.U16(0x54, optionalSize);
  b.U16(0x56, static_cast<std::uint16_t>(0x0102 | (layout.dll ? 0x2000 : 0)));
  std::size_t opt = 0x58;
  b.U16(opt, layout.pe32Plus ? 0x20B : 0x10B);
  std::size_t dirs = opt + (layout.pe32Plus ? 108 : 92);
  b.U32(dirs, 16);
  std::size_t section = opt + optionalSize;
  std::memcpy(&b.bytes[section], ".data", 5);
  b.U32(section + 8, 0x1000);   // virtual size
  b.U32(section + 12, 0x1000);  // RVA
  b.U32(section + 16, 0x1000);  // raw size
  b.U32(section + 20, 0x200);   // raw offset
  if (!layout.exports.empty()) {
    b.U32(dirs + 4, 0x1000);
    b.U32(dirs + 8, 40);
    b.U32(Builder::File(0x1000) + 24, static_cast<std::uint32_t>(layout.exports.size()));
    b.U32(Builder::File(0x1000) + 32, 0x1100);
    for (std::size_t i = 0; i < layout.exports.size(); ++i) b.U32(Builder::File(0x1100) + 4 * i, b.Text(layout.exports[i]));
  }
  if (!layout.imports.empty()) {
    b.U32(dirs + 12, 0x1200);
    for (std::size_t i = 0; i < layout.imports.size(); ++i)
      b.U32(Builder::File(0x1200) + 20 * i + 12, b.Text(layout.imports[i]));
  }
  return b.bytes;
}

PluginImage Read(const std::vector<unsigned char>& bytes) { return ReadPluginImage(bytes.data(), bytes.size()); }

TEST(PluginImage, AThirtyTwoBitDllWithItsExportsAndImports) {
  PluginImage image =
      Read(MakeImage({0x14C, false, true, {"KarvoPluginRun", "KarvoPluginAnswer"}, {"KARVO.DLL", "msvcrt.dll"}}));
  EXPECT_TRUE(image.Pe);
  EXPECT_TRUE(image.Dll);
  EXPECT_FALSE(image.Pe32Plus);
  EXPECT_EQ(image.Exports, (std::vector<std::string>{"KarvoPluginRun", "KarvoPluginAnswer"}));
  EXPECT_EQ(image.Imports, (std::vector<std::string>{"KARVO.DLL", "msvcrt.dll"}));
  EXPECT_EQ(ImageProblem(image), "");
}

TEST(PluginImage, WhatIsNoPluginRefhostCanLoad) {
  std::vector<unsigned char> text(200, 'x');
  EXPECT_EQ(ImageProblem(Read(text)), "it is not a Windows DLL (no executable header)");
  EXPECT_EQ(ImageProblem(ReadPluginImage(nullptr, 0)), "it is not a Windows DLL (no executable header)");

  std::string x64 = ImageProblem(Read(MakeImage({0x8664, true, true, {}, {}})));
  EXPECT_NE(x64.find("64-bit (x64) DLL"), std::string::npos) << x64;
  EXPECT_NE(x64.find("32-bit x86"), std::string::npos) << x64;
  EXPECT_NE(ImageProblem(Read(MakeImage({0xAA64, true, true, {}, {}}))).find("ARM64 DLL"), std::string::npos);

  std::string program = ImageProblem(Read(MakeImage({0x14C, false, false, {}, {}})));
  EXPECT_EQ(program.rfind("it is a program, not a DLL", 0), 0u) << program;
}

TEST(PluginImage, TheEntryPointsLookAlikesAreNamedWithTheirCure) {
  EXPECT_EQ(EntryPointProblem({"DllMain", "KarvoPluginRun@4"}),
            "exports no KarvoPluginRun; it exports KarvoPluginRun@4: link with -Wl,--kill-at (MinGW) or name the "
            "export in a .def file (MSVC: KarvoPluginRun)");
  EXPECT_NE(EntryPointProblem({"_KarvoPluginRun@4"}).find("it exports _KarvoPluginRun@4: link with"),
            std::string::npos);
  EXPECT_NE(EntryPointProblem({"_KarvoPluginRun"}).find("without the underscore"), std::string::npos);
  EXPECT_NE(EntryPointProblem({"karvopluginrun"}).find("case-sensitive"), std::string::npos);
  EXPECT_EQ(EntryPointProblem({}), "exports no KarvoPluginRun; it exports nothing");
  EXPECT_EQ(EntryPointProblem({"Run", "Start"}), "exports no KarvoPluginRun; its exports are Run, Start");
  std::vector<std::string> many(12, "F");
  EXPECT_NE(EntryPointProblem(many).find("... (12 in all)"), std::string::npos);
  // A name that only starts like the entry point is not taken for it.
  EXPECT_EQ(EntryPointProblem({"KarvoPluginRunner"}), "exports no KarvoPluginRun; its exports are KarvoPluginRunner");
}

// Every prefix of a real image, and images whose offsets point anywhere:
// the reader stays inside the bytes (the sanitizers watch) and finds at
// most what is there.
TEST(PluginImage, TruncatedAndLyingImagesAreReadSafely) {
  std::vector<unsigned char> full = MakeImage({0x14C, false, true, {"KarvoPluginRun"}, {"KARVO.DLL"}});
  for (std::size_t n = 0; n < full.size(); n += 7) {
    std::vector<unsigned char> cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
    PluginImage image = Read(cut);
    EXPECT_LE(image.Exports.size(), 1u);
    if (n < 0x40) EXPECT_FALSE(image.Pe);
  }
  for (std::size_t at : {std::size_t{0x3C}, std::size_t{0x46}, std::size_t{0x54}, std::size_t{0xB8}, std::size_t{0x218},
                         std::size_t{0x220}}) {
    for (std::uint32_t v : {0u, 1u, 0x7FFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFF0u}) {
      std::vector<unsigned char> bad = full;
      for (int i = 0; i < 4; ++i) bad[at + i] = static_cast<unsigned char>(v >> (8 * i));
      PluginImage image = Read(bad);
      EXPECT_LE(image.Exports.size(), 4096u);
    }
  }
  // A name that runs to the end of the file is no name.
  std::vector<unsigned char> open = full;
  std::fill(open.begin() + 0x600, open.end(), 'A');
  EXPECT_TRUE(Read(open).Exports.empty());
}

}  // namespace
}  // namespace refhost
