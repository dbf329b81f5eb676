#include "ExportCalls.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "conversions/TextForms.h"
#include "host/ObjectModel.h"
#include "link/AnsiStrings.h"
#include "link/ApiError.h"
#include "link/ProcessState.h"
#include "messages/Messages.h"
#include "uKARVO/Exports.h"

namespace karvo::test {

namespace {

// The conversions of the loop's own bookkeeping go straight to the
// platform: they are no part of what is counted.
std::u16string Decode(const char* bytes, int n, UINT cp) {
  if (bytes == nullptr || n <= 0) return {};
  int need = ::MultiByteToWideChar(cp, 0, bytes, n, nullptr, 0);
  std::u16string out(static_cast<std::size_t>(need), u'\0');
  ::MultiByteToWideChar(cp, 0, bytes, n, reinterpret_cast<wchar_t*>(out.data()), need);
  return out;
}

std::string Encode(const std::u16string& text, UINT cp) {
  if (text.empty()) return {};
  auto wide = reinterpret_cast<const wchar_t*>(text.data());
  int n = static_cast<int>(text.size());
  int need = ::WideCharToMultiByte(cp, 0, wide, n, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(need), '\0');
  ::WideCharToMultiByte(cp, 0, wide, n, out.data(), need, nullptr, nullptr);
  return out;
}

using Msgs = std::vector<std::u16string>;

constexpr KarvoHandle kForm = 0x1000, kEvents = 0x1100, kPanel = 0x2000, kButton = 0x2002, kMainMenu = 0x3000,
                      kRoot = 0x3001, kNew = 0x3003, kBitmap = 0x4000, kAction = 0x5000, kQueryHandle = 0x7000,
                      kNewControl = 0x2100;
constexpr unsigned kRefresh = 0x7001;
constexpr int kScript = 17;

KARVO_HANDLE H(KarvoHandle h) { return reinterpret_cast<KARVO_HANDLE>(static_cast<std::uintptr_t>(h)); }

Msgs With(Msgs family, bool requests) {
  if (requests) family.insert(family.end(), CycleMessages().begin(), CycleMessages().end());
  return family;
}

TestProperty Prop(std::u16string name, unsigned kind, std::u16string type) {
  TestProperty p;
  p.Name = std::move(name);
  p.Kind = kind;
  p.TypeName = std::move(type);
  return p;
}

// The objects of the host-object exports, and a host that answers every
// request the exports make as the direct work would have come out.
void Objects(Env& e) {
  TestObjectModel& m = *e.objects;
  TestProperty caption = Prop(u"Caption", KARVO_tkUString, u"TCaption");
  caption.Text = u"Okno g\u0142\u00f3wne";
  TestProperty left = Prop(u"Left", KARVO_tkInteger, u"Integer");
  left.Bits = 5;
  TestProperty ratio = Prop(u"Ratio", KARVO_tkFloat, u"Double");
  ratio.Float = 1.5;
  TestProperty value = Prop(u"Warto\u015b\u0107", KARVO_tkInteger, u"Integer");  // sorted by the platform
  value.Bits = 7;
  TestProperty onClick = Prop(u"OnClick", KARVO_tkMethod, u"TNotifyEvent");
  onClick.Method = {kRefresh, kAction};
  // "Łącze" sorts before "Zakres" only by the platform's comparison.
  m.Add(kForm,
        MakeObject(u"TForm", u"Form1",
                   {caption, Prop(u"Zakres", KARVO_tkSet, u"TZakres"), left, ratio, value,
                    Prop(u"\u0141\u0105cze", KARVO_tkSet, u"TLacze"), Prop(u"Hint", KARVO_tkVariant, u"Variant")}));
  // Its number is the address of the library's copy of the pair, which no
  // two runs share: it has an object of its own.
  m.Add(kEvents, MakeObject(u"TForm", u"Form2", {onClick}));
  m.Add(0x2001, MakeObject(u"TLabel", u"lbl1"));
  m.Add(kButton, MakeObject(u"TButton", u"Button1"));
  m.Add(kPanel, MakeObject(u"TPanel", u"Panel1", {}, {0x2001, kButton}));
  TestObject menu = MakeObject(u"TMainMenu", u"MainMenu1");
  menu.RootItem = kRoot;
  m.Add(kMainMenu, menu);
  m.Add(kRoot, MakeObject(u"TMenuItem", u""));
  m.Add(kNew, MakeObject(u"TMenuItem", u"New1"));
  TestObject bitmap = MakeObject(u"TBitmap", u"");
  bitmap.Loadable = {u"LOGO", u"#101"};
  m.Add(kBitmap, bitmap);
  TestObject action = MakeObject(u"TAction", u"actSave");
  action.ActionResult = true;
  action.Methods = {{"Refresh", kRefresh}};
  m.Add(kAction, action);
  m.Code[kRefresh] = [](unsigned data) { return data == kAction; };
  host::InstallObjectModel(m.Table());
}

Answer HostAnswer(Env& e, const SeenRequest& r) {
  const std::string& c = r.Command;
  if (c == "EXECUTE_SQL" || c == "CLOSE_QUERY_SQL") return Answer::Code(1);
  if (c == "GET_FROM_QUERY_SQL" || c == "GET_FROM_SYS_QUERY_SQL")
    return Answer::Verdict(true, u"1;Kowalski\r\n2;\u017b\u00f3\u0142w");
  if (c == "OPEN_QUERY_SQL" || c == "OPEN_SYS_QUERY_SQL") return Answer::VerdictWithPointer(true, u"", kQueryHandle);
  if (c == "GET_CSV_QUERY_SQL") return Answer::Verdict(true, e.clean);
  if (c == "ADD_CONTROL") return Answer::VerdictWithPointer(true, u"", kNewControl);
  if (c == "CLONE_CONTENER") return Answer::Verdict(true, u"");
  if (c != "_PROC_") return Answer::Verdict(false, u"nieznane polecenie");
  const std::u16string& proc = r.SQL;
  if (proc == u"CreateScript") return Answer::Verdict(true, u"17");
  if (proc == u"GetScriptVariant") return Answer::Verdict(true, u"warto\u015b\u0107");
  if (proc == u"GetPropertyList" || proc == u"GetControlsList") return Answer::Verdict(true, e.clean);
  if (proc == u"GetProperty") return Answer::Verdict(true, u"Okno g\u0142\u00f3wne");
  if (proc == u"GetControl") return Answer::Verdict(true, u"8194");
  return Answer::Verdict(true, u"");
}

void Standard(Env& e) {
  e.host.handler = [&e](const SeenRequest& r) { return HostAnswer(e, r); };
  Objects(e);
}

void DataSets(Env& e) {
  e.host.handler = [&e](const SeenRequest& r) { return HostAnswer(e, r); };
  e.query = e.data->AddQuery(FakeDataModel::Generated(3, 4));
  host::InstallObjectModel(e.data->Table());
}

Scenario S(std::string name, Msgs failures, std::function<Outcome(Env&)> call,
           std::function<void(Env&)> prepare = Standard) {
  Scenario s;
  s.name = std::move(name);
  s.failures = std::move(failures);
  s.call = std::move(call);
  s.prepare = std::move(prepare);
  return s;
}

std::u16string CallDocument() {
  std::u16string sep(1, DecimalSeparator());
  return u"<?xml version=\"1.0\"?>\r\n<PROCEDURE NAME=\"Oblicz\">"
         u"<DATAIN NAME=\"Ilo\u015b\u0107\"><TYPE>INTEGER</TYPE><VALUE>42</VALUE></DATAIN>"
         u"<DATAIN NAME=\"Kiedy\"><TYPE>DATE</TYPE><VALUE>2024-03-15</VALUE></DATAIN>"
         u"<DATAIN NAME=\"Opis\"><TYPE>STRING</TYPE><VALUE>za\u017c\u00f3\u0142\u0107 &amp; "
         u"g\u0119\u015bl\u0105</VALUE></DATAIN>"
         u"<DATAOUT NAME=\"Suma\"><TYPE>DOUBLE</TYPE><VALUE>1" +
         sep +
         u"5</VALUE></DATAOUT>"
         u"<DATAOUT NAME=\"Du\u017co\"><TYPE>INT64</TYPE><VALUE>9000000000</VALUE></DATAOUT>"
         u"<OKNO><WINDOW NAME=\"Zam\u00f3wienia\"/></OKNO>"
         u"</PROCEDURE>";
}
std::u16string WindowDocument() { return u"<WINDOW><NAME>Faktura \u0105</NAME><DATAIN NAME=\"a\"/></WINDOW>"; }

// Exports that report a failed host call by a message of their own report
// code 254 by it as well.
std::vector<Scenario> OwnMessagesStandForNoReply(std::vector<Scenario> all) {
  for (Scenario& s : all)
    for (const std::u16string& m : s.failures)
      if (std::find(CycleMessages().begin(), CycleMessages().end(), m) == CycleMessages().end())
        s.noReplyAs.push_back(m);
  return all;
}

// A call whose success leaves a message.
Scenario WithMessage(Scenario s) {
  s.cleanMessage = true;
  return s;
}

VARIANT Var(VARTYPE vt) {
  VARIANT v;
  ::VariantInit(&v);
  v.vt = vt;
  return v;
}

ExportFamily OpeningAndErrors() {
  const Msgs opening = {msg::kInitFailed};
  auto opened = [](unsigned char r) {
    // Open already is open: the message that says so is no failure.
    if (r == 1 && LastAPIError() == msg::kAlreadyInitialized) ClearAPIError();
    return ByteResult(r, r != 1);
  };
  std::vector<Scenario> all = {
      S("OpenAPI", opening,
        [=](Env& e) {
          const std::string handle = Ansi(e.host.ApiHandle());
          unsigned char r = 0;
          e.Armed([&] { r = ::OpenAPI(handle.c_str()); });
          return opened(r);
        }),
      S("OpenAPIA (call document)", opening,
        [=](Env& e) {
          CountedArg doc(u"<PROCEDURE NAME=\"p\"><APIHANDLE>" + e.host.ApiHandle() + u"</APIHANDLE></PROCEDURE>");
          unsigned char r = 0;
          e.Armed([&] { r = ::OpenAPIA(doc.get()); });
          return opened(r);
        }),
      S("OpenAPIW (variable of a call document)", opening,
        [=](Env& e) {
          BstrArg doc(u"<PROCEDURE NAME=\"p\"><DATAIN NAME=\"APIHANDLE\"><TYPE>STRING</TYPE><VALUE>" +
                      e.host.ApiHandle() + u"</VALUE></DATAIN></PROCEDURE>");
          unsigned char r = 0;
          e.Armed([&] { r = ::OpenAPIW(doc.get()); });
          return opened(r);
        }),
  };
  for (Scenario& s : all) s.attached = false;
  auto lastError = [](Env& e) {
    Standard(e);
    SetAPIErrorText(u"B\u0142\u0105d pr\u00f3bny \u017c\u00f3\u0142ty");
  };
  all.push_back(WithMessage(S(
      "GetLastAPIError", {},
      [](Env& e) {
        const char* r = nullptr;
        e.Armed([&] { r = ::GetLastAPIError(); });
        return PlainTextResult(r);
      },
      lastError)));
  all.push_back(WithMessage(S(
      "GetLastAPIErrorA", {},
      [](Env& e) {
        char* r = StaleCountedString();
        e.Armed([&] { ::GetLastAPIErrorA(&r); });
        return CountedStringResult(r);
      },
      lastError)));
  all.push_back(WithMessage(S(
      "GetLastAPIErrorW", {},
      [](Env& e) {
        BSTR r = StaleBstr();
        e.Armed([&] { ::GetLastAPIErrorW(&r); });
        return BstrResult(r);
      },
      lastError)));
  return {"OpeningAndErrors", all};
}

ExportFamily SqlRequests() {
  const Msgs coded = With({msg::kUnexpectedReply}, true);
  const Msgs verdict = With({}, true);
  const std::u16string sql = u"UPDATE KLIENCI SET MIASTO = '\u0141\u00f3d\u017a'";
  return {"SqlRequests",
          {
              S("ExecuteSQL", coded,
                [=](Env& e) {
                  unsigned char r = 0;
                  e.Armed([&] { r = ::ExecuteSQL(Ansi(sql).c_str(), 0); });
                  return ByteResult(r, r != 1);
                }),
              S("ExecuteSQLA", coded,
                [=](Env& e) {
                  CountedArg a(sql);
                  unsigned char r = 0;
                  e.Armed([&] { r = ::ExecuteSQLA(a.get(), 0); });
                  return ByteResult(r, r != 1);
                }),
              S("ExecuteSQLW", coded,
                [=](Env& e) {
                  BstrArg a(sql);
                  unsigned char r = 0;
                  e.Armed([&] { r = ::ExecuteSQLW(a.get(), 0); });
                  return ByteResult(r, r != 1);
                }),
              WithMessage(S("ExecuteSQL on the system database", coded,
                            [=](Env& e) {
                              unsigned char r = 0;
                              e.Armed([&] { r = ::ExecuteSQL(Ansi(sql).c_str(), 1); });
                              // The refusal is the call's defined result.
                              return ByteResult(r, r != 0 || LastAPIError() != msg::kSysDatabaseLocked);
                            })),
              S("GetFromQuerySQL", verdict,
                [=](Env& e) {
                  const char* r = nullptr;
                  e.Armed([&] { r = ::GetFromQuerySQL(Ansi(sql).c_str(), 0); });
                  return PlainTextResult(r);
                }),
              S("GetFromQuerySQLA", verdict,
                [=](Env& e) {
                  CountedArg a(sql);
                  char* r = StaleCountedString();
                  e.Armed([&] { ::GetFromQuerySQLA(&r, a.get(), 1); });
                  return CountedStringResult(r);
                }),
              S("GetFromQuerySQLW", verdict,
                [=](Env& e) {
                  BstrArg a(sql);
                  BSTR r = StaleBstr();
                  e.Armed([&] { ::GetFromQuerySQLW(&r, a.get(), 0); });
                  return BstrResult(r);
                }),
              S("OpenQuerySQL", verdict,
                [=](Env& e) {
                  KARVO_HANDLE r = nullptr;
                  e.Armed([&] { r = ::OpenQuerySQL(Ansi(sql).c_str(), 0); });
                  return HandleResult(r);
                }),
              S("OpenQuerySQLA", verdict,
                [=](Env& e) {
                  CountedArg a(sql);
                  KARVO_HANDLE r = nullptr;
                  e.Armed([&] { r = ::OpenQuerySQLA(a.get(), 1); });
                  return HandleResult(r);
                }),
              S("OpenQuerySQLW", verdict,
                [=](Env& e) {
                  BstrArg a(sql);
                  KARVO_HANDLE r = nullptr;
                  e.Armed([&] { r = ::OpenQuerySQLW(a.get(), 0); });
                  return HandleResult(r);
                }),
              S("CloseQuerySQL", coded,
                [=](Env& e) {
                  unsigned char r = 0;
                  e.Armed([&] { r = ::CloseQuerySQL(H(kQueryHandle)); });
                  return ByteResult(r, r != 1);
                }),
          }};
}

ExportFamily ResultSets() {
  const Msgs cursor = {msg::kNilDataSource, msg::kBadDataSource};
  const Msgs csv =
      With({msg::kStartBeyondRows, msg::kFewerRowsThanWanted, msg::kQueryNotOpen, msg::kBadDSHandle}, true);
  auto move = [&](const char* name, unsigned char(__stdcall * op)(KARVO_HANDLE), unsigned char failure) {
    return S(
        name, cursor,
        [op, failure](Env& e) {
          unsigned char r = failure;
          e.Armed([&] { r = op(H(e.query)); });
          return ByteResult(r, r == failure && !LastAPIError().empty());
        },
        DataSets);
  };
  Scenario byHost = S(
      "GetCSVQuerySQL (asked of the host)", csv,
      [](Env& e) {
        const char* r = nullptr;
        e.Armed([&] { r = ::GetCSVQuerySQL(H(0x7777), 0, 2, 1); });
        return PlainTextResult(r);
      },
      [](Env& e) {
        DataSets(e);
        e.host.handler = [](const SeenRequest&) {
          return Answer::Verdict(true, u"ID;NAZWA\r\n1;\u0141\u00f3d\u017a\r\n");
        };
      });
  return {"ResultSets",
          {
              move("FirstSQL", &::FirstSQL, 0),
              move("LastSQL", &::LastSQL, 0),
              move("NextSQL", &::NextSQL, 0),
              move("PriorSQL", &::PriorSQL, 0),
              move("CountSQL", &::CountSQL, 0),
              move("EofSQL", &::EofSQL, 1),
              S(
                  "FieldByNameSQL", cursor,
                  [](Env& e) {
                    const char* r = nullptr;
                    e.Armed([&] { r = ::FieldByNameSQL(H(e.query), "nazwa"); });
                    return PlainTextResult(r);
                  },
                  DataSets),
              S(
                  "FieldByNameSQLA", cursor,
                  [](Env& e) {
                    CountedArg a(u"miasto");
                    char* r = StaleCountedString();
                    e.Armed([&] { ::FieldByNameSQLA(&r, H(e.query), a.get()); });
                    return CountedStringResult(r);
                  },
                  DataSets),
              S(
                  "FieldByNameSQLW", cursor,
                  [](Env& e) {
                    BstrArg a(u"NAZWA");
                    BSTR r = StaleBstr();
                    e.Armed([&] { ::FieldByNameSQLW(&r, H(e.query), a.get()); });
                    return BstrResult(r);
                  },
                  DataSets),
              S(
                  "GetCSVQuerySQL", csv,
                  [](Env& e) {
                    const char* r = nullptr;
                    e.Armed([&] { r = ::GetCSVQuerySQL(H(e.query), 0, 2, 1); });
                    return PlainTextResult(r);
                  },
                  DataSets),
              S(
                  "GetCSVQuerySQLA", csv,
                  [](Env& e) {
                    char* r = StaleCountedString();
                    e.Armed([&] { ::GetCSVQuerySQLA(&r, H(e.query), 1, 2, 0); });
                    return CountedStringResult(r);
                  },
                  DataSets),
              S(
                  "GetCSVQuerySQLW", csv,
                  [](Env& e) {
                    BSTR r = StaleBstr();
                    e.Armed([&] { ::GetCSVQuerySQLW(&r, H(e.query), 0, 2, 1); });
                    return BstrResult(r);
                  },
                  DataSets),
              byHost,
              WithMessage(S(
                  "GetXMLQuerySQL", {},
                  [](Env& e) {
                    const char* r = nullptr;
                    e.Armed([&] { r = ::GetXMLQuerySQL(1, 2, 3, 4); });
                    // Not implemented is its defined result.
                    return ByteResult(r == nullptr, r != nullptr || LastAPIError() != msg::kNoImplement);
                  },
                  DataSets)),
          }};
}

ExportFamily CallDocuments() {
  const Msgs doc = {msg::kNoVariable, msg::kTypeConversion, msg::kNoProcedureOrWindow};
  const std::string call = Ansi(CallDocument());
  const std::string window = Ansi(WindowDocument());
  auto getData = [&](const char* name, std::u16string var, unsigned char direction) {
    return S(name, doc, [call, var, direction](Env& e) {
      VARIANT v = Var(VT_I4);
      e.Armed([&] { ::XMLGetData(&v, call.c_str(), Ansi(var).c_str(), direction); });
      Outcome o = VariantResult(v);
      o.failed = !LastAPIError().empty();  // a call with no result but the message
      return o;
    });
  };
  auto setData = [&](const char* name, std::function<VARIANT()> make, const char* var, unsigned char direction,
                     const char* section) {
    return S(name, doc, [call, make, var, direction, section](Env& e) {
      VARIANT v = make();
      const char* r = nullptr;
      e.Armed([&] { r = ::XMLSetData(call.c_str(), var, v, direction, section); });
      Sys().VariantClear(&v);
      return PlainTextResult(r);
    });
  };
  return {"CallDocuments",
          {
              S("XMLGetProcName", doc,
                [=](Env& e) {
                  const char* r = nullptr;
                  e.Armed([&] { r = ::XMLGetProcName(call.c_str()); });
                  return PlainTextResult(r);
                }),
              S("XMLGetProcNameA", doc,
                [](Env& e) {
                  CountedArg a(CallDocument());
                  char* r = StaleCountedString();
                  e.Armed([&] { ::XMLGetProcNameA(&r, a.get()); });
                  return CountedStringResult(r);
                }),
              S("XMLGetProcNameW", doc,
                [](Env& e) {
                  BstrArg a(CallDocument());
                  BSTR r = StaleBstr();
                  e.Armed([&] { ::XMLGetProcNameW(&r, a.get()); });
                  return BstrResult(r);
                }),
              S("XMLGetWindowName", doc,
                [=](Env& e) {
                  const char* r = nullptr;
                  e.Armed([&] { r = ::XMLGetWindowName(window.c_str()); });
                  return PlainTextResult(r);
                }),
              S("XMLGetWindowNameA", doc,
                [](Env& e) {
                  CountedArg a(WindowDocument());
                  char* r = StaleCountedString();
                  e.Armed([&] { ::XMLGetWindowNameA(&r, a.get()); });
                  return CountedStringResult(r);
                }),
              S("XMLGetWindowNameW", doc,
                [](Env& e) {
                  BstrArg a(WindowDocument());
                  BSTR r = StaleBstr();
                  e.Armed([&] { ::XMLGetWindowNameW(&r, a.get()); });
                  return BstrResult(r);
                }),
              S("XMLGetTagText", doc,
                [=](Env& e) {
                  const char* r = nullptr;
                  e.Armed([&] { r = ::XMLGetTagText(call.c_str(), "OKNO"); });
                  return PlainTextResult(r);
                }),
              getData("XMLGetData INTEGER", u"Ilo\u015b\u0107", 1),
              getData("XMLGetData DATE", u"Kiedy", 0),
              getData("XMLGetData STRING", u"Opis", 1),
              getData("XMLGetData DOUBLE", u"Suma", 2),
              getData("XMLGetData INT64", u"Du\u017co", 0),
              setData(
                  "XMLSetData BSTR (new variable)",
                  [] {
                    VARIANT v = Var(VT_BSTR);
                    v.bstrVal = ::SysAllocString(L"tekst \u0105\u0119 <&>");
                    return v;
                  },
                  "Wynik", 2, nullptr),
              setData(
                  "XMLSetData R8 (existing variable)",
                  [] {
                    VARIANT v = Var(VT_R8);
                    v.dblVal = 2.25;
                    return v;
                  },
                  "Suma", 2, nullptr),
              setData(
                  "XMLSetData DATE",
                  [] {
                    VARIANT v = Var(VT_DATE);
                    v.date = 45366.5;
                    return v;
                  },
                  "Kiedy", 1, nullptr),
              setData(
                  "XMLSetData CY",
                  [] {
                    VARIANT v = Var(VT_CY);
                    v.cyVal.int64 = 123456;
                    return v;
                  },
                  "Kwota", 0, nullptr),
              setData(
                  "XMLSetData BOOL into a section",
                  [] {
                    VARIANT v = Var(VT_BOOL);
                    v.boolVal = VARIANT_TRUE;
                    return v;
                  },
                  "Gotowe", 1, "Zam\xf3wienia"),
          }};
}

ExportFamily DelimitedFields() {
  const Msgs fields = {msg::kCannotSetFieldPrefix};
  const std::string line = Ansi(u"a;\u017c\u00f3\u0142w;\u0106ma");
  return {"DelimitedFields",
          {
              S("CSVGetFieldCount", fields,
                [=](Env& e) {
                  int r = 0;
                  e.Armed([&] { r = ::CSVGetFieldCount(line.c_str(), ';'); });
                  return ByteResult(static_cast<unsigned>(r), r == 0);
                }),
              S("CSVGetField", fields,
                [=](Env& e) {
                  const char* r = nullptr;
                  e.Armed([&] { r = ::CSVGetField(line.c_str(), 2, ';'); });
                  return PlainTextResult(r);
                }),
              S("CSVSetField", fields,
                [=](Env& e) {
                  const char* r = nullptr;
                  e.Armed([&] { r = ::CSVSetField(Ansi(u"\u0105").c_str(), line.c_str(), 3, ';'); });
                  return PlainTextResult(r);
                }),
              S("CSVIsField", fields,
                [=](Env& e) {
                  int r = 0;
                  e.Armed([&] { r = ::CSVIsField(Ansi(u"\u0106MA").c_str(), line.c_str(), ';'); });
                  return ByteResult(static_cast<unsigned>(r), r == 0);
                }),
          }};
}

ExportFamily HostObjects() {
  const Msgs list = With({msg::kPropertyListFailed}, true);
  const Msgs read = With({msg::kPropertyReadFailed, msg::kNoPropertyPrefix}, true);
  const Msgs change = With({msg::kPropertyChangeFailed, msg::kNoPropertyPrefix}, true);
  const Msgs str = With({msg::kPropertyStrReadFailed, msg::kPropertyStrWriteFailed, msg::kPropertyUnexpected}, true);
  const Msgs controls = With({msg::kControlsListFailed, msg::kControlReadPrefix}, true);
  const Msgs menus = {msg::kFirstNotMenu, msg::kSecondNotMenuItem, msg::kMenuAppendFailed};
  const Msgs resources = {msg::kOnlyBitmaps, msg::kResourceLoadFailed};
  const Msgs methods = {msg::kActionFailed, msg::kMethodFailed, msg::kMethodNotFound};
  static std::uint32_t pair[2] = {kRefresh, kAction};  // a (code, data) pair as a caller holds it
  auto getProperty = [&](const char* name, KarvoHandle object, const char* prop, std::vector<std::string> alsoSuccess) {
    Scenario s = S(name, read, [object, prop](Env& e) {
      VARIANT v = Var(VT_I4);
      e.Armed([&] { ::GetProperty(&v, H(object), prop); });
      // A method's number is an address: what counts is the pair there.
      if (object == kEvents && v.vt == VT_I4 && v.lVal != 0) {
        auto pair = reinterpret_cast<const std::uint32_t*>(static_cast<std::uintptr_t>(v.lVal));
        v.lVal = pair[0] == kRefresh && pair[1] == kAction ? 1 : -1;
      }
      Outcome o = VariantResult(v);
      o.failed = o.failed && !LastAPIError().empty();
      return o;
    });
    s.alsoSuccess = std::move(alsoSuccess);
    return s;
  };
  auto setProperty = [&](const char* name, const char* prop, std::function<VARIANT()> make,
                         KarvoHandle object = kForm) {
    return S(name, change, [prop, make, object](Env& e) {
      VARIANT v = make();
      unsigned char r = 0;
      e.Armed([&] { r = ::SetProperty(H(object), prop, v); });
      Sys().VariantClear(&v);
      return ByteResult(r, r == 0);
    });
  };
  auto byte = [](const char* name, Msgs failures, std::function<unsigned char()> op) {
    return S(
        name, failures,
        [op](Env& e) {
          unsigned char r = 0;
          e.Armed([&] { r = op(); });
          return ByteResult(r, r == 0);
        },
        [](Env& e) {
          Standard(e);
          // The method exports leave the last error as it was when they succeed.
          ClearAPIError();
        });
  };
  return {
      "HostObjects",
      OwnMessagesStandForNoReply({
          S("GetPropertyList", list,
            [](Env& e) {
              const char* r = nullptr;
              e.Armed([&] { r = ::GetPropertyList(H(kForm), 7); });
              return PlainTextResult(r);
            }),
          getProperty("GetProperty text", kForm, "Caption", {}),
          // The host's answer is its text, as a BSTR.
          getProperty("GetProperty integer", kForm, "left", {"vt 8 \"Okno g\xc5\x82\xc3\xb3wne\""}),
          getProperty("GetProperty method", kEvents, "OnClick", {"vt 8 \"Okno g\xc5\x82\xc3\xb3wne\""}),
          S("GetPropertyStr", str,
            [](Env& e) {
              const char* r = nullptr;
              e.Armed([&] { r = ::GetPropertyStr(H(kForm), "Caption"); });
              return PlainTextResult(r);
            }),
          setProperty("SetProperty text", "Caption",
                      [] {
                        VARIANT v = Var(VT_BSTR);
                        v.bstrVal = ::SysAllocString(L"Nowy \u0105");
                        return v;
                      }),
          setProperty("SetProperty integer from text", "Left",
                      [] {
                        VARIANT v = Var(VT_BSTR);
                        v.bstrVal = ::SysAllocString(L"12");
                        return v;
                      }),
          setProperty("SetProperty float from currency", "Ratio",
                      [] {
                        VARIANT v = Var(VT_CY);
                        v.cyVal.int64 = 25000;
                        return v;
                      }),
          setProperty(
              "SetProperty method by reference", "OnClick",
              [] {
                VARIANT v = Var(VT_I4);
                v.lVal = static_cast<LONG>(reinterpret_cast<std::uintptr_t>(pair));
                return v;
              },
              kEvents),
          setProperty("SetProperty unknown, to the host", "Nieznana",
                      [] {
                        VARIANT v = Var(VT_DATE);
                        v.date = 45000.25;
                        return v;
                      }),
          byte("SetPropertyStr", str, [] { return ::SetPropertyStr(H(kForm), "Caption", "Nowy"); }),
          S("GetControlsList", controls,
            [](Env& e) {
              const char* r = nullptr;
              e.Armed([&] { r = ::GetControlsList(H(kPanel), 7); });
              return PlainTextResult(r);
            }),
          S("GetControl", controls,
            [](Env& e) {
              KARVO_HANDLE r = nullptr;
              e.Armed([&] { r = ::GetControl(H(kPanel), "button1"); });
              return HandleResult(r);
            }),
          S("AddControl", CycleMessages(),
            [](Env& e) {
              KARVO_HANDLE r = nullptr;
              e.Armed([&] { r = ::AddControl(H(kPanel), "TEdit", Ansi(u"Pole \u0105").c_str()); });
              return HandleResult(r);
            }),
          byte("CloneContener", CycleMessages(), [] { return ::CloneContener(H(kPanel), 2); }),
          byte("AddMenuItem", menus, [] { return ::AddMenuItem(H(kMainMenu), H(kNew)); }),
          byte("LoadResource by name", resources, [] { return ::KarvoLoadResource(H(kBitmap), nullptr, "LOGO", 0); }),
          byte("LoadResource by number", resources,
               [] { return ::KarvoLoadResource(H(kBitmap), nullptr, nullptr, 101); }),
          S("LoadResourceA", resources,
            [](Env& e) {
              CountedArg a(u"LOGO");
              unsigned char r = 0;
              e.Armed([&] { r = ::LoadResourceA(H(kBitmap), nullptr, a.get(), 0); });
              return ByteResult(r, r == 0);
            }),
          S("LoadResourceW", resources,
            [](Env& e) {
              BstrArg a(u"LOGO");
              unsigned char r = 0;
              e.Armed([&] { r = ::LoadResourceW(H(kBitmap), nullptr, a.get(), 0); });
              return ByteResult(r, r == 0);
            }),
          byte("ExecuteAction", methods, [] { return ::ExecuteAction(H(kAction)); }),
          byte("ExecuteMethod", methods, [] { return ::ExecuteMethod(H(kRefresh), H(kAction)); }),
          byte("ExecuteClassMethodByName", methods, [] { return ::ExecuteClassMethodByName(H(kAction), "refresh"); }),
          S("KarvoInstallObjectModel", {msg::kException},
            [](Env& e) {
              unsigned char r = 0;
              e.Armed([&] { r = ::KarvoInstallObjectModel(e.objects->MutableTable()); });
              return ByteResult(r, r == 0);
            }),
      })};
}

ExportFamily Scripts() {
  auto own = [](const char16_t* m) { return With({m}, true); };
  auto number = [](const char* name, Msgs failures, std::function<int()> op) {
    return S(name, failures, [op](Env& e) {
      int r = 0;
      e.Armed([&] { r = op(); });
      return ByteResult(static_cast<unsigned>(r), r == 0);
    });
  };
  const std::u16string source = u"var s = '\u017c\u00f3\u0142w';";
  return {"Scripts",
          OwnMessagesStandForNoReply({
              number("CreateScript", own(msg::kScriptCreateFailed),
                     [source] { return ::CreateScript(Ansi(source).c_str()); }),
              S("CreateScriptA", own(msg::kScriptCreateFailed),
                [=](Env& e) {
                  CountedArg a(source);
                  int r = 0;
                  e.Armed([&] { r = ::CreateScriptA(a.get()); });
                  return ByteResult(static_cast<unsigned>(r), r == 0);
                }),
              S("CreateScriptW", own(msg::kScriptCreateFailed),
                [=](Env& e) {
                  BstrArg a(source);
                  int r = 0;
                  e.Armed([&] { r = ::CreateScriptW(a.get()); });
                  return ByteResult(static_cast<unsigned>(r), r == 0);
                }),
              number("AddScriptVariant", own(msg::kScriptAddVariantFailed),
                     [] { return ::AddScriptVariant(kScript, "a", Ansi(u"\u0105").c_str()); }),
              S("AddScriptVariantA", own(msg::kScriptAddVariantFailed),
                [](Env& e) {
                  CountedArg n(u"a"), v(u"\u0119");
                  int r = 0;
                  e.Armed([&] { r = ::AddScriptVariantA(kScript, n.get(), v.get()); });
                  return ByteResult(static_cast<unsigned>(r), r == 0);
                }),
              S("AddScriptVariantW", own(msg::kScriptAddVariantFailed),
                [](Env& e) {
                  BstrArg n(u"a"), v(u"\u0119");
                  int r = 0;
                  e.Armed([&] { r = ::AddScriptVariantW(kScript, n.get(), v.get()); });
                  return ByteResult(static_cast<unsigned>(r), r == 0);
                }),
              number("AddScriptFunction", own(msg::kScriptAddFunctionFailed),
                     [] { return ::AddScriptFunction(kScript, 1, "log"); }),
              S("AddScriptFunctionA", own(msg::kScriptAddFunctionFailed),
                [](Env& e) {
                  CountedArg n(u"log");
                  int r = 0;
                  e.Armed([&] { r = ::AddScriptFunctionA(kScript, 2, n.get()); });
                  return ByteResult(static_cast<unsigned>(r), r == 0);
                }),
              S("AddScriptFunctionW", own(msg::kScriptAddFunctionFailed),
                [](Env& e) {
                  BstrArg n(u"log");
                  int r = 0;
                  e.Armed([&] { r = ::AddScriptFunctionW(kScript, 1, n.get()); });
                  return ByteResult(static_cast<unsigned>(r), r == 0);
                }),
              S("GetScriptVariant", own(msg::kScriptGetVariantFailed),
                [](Env& e) {
                  const char* r = nullptr;
                  e.Armed([&] { r = ::GetScriptVariant(kScript, "a"); });
                  return PlainTextResult(r);
                }),
              S("GetScriptVariantA", own(msg::kScriptGetVariantFailed),
                [](Env& e) {
                  CountedArg n(u"a");
                  char* r = StaleCountedString();
                  e.Armed([&] { ::GetScriptVariantA(&r, kScript, n.get()); });
                  return CountedStringResult(r);
                }),
              S("GetScriptVariantW", own(msg::kScriptGetVariantFailed),
                [](Env& e) {
                  BstrArg n(u"a");
                  BSTR r = ::SysAllocString(L"stara");  // the variable's old value goes
                  e.Armed([&] { ::GetScriptVariantW(&r, kScript, n.get()); });
                  return BstrResult(r);
                }),
              number("SetScriptVariant", own(msg::kScriptSetVariantFailed),
                     [] { return ::SetScriptVariant(kScript, "a", "1"); }),
              S("SetScriptVariantA", own(msg::kScriptSetVariantFailed),
                [](Env& e) {
                  CountedArg n(u"a"), v(u"\u017c");
                  int r = 0;
                  e.Armed([&] { r = ::SetScriptVariantA(kScript, n.get(), v.get()); });
                  return ByteResult(static_cast<unsigned>(r), r == 0);
                }),
              S("SetScriptVariantW", own(msg::kScriptSetVariantFailed),
                [](Env& e) {
                  BstrArg n(u"a"), v(u"\u017c");
                  int r = 0;
                  e.Armed([&] { r = ::SetScriptVariantW(kScript, n.get(), v.get()); });
                  return ByteResult(static_cast<unsigned>(r), r == 0);
                }),
              number("ExecuteScript", CycleMessages(), [] { return ::ExecuteScript(kScript); }),
              number("ExecuteAsychScript", CycleMessages(), [] { return ::ExecuteAsychScript(kScript, 1); }),
              number("CheckAsynchScriptStatus", CycleMessages(), [] { return ::CheckAsynchScriptStatus(kScript); }),
              number("FreeScript", own(msg::kScriptFreeFailed), [] { return ::FreeScript(kScript); }),
          })};
}
}  // namespace

std::string Utf8(const std::u16string& text) { return Encode(text, CP_UTF8); }
std::u16string FromUtf8(const std::string& text) { return Decode(text.data(), static_cast<int>(text.size()), CP_UTF8); }
std::u16string FromAnsi(const char* text) {
  return text == nullptr ? std::u16string() : Decode(text, static_cast<int>(std::strlen(text)), CP_ACP);
}
std::string Ansi(const std::u16string& text) { return Encode(text, CP_ACP); }

const std::vector<std::u16string>& CycleMessages() {
  static const std::vector<std::u16string> m = {msg::kNoService, msg::kBlockBusy, msg::kNoReply, msg::kException};
  return m;
}

Outcome ByteResult(unsigned value, bool failed) { return {std::to_string(value), failed, {}}; }

Outcome PlainTextResult(const char* text) {
  if (text == nullptr) return {"(null)", true, {}};
  return {"\"" + Utf8(FromAnsi(text)) + "\"", false, {}};
}

Outcome HandleResult(const void* handle) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%p", handle);
  return {buf, handle == nullptr, {}};
}

