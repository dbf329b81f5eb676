// SQL on refhost's two SQLite databases: statements, query answers, opened
// queries (data-source objects of refhost's object model) and their export.
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>

#include "RefHostService.h"
#include "SqlDataSet.h"

namespace refhost {

namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

std::unique_ptr<Database>& Ordinary() {
  static std::unique_ptr<Database> db;
  return db;
}
std::unique_ptr<Database>& System() {
  static std::unique_ptr<Database> db;
  return db;
}

// The reply code 250 with the host's message.
void CodeWithMessage(ReplyWriter& out, const std::u16string& message) {
  out.Verdict(false, message);
  out.Code(KARVO_REPLY_MESSAGE);
}

bool Fits(const std::u16string& text) { return text.size() <= KARVO_TEXT_UNITS; }
const char16_t kNoDatabase[] = u"Baza danych nie jest otwarta";
const char16_t kTooLong[] = u"Odpowiedź nie mieści się w bloku (ponad 16382 znaki)";

// Rows of the answer to GET_FROM_QUERY_SQL: values joined by ";", rows by
// CR LF, no field names.
void ServeGetFrom(const std::unique_ptr<Database>& db, const KarvoRequest& r, ReplyWriter& out) {
  Lock l(ObjectsLock());
  if (!db) return out.Verdict(false, kNoDatabase);
  try {
    SqlDataSet ds(*db, RequestText(r.SQL), false);
    std::u16string answer;
    bool firstRow = true;
    for (bool more = ds.First() && !ds.Eof(); more; more = ds.Next() && !ds.Eof()) {
      if (!firstRow) answer += u"\r\n";
      firstRow = false;
      for (std::size_t f = 0; f < ds.Fields().size(); ++f) {
        if (f > 0) answer += u';';
        answer += ds.Value(static_cast<int>(f));
      }
      if (!Fits(answer)) return out.Verdict(false, kTooLong);
    }
    out.Verdict(true, answer);
  } catch (const SqlError& e) {
    out.Verdict(false, e.Message);
  }
}

void ServeOpen(const std::unique_ptr<Database>& db, const KarvoRequest& r, ReplyWriter& out) {
  Lock l(ObjectsLock());
  if (!db) return out.Verdict(false, kNoDatabase);
  std::u16string sql = RequestText(r.SQL);
  bool forwardOnly = sql.rfind(kForwardOnlyMark, 0) == 0;
  try {
    auto src = new DataSource(std::make_unique<SqlDataSet>(*db, sql, forwardOnly));
    out.Verdict(true, u"");
    out.Pointer(src->Handle());
  } catch (const SqlError& e) {
    out.Verdict(false, e.Message);
  }
}

std::int64_t Number(const std::u16string& s, std::size_t& at, bool& ok) {
  std::int64_t v = 0;
  bool neg = at < s.size() && s[at] == u'-';
  if (neg) ++at;
  std::size_t digits = 0;
  for (; at < s.size() && s[at] >= u'0' && s[at] <= u'9' && digits < 12; ++at, ++digits) v = v * 10 + (s[at] - u'0');
  ok = ok && digits > 0;
  return neg ? -v : v;
}

// The export on the host's side, by the same rules as the library's own,
// with the text in UTF-16 and its messages as the reply's.
void ServeCsv(const KarvoRequest& r, ReplyWriter& out) {
  Lock l(ObjectsLock());
  std::u16string args = RequestText(r.Data);
  std::size_t at = 0;
  bool ok = true;
  std::int64_t start = Number(args, at, ok);
  ok = ok && at < args.size() && args[at++] == u';';
  std::int64_t count = Number(args, at, ok);
  ok = ok && at < args.size() && args[at++] == u';';
  std::int64_t header = Number(args, at, ok);
  if (!ok || at != args.size()) return out.Verdict(false, u"Niepoprawne parametry eksportu: " + args);

  DataSource* src = Find<DataSource>(r.DataPointer);
  SqlDataSet* ds = src ? src->DataSet() : nullptr;
  if (ds == nullptr || !ds->Active()) return out.Verdict(false, u"Nieprawidłowy uchwyt DSHandle!");
  auto cells = [&](bool names) {
    std::u16string line;
    for (std::size_t f = 0; f < ds->Fields().size(); ++f)
      line += u"\"" + (names ? ds->Fields()[f] : ds->Value(static_cast<int>(f))) + u"\";";
    return line;
  };
  ds->DisableControls();
  struct On {
    SqlDataSet* ds;
    ~On() { ds->EnableControls(); }
  } on{ds};
  if (!ds->First()) return out.Verdict(false, u"Nie można przejść do pierwszego rekordu");
  std::u16string text = header == 1 ? cells(true) : u"";
  if (start != 0) {
    if (!ds->Last()) return out.Verdict(false, u"Zbiór danych tylko do odczytu w przód");
    if (ds->RecNo() < start) return out.Verdict(false, u"Pozycja początkowa jest większa niż ilość wierszy!");
    if (!ds->SetRecNo(static_cast<int>(start))) return out.Verdict(false, u"Niepoprawny numer rekordu");
  }
  std::int64_t last = ds->RecNo() + count - 1;
  while (!ds->Eof() && ds->RecNo() <= last) {
    text += u"\n\r" + cells(false);
    if (!Fits(text)) return out.Verdict(false, kTooLong);
    ds->Next();
  }
  out.Verdict(true, text);
}

Registration executeSql(KARVO_CMD_EXECUTE_SQL, [](const KarvoRequest& r, ReplyWriter& out) {
  Lock l(ObjectsLock());
  std::u16string message;
  if (!Ordinary()) return CodeWithMessage(out, kNoDatabase);
  if (Ordinary()->Execute(RequestText(r.SQL), message))
    out.Code(KARVO_REPLY_SUCCESS);
  else
    CodeWithMessage(out, message);
});

Registration getFrom(KARVO_CMD_GET_FROM_QUERY_SQL,
                     [](const KarvoRequest& r, ReplyWriter& out) { ServeGetFrom(Ordinary(), r, out); });
Registration getFromSys(KARVO_CMD_GET_FROM_SYS_QUERY_SQL,
                        [](const KarvoRequest& r, ReplyWriter& out) { ServeGetFrom(System(), r, out); });
Registration open(KARVO_CMD_OPEN_QUERY_SQL,
                  [](const KarvoRequest& r, ReplyWriter& out) { ServeOpen(Ordinary(), r, out); });
Registration openSys(KARVO_CMD_OPEN_SYS_QUERY_SQL,
                     [](const KarvoRequest& r, ReplyWriter& out) { ServeOpen(System(), r, out); });

Registration closeQuery(KARVO_CMD_CLOSE_QUERY_SQL, [](const KarvoRequest& r, ReplyWriter& out) {
  Lock l(ObjectsLock());
  DataSource* src = Find<DataSource>(r.DataPointer);
  if (src == nullptr) return CodeWithMessage(out, u"Nieznany uchwyt zapytania");
  delete src;
  out.Code(KARVO_REPLY_SUCCESS);
});

Registration csv(KARVO_CMD_GET_CSV_QUERY_SQL, [](const KarvoRequest& r, ReplyWriter& out) { ServeCsv(r, out); });

}  // namespace

void OpenDatabases(const std::u16string& dir) {
  Lock l(ObjectsLock());
  Ordinary() = std::make_unique<Database>(dir + u"\\karvo.db", kSampleSchemaSql);
  System() = std::make_unique<Database>(dir + u"\\karvo_sys.db", kSampleSystemSchemaSql);
}

Database& OrdinaryDatabase() { return *Ordinary(); }
Database& SystemDatabase() { return *System(); }

}  // namespace refhost
