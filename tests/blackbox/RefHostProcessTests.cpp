// refhost serving from a second process, on its real SQLite databases: the
// requests work, the cursor exports fail cleanly (no object model reaches
// another process) and GetCSVQuerySQL falls back to the host request.
#include <climits>
#include <fstream>
#include <sstream>

#include "Plugin.h"

namespace karvo::test {
namespace {

class RefHostProcess : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, tmp);
    dir_ = std::string(tmp) + "karvo-refhost-" + std::to_string(::GetCurrentProcessId());
    ::CreateDirectoryA(dir_.c_str(), nullptr);
    apiFile_ = dir_ + "\\api.txt";
    stopFile_ = dir_ + "\\stop";
    ::DeleteFileA(apiFile_.c_str());
    ::DeleteFileA(stopFile_.c_str());
    std::string cmd = "refhost.exe --data \"" + dir_ + "\" --serve \"" + apiFile_ + "\" \"" + stopFile_ + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    ASSERT_TRUE(::CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_));
    for (int i = 0; i < 1000 && api_.empty(); ++i) {
      ::Sleep(20);
      std::ifstream f(apiFile_);
      std::getline(f, api_);
    }
    ASSERT_FALSE(api_.empty()) << "refhost did not start";
    ASSERT_EQ(KARVO_FN(p, OpenAPI)(api_.c_str()), 1);
  }
  void TearDown() override {
    std::ofstream(stopFile_).put('x');
    if (pi_.hProcess != nullptr) {
      EXPECT_EQ(::WaitForSingleObject(pi_.hProcess, 20000), WAIT_OBJECT_0);
      DWORD code = 99;
      ::GetExitCodeProcess(pi_.hProcess, &code);
      EXPECT_EQ(code, 0u);
      ::CloseHandle(pi_.hProcess);
      ::CloseHandle(pi_.hThread);
    }
    for (const char* f : {"karvo.db", "karvo_sys.db", "api.txt", "stop"}) ::DeleteFileA((dir_ + "\\" + f).c_str());
    ::RemoveDirectoryA(dir_.c_str());
  }
  std::string Text(const char* p) { return p ? p : "<null>"; }

  Plugin p;
  PROCESS_INFORMATION pi_ = {};
  std::string dir_, apiFile_, stopFile_, api_;
};

TEST_F(RefHostProcess, StatementsQueriesAndTheirAnswers) {
  auto exec = KARVO_FN(p, ExecuteSQL);
  auto get = KARVO_FN(p, GetFromQuerySQL);
  EXPECT_EQ(exec(Ansi(u"INSERT INTO TOWARY VALUES (7, 'Miód wielokwiatowy', 'szt.', 24.9, 12)").c_str(), 0), 1);
  EXPECT_EQ(Text(get("SELECT ID, NAZWA FROM TOWARY WHERE ID >= 6 ORDER BY ID", 0)),
            Ansi(u"6;Żurek śląski w butelce\r\n7;Miód wielokwiatowy"));
  EXPECT_EQ(Text(get("SELECT LOGIN FROM UZYTKOWNICY WHERE ID = 2", 1)), "mkowalska") << "the system database";
  EXPECT_EQ(Text(get("SELECT LOGIN FROM UZYTKOWNICY", 0)), "<null>") << "not in the ordinary one";
  EXPECT_EQ(p.LastError(), u"no such table: UZYTKOWNICY");
  EXPECT_EQ(Text(get("SELECT 1 WHERE 0", 0)), "<null>");
  EXPECT_EQ(p.LastError(), u"");

  EXPECT_EQ(exec("UPDATE TOWARY SET CENA = 'x' WHERE", 0), 250) << "SQL the database rejects";
  EXPECT_NE(p.LastError(), u"");
  EXPECT_EQ(exec("DELETE FROM TOWARY WHERE ID = 7", 0), 1) << "and the host still serves";
  EXPECT_EQ(KARVO_FN(p, OpenQuerySQL)("SELECT * FROM NIC", 1), nullptr);
  EXPECT_EQ(p.LastError(), u"no such table: NIC");
}

TEST_F(RefHostProcess, CursorFailsCleanlyAndTheExportAsksTheHost) {
  KARVO_HANDLE q = KARVO_FN(p, OpenQuerySQL)("SELECT ID, NAZWA, MIASTO FROM KONTRAHENCI ORDER BY ID", 0);
  ASSERT_NE(q, nullptr);
  EXPECT_EQ(KARVO_FN(p, FirstSQL)(q), 0);
  EXPECT_EQ(p.LastError(), u"Niepoprawne źródło danych!");
  EXPECT_EQ(KARVO_FN(p, EofSQL)(q), 1);
  EXPECT_EQ(KARVO_FN(p, FieldByNameSQL)(q, "NAZWA"), nullptr);

  auto csv = KARVO_FN(p, GetCSVQuerySQL);
  EXPECT_EQ(Text(csv(q, 4, 5, 1)),
            Ansi(u"\"ID\";\"NAZWA\";\"MIASTO\";\n\r\"4\";\"Świętokrzyskie Młyny S.A.\";\"Kielce\";"
                 u"\n\r\"5\";\"Źródło Wód Mineralnych Bąk i Syn\";\"Szczawnica\";"));
  EXPECT_EQ(p.LastError(), u"");
  EXPECT_EQ(Text(csv(q, 3, 1, 0)), Ansi(u"\n\r\"3\";\"Hurtownia Spożywcza \"Pod Kłosem\"; oddział 2\";\"Kraków\";"));
  EXPECT_EQ(Text(csv(q, INT_MAX, 1, 0)), "<null>");
  EXPECT_EQ(p.LastError(), u"Pozycja początkowa jest większa niż ilość wierszy!");
  EXPECT_EQ(Text(csv(q, -1, INT_MIN, 0)), "<null>");
  EXPECT_NE(p.LastError(), u"");
  EXPECT_EQ(Text(csv(reinterpret_cast<KARVO_HANDLE>(0x1234), 0, 1, 1)), "<null>") << "a number no object has";
  EXPECT_EQ(p.LastError(), u"Nieprawidłowy uchwyt DSHandle!");

  KARVO_HANDLE fwd = KARVO_FN(p, OpenQuerySQL)("/*FORWARD_ONLY*/ SELECT ID FROM TOWARY ORDER BY ID", 0);
  ASSERT_NE(fwd, nullptr);
  EXPECT_EQ(Text(csv(fwd, 0, 2, 0)), "\n\r\"1\";\n\r\"2\";");
  EXPECT_EQ(Text(csv(fwd, 2, 1, 0)), "<null>") << "forward-only cannot count from the end";

  EXPECT_EQ(KARVO_FN(p, CloseQuerySQL)(q), 1);
  EXPECT_EQ(KARVO_FN(p, CloseQuerySQL)(q), 250) << "closed already";
  EXPECT_EQ(Text(csv(q, 0, 1, 1)), "<null>");
  EXPECT_EQ(p.LastError(), u"Nieprawidłowy uchwyt DSHandle!");
  EXPECT_EQ(KARVO_FN(p, CloseQuerySQL)(fwd), 1);
}

}  // namespace
}  // namespace karvo::test
