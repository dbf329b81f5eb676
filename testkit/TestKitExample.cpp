// How a plug-in author unit-tests a plug-in without the real host. Here the
// kit drives the C sample plug-in: the scripted host answers its requests,
// test objects stand for the host's main form, menu and bitmaps, a test data
// set for its goods, and each case checks what the plug-in did to them.
// Point it at your own DLL the same way.
//   TestKitExample [plugin.dll]
#include <cstdio>
#include <string>

#include "KarvoTestKit.h"

namespace {

using namespace karvo::test;

int passed = 0, failed = 0;

void Expect(bool ok, const char* what) {
  std::printf("%s  %s\n", ok ? "ok    " : "FAILED", what);
  std::fflush(stdout);
  ok ? ++passed : ++failed;
}

// The host's objects as the sample plug-in meets them: the main form with
// its main menu, and the menu item with a bitmap that ADD_CONTROL hands out.
constexpr KarvoHandle kForm = 0x100, kMenu = 0x110, kRootItem = 0x111, kNewItem = 0x120, kBitmap = 0x121;

void AddHostObjects(TestHostModel& model) {
  model.Objects.Add(kForm, MakeObject(u"TMainForm", u"MainForm", {ObjectProperty(u"Menu", u"TMainMenu", kMenu)}));
  TestObject menu = MakeObject(u"TMainMenu", u"MainMenu1");
  menu.RootItem = kRootItem;
  model.Objects.Add(kMenu, menu);
  model.Objects.Add(kRootItem, MakeObject(u"TMenuItem", u""));
  model.Objects.Add(kNewItem, MakeObject(u"TMenuItem", u"", {ObjectProperty(u"Bitmap", u"TBitmap", kBitmap)}));
  TestObject bitmap = MakeObject(u"TBitmap", u"");
  bitmap.Loadable = {u"PLUGINLOGO"};
  model.Objects.Add(kBitmap, bitmap);
}

TestDataSet Goods() {
  TestDataSet goods;
  goods.Fields = {u"ID", u"NAZWA", u"STAN"};
  goods.Rows = {{u"1", u"Mąka żytnia", u"120"}, {u"2", u"Kasza gryczana", u"0"}, {u"3", u"Olej rzepakowy", u"48"}};
  return goods;
}

// A host that does what the plug-in asks: statements run, the query opens
// on the test data set, the main form is found and a menu item made.
Answer ServeAll(const SeenRequest& r, KarvoHandle goods) {
  if (r.Command == KARVO_CMD_OPEN_QUERY_SQL) return Answer::VerdictWithPointer(true, u"", goods);
  if (r.Command == KARVO_CMD_PROC && r.SQL == u"GetControl") {
    std::vector<std::u16string> args = HostProcArgs(r);
    if (args.size() == 2 && args[0] == u"0" && args[1] == u"MainForm") return HandleAnswer(kForm);
    return Answer::Verdict(false, u"nie ma takiej kontrolki");
  }
  if (r.Command == KARVO_CMD_ADD_CONTROL) return Answer::VerdictWithPointer(true, u"", kNewItem);
  return Answer::Code(KARVO_REPLY_SUCCESS);
}

std::string TheOrder(const std::string& apiHandle) {
  return CallDocument("WycenZamowienie", apiHandle,
                      {{"Klient", "STRING", "Nowak"}, {"Ilosc", "INTEGER", "4"}, {"CenaGrosze", "INTEGER", "250"}});
}

bool Saw(ScriptedHost& host, const std::string& command, const std::u16string& dataStart = u"") {
  for (const SeenRequest& r : host.Requests())
    if (r.Command == command && (r.Data.rfind(dataStart, 0) == 0 || r.SQL.rfind(dataStart, 0) == 0)) return true;
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  const char* plugin = argc > 1 ? argv[1] : "SamplePluginC.dll";

  {  // Everything the plug-in needs is there: every step goes well.
    ScriptedHost host;
    TestHostModel model;
    AddHostObjects(model);
    KarvoHandle goods = model.Data.AddQuery(Goods());
    host.SetHandler([goods](const SeenRequest& r) { return ServeAll(r, goods); });
    KarvoSession karvo(model.Table());
    Expect(karvo.Ready(), "KARVO.DLL loaded with the test model installed");
    Expect(KarvoSession::RunPlugin(plugin, TheOrder(host.ApiHandle())) == 0, "a full host: every step succeeds");
    Expect(Saw(host, KARVO_CMD_EXECUTE_SQL), "the statement reached the host");
    Expect(Saw(host, KARVO_CMD_OPEN_QUERY_SQL, u"SELECT ID, NAZWA, STAN FROM TOWARY"), "the query reached the host");
    Expect(Saw(host, KARVO_CMD_CLOSE_QUERY_SQL), "and was closed");
    Expect(model.Data.SetOf(goods).Calls["FieldText"] > 0, "the rows were read from the test data set");
    Expect(Saw(host, KARVO_CMD_ADD_CONTROL, u"TMenuItem;"), "the menu item was asked of the host");
    Expect(model.Objects[kBitmap].Loads == std::vector<std::u16string>{u"PLUGINLOGO"},
           "the plug-in's bitmap was loaded into the item");
    Expect(model.Objects[kRootItem].Items == std::vector<KarvoHandle>{kNewItem}, "the item is in the main menu");
  }
  {  // The host refuses the statement with a message of its own (code 250).
    ScriptedHost host;
    TestHostModel model;
    AddHostObjects(model);
    KarvoHandle goods = model.Data.AddQuery(Goods());
    host.SetHandler([goods](const SeenRequest& r) {
      if (r.Command != KARVO_CMD_EXECUTE_SQL) return ServeAll(r, goods);
      Answer a = Answer::Code(KARVO_REPLY_MESSAGE);
      a.WriteData = true;
      a.Data = u"tabela KONTRAHENCI jest zablokowana";
      return a;
    });
    KarvoSession karvo(model.Table());
    Expect(KarvoSession::RunPlugin(plugin, TheOrder(host.ApiHandle())) == 1,
           "a refused statement: the plug-in reports that one step");
    Expect(Saw(host, KARVO_CMD_CLOSE_QUERY_SQL) && Saw(host, KARVO_CMD_ADD_CONTROL), "and goes on with the others");
  }
  {  // The data set goes away under the walk: the plug-in must notice.
    ScriptedHost host;
    TestHostModel model;
    AddHostObjects(model);
    TestDataSet broken = Goods();
    broken.FailAfter["FieldText"] = 2;
    KarvoHandle goods = model.Data.AddQuery(broken);
    host.SetHandler([goods](const SeenRequest& r) { return ServeAll(r, goods); });
    KarvoSession karvo(model.Table());
    Expect(KarvoSession::RunPlugin(plugin, TheOrder(host.ApiHandle())) == 1,
           "a data set that fails under the walk: the plug-in reports the stock step");
    Expect(Saw(host, KARVO_CMD_CLOSE_QUERY_SQL), "and still closes its query");
  }
  {  // A call without the order's quantity cannot be answered.
    ScriptedHost host;
    TestHostModel model;
    AddHostObjects(model);
    KarvoHandle goods = model.Data.AddQuery(Goods());
    host.SetHandler([goods](const SeenRequest& r) { return ServeAll(r, goods); });
    KarvoSession karvo(model.Table());
    std::string call = CallDocument("WycenZamowienie", host.ApiHandle(), {{"CenaGrosze", "INTEGER", "250"}});
    Expect(KarvoSession::RunPlugin(plugin, call) == 1, "a call without its quantity: the plug-in reports it");
    Expect(model.Objects[kRootItem].Items.size() == 1, "and its other steps still went well");
  }
  {  // No main form in the host: no menu item, and nothing added anywhere.
    ScriptedHost host;
    TestHostModel model;
    AddHostObjects(model);
    KarvoHandle goods = model.Data.AddQuery(Goods());
    host.SetHandler([goods](const SeenRequest& r) {
      if (r.Command == KARVO_CMD_PROC) return Answer::Verdict(false, u"nie ma takiej kontrolki");
      return ServeAll(r, goods);
    });
    KarvoSession karvo(model.Table());
    Expect(KarvoSession::RunPlugin(plugin, TheOrder(host.ApiHandle())) == 1, "no main form: the menu step fails");
    Expect(model.Objects[kRootItem].Items.empty() && !Saw(host, KARVO_CMD_ADD_CONTROL), "and the menu is untouched");
  }
  {  // No service behind the block: the plug-in must not hang or crash.
    ScriptedHost host;
    host.SetState(KARVO_smsNoAllocated);
    KarvoSession karvo;
    Expect(KarvoSession::RunPlugin(plugin, TheOrder(host.ApiHandle())) > 0, "a block without service: clean failures");
    Expect(host.RequestCount() == 0, "and no request reached the host");
  }
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
