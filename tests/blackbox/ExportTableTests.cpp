// The DLL's export table against the export list.
#include <set>
#include <string>

#include "Plugin.h"
#include "karvo_export_names.h"

namespace karvo::test {
namespace {

std::set<std::string> ExportedNames(HMODULE m) {
  std::set<std::string> names;
  auto base = reinterpret_cast<const unsigned char*>(m);
  auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  auto nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  auto exp = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
  auto nameRvas = reinterpret_cast<const DWORD*>(base + exp->AddressOfNames);
  for (DWORD i = 0; i < exp->NumberOfNames; ++i) names.insert(reinterpret_cast<const char*>(base + nameRvas[i]));
  return names;
}

TEST(ExportTable, EveryExportIsThereByItsUndecoratedNameAndNothingElse) {
  Plugin p;
  ASSERT_TRUE(p.Loaded());
  std::set<std::string> exported = ExportedNames(p.Module());
  std::set<std::string> expected;
  for (const KarvoExportName& e : kKarvoExports) {
    expected.insert(e.name);
    EXPECT_NE(::GetProcAddress(p.Module(), e.name), nullptr) << e.name;
  }
  EXPECT_EQ(exported, expected);
  for (const std::string& n : exported) EXPECT_EQ(n.find('@'), std::string::npos) << n;
}

TEST(ExportTable, VersionResourceNamesKarvoDll140) {
  Plugin p;
  ASSERT_TRUE(p.Loaded());
  wchar_t path[MAX_PATH];
  ASSERT_GT(::GetModuleFileNameW(p.Module(), path, MAX_PATH), 0u);
  DWORD ignored = 0;
  DWORD size = ::GetFileVersionInfoSizeW(path, &ignored);
  ASSERT_GT(size, 0u);
  std::string info(size, '\0');
  ASSERT_TRUE(::GetFileVersionInfoW(path, 0, size, &info[0]));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT len = 0;
  ASSERT_TRUE(::VerQueryValueW(&info[0], L"\\", reinterpret_cast<void**>(&fixed), &len));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010004u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010004u);
  wchar_t* name = nullptr;
  ASSERT_TRUE(::VerQueryValueW(&info[0], L"\\StringFileInfo\\041504E2\\OriginalFilename",
                               reinterpret_cast<void**>(&name), &len));
  EXPECT_STREQ(name, L"KARVO.DLL");
}

}  // namespace
}  // namespace karvo::test