Outcome CountedStringResult(char*& s) {
  if (s == nullptr) return {"(null)", true, {}};
  AnsiStringParts p = ReadAnsiString(s);
  Outcome o{"\"" + Utf8(Decode(p.bytes, static_cast<int>(p.length), p.codePage)) + "\"", false, {}};
  AnsiStringRelease(s);
  s = nullptr;
  return o;
}

Outcome BstrResult(BSTR& b) {
  if (b == nullptr) return {"(null)", true, {}};
  Outcome o{"\"" + Utf8(std::u16string(AsUtf16(b), ::SysStringLen(b))) + "\"", false, {}};
  Sys().SysFreeString(b);
  b = nullptr;
  return o;
}

Outcome VariantResult(VARIANT& v) {
  Outcome o;
  o.failed = v.vt == VT_NULL || v.vt == VT_EMPTY;
  o.value = "vt " + std::to_string(v.vt);
  VARIANT text;
  ::VariantInit(&text);
  if (::VariantChangeTypeEx(&text, &v, LOCALE_USER_DEFAULT, 0, VT_BSTR) == S_OK && text.bstrVal != nullptr)
    o.value += " \"" + Utf8(std::u16string(AsUtf16(text.bstrVal), ::SysStringLen(text.bstrVal))) + "\"";
  ::VariantClear(&text);
  Sys().VariantClear(&v);
  return o;
}

CountedArg::CountedArg(const std::u16string& text)
    : s_(NewAnsiString(Ansi(text), static_cast<std::uint16_t>(::GetACP()))) {}
CountedArg::~CountedArg() { AnsiStringRelease(s_); }

char* StaleCountedString() { return NewAnsiString("stale", static_cast<std::uint16_t>(::GetACP())); }
BSTR StaleBstr() { return Sys().SysAllocStringLen(L"stale", 5); }

BstrArg::BstrArg(const std::u16string& text)
    : b_(Sys().SysAllocStringLen(AsWide(text), static_cast<UINT>(text.size()))) {}
BstrArg::~BstrArg() { Sys().SysFreeString(b_); }

Outcome CallOnce(const Scenario& sc, Env& env) {
  host::InstallObjectModel(nullptr);
  env.objects = std::make_unique<TestObjectModel>();
  env.data = std::make_unique<FakeDataModel>();
  env.query = 0;
  env.host.handler = [](const SeenRequest&) { return Answer::Code(1); };
  if (sc.prepare) sc.prepare(env);
  Outcome o = sc.call(env);
  o.error = LastAPIError();
  return o;
}

std::vector<ExportFamily> ExportFamilies() {
  return {OpeningAndErrors(), SqlRequests(), ResultSets(), CallDocuments(),
          DelimitedFields(),  HostObjects(), Scripts()};
}

}  // namespace karvo::test
