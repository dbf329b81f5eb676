// Containers, menus, bitmaps, actions and methods against a test object
// model, and the container commands against the scripted host.
#include "Support.h"
#include "TestObjectModel.h"
#include "host/ObjectModel.h"
#include "hostobjects/Containers.h"
#include "hostobjects/MenusAndMethods.h"
#include "link/ApiError.h"
#include "link/ExportForms.h"
#include "messages/Messages.h"
#include "uKARVO/Exports.h"

namespace karvo::test {
namespace {

constexpr KarvoHandle kPanel = 0x2000, kMainMenu = 0x3000, kRoot = 0x3001, kFile = 0x3002, kNew = 0x3003,
                      kPopup = 0x3100, kBitmap = 0x4000, kAction = 0x5000, kStranger = 0xF0000000u;

class HostObjectWork : public HostedTest {
 protected:
  void SetUp() override {
    HostedTest::SetUp();
    model.Add(0x2001, MakeObject(u"TLabel", u"lbl1"));
    model.Add(0x2002, MakeObject(u"TButton", u"Button1"));
    model.Add(kPanel, MakeObject(u"TPanel", u"Panel1", {}, {0x2001, 0x2002}));
    TestObject mainMenu = MakeObject(u"TMainMenu", u"MainMenu1");
    mainMenu.RootItem = kRoot;
    model.Add(kMainMenu, mainMenu);
    model.Add(kRoot, MakeObject(u"TMenuItem", u""));
    model.Add(kFile, MakeObject(u"TMenuItem", u"File1"));
    model.Add(kNew, MakeObject(u"TMenuItem", u"New1"));
    model.Add(kPopup, MakeObject(u"TPopupMenu", u"PopupMenu1"));  // a popup whose root the model cannot give
    TestObject bitmap = MakeObject(u"TBitmap", u"");
    bitmap.Loadable = {u"LOGO", u"#101", u"#65535"};
    model.Add(kBitmap, bitmap);
    model.Add(kBitmap + 1, MakeObject(u"TPngBitmap", u""));
    TestObject action = MakeObject(u"TAction", u"actSave");
    action.ActionResult = true;
    action.Methods = {{"Refresh", 0x7001}};
    model.Add(kAction, action);
    model.Code[0x7001] = [this](unsigned data) { return data == kAction; };
    model.Code[0x7002] = [](unsigned) { return false; };  // a method that fails inside
    ASSERT_TRUE(host::InstallObjectModel(model.Table()));
  }
  void TearDown() override {
    host::InstallObjectModel(nullptr);
    HostedTest::TearDown();
  }
  TestObjectModel model;
};

TEST_F(HostObjectWork, ControlsListAndLookupDirectly) {
  EXPECT_EQ(PlainText(GetControlsList(kPanel, 3)), u"Button1:TButton;lbl1:TLabel");
  EXPECT_EQ(PlainText(GetControlsList(kPanel, 0x104)), u"8194;8193");
  EXPECT_EQ(GetControl(kPanel, "BUTTON1"), 0x2002u);
  SetAPIErrorText(u"stale");
  EXPECT_EQ(::GetControl(HandleOf(kPanel), "Edit1"), nullptr);
  EXPECT_EQ(LastAPIError(), u"") << "no child of that name is no failure";
  model[kPanel].Children = {};
  EXPECT_EQ(GetControlsList(kPanel, 7), nullptr);
  EXPECT_EQ(host->RequestCount(), 0u);
}

TEST_F(HostObjectWork, ControlsFallBackToTheHost) {
  host->Always(Answer::Verdict(true, u"a;b"));
  EXPECT_EQ(PlainText(GetControlsList(kStranger, 0)), u"a;b");
  SeenRequest seen = host->Requests().back();
  EXPECT_EQ(seen.SQL, u"GetControlsList");
  EXPECT_EQ(seen.Data,
            u"4026531840\x0001"
            u"7");
  host->Always(Answer::Verdict(false, u"host: nie"));
  EXPECT_EQ(GetControlsList(kStranger, 3), nullptr);
  EXPECT_EQ(LastAPIError(), msg::kControlsListFailed);

  for (auto [reply, want] : {std::pair{u" 123", 123u}, {u"$10", 16u}, {u"-1", 0xFFFFFFFFu}}) {
    host->Always(Answer::Verdict(true, reply));
    EXPECT_EQ(GetControl(kStranger, "Edit1"), want);
    EXPECT_EQ(LastAPIError(), u"");
  }
  EXPECT_EQ(host->Requests().back().Data,
            u"4026531840\x0001"
            u"Edit1");
  // A success that names no handle is a failure, not a made-up number.
  for (const char16_t* reply : {u"", u"Edit1", u"123 "}) {
    host->Always(Answer::Verdict(true, reply));
    EXPECT_EQ(GetControl(kStranger, "Edit1"), 0u);
    EXPECT_EQ(LastAPIError(), u"Błąd odczytu kontrolki o nazwie 'Edit1' !!");
  }
  model[kPanel].FailChildren = true;
  host->Always(Answer::Verdict(false, u"host: nie"));
  EXPECT_EQ(GetControl(kPanel, "x"), 0u);
  EXPECT_EQ(LastAPIError(), u"Błąd odczytu kontrolki o nazwie 'x' !!");
}

TEST_F(HostObjectWork, AddControlAndCloneContenerAreHostCommands) {
  host->Block()->DataPointer = 0xDEAD;
  host->Always(Answer::VerdictWithPointer(true, u"", 0x9999));
  EXPECT_EQ(AddControl(kPanel, "ab;x", "cd"), 0x9999u);
  SeenRequest seen = host->Requests().back();
  EXPECT_EQ(seen.Command, "ADD_CONTROL");
  EXPECT_EQ(seen.DataPointer, kPanel);
  EXPECT_EQ(seen.Data, u"ab;x;cd");
  EXPECT_EQ(seen.SQL, u"");
  host->Always(Answer::VerdictWithPointer(false, u"Nie można dodać", 0x9999));
  EXPECT_EQ(AddControl(kPanel, "a", "b"), 0u) << "a failed reply's pointer is no handle";
  EXPECT_EQ(LastAPIError(), u"Nie można dodać");

  host->Always(Answer::Verdict(true, u""));
  EXPECT_EQ(CloneContener(kPanel, -5), 1);
  EXPECT_EQ(host->Requests().back().Command, "CLONE_CONTENER");
  EXPECT_EQ(host->Requests().back().Data, u"-5");
  host->Always(Answer::Verdict(false, u"Brak"));
  EXPECT_EQ(CloneContener(kPanel, 2), 0);
  EXPECT_EQ(LastAPIError(), u"Brak");
  host->SetState(KARVO_smsNoAllocated);
  EXPECT_EQ(CloneContener(kPanel, 2), 0);
  EXPECT_EQ(LastAPIError(), msg::kNoService);
}

TEST_F(HostObjectWork, MenuItemsGoUnderTheRootOrTheItem) {
  EXPECT_EQ(AddMenuItem(kMainMenu, kFile), 1);
  EXPECT_EQ(model[kRoot].Items, std::vector<KarvoHandle>{kFile});
  EXPECT_EQ(AddMenuItem(kFile, kNew), 1);
  EXPECT_EQ(model[kFile].Items, std::vector<KarvoHandle>{kNew});
  EXPECT_EQ(AddMenuItem(kRoot, kNew), 0) << "an item that has a parent";
  EXPECT_EQ(LastAPIError(), msg::kMenuAppendFailed);
  model.Add(0x3004, MakeObject(u"TMenuItem", u"x"));
  EXPECT_EQ(AddMenuItem(kPopup, 0x3004), 0);
  EXPECT_EQ(LastAPIError(), msg::kMenuAppendFailed);
  EXPECT_EQ(AddMenuItem(kPanel, kNew), 0);
  EXPECT_EQ(LastAPIError(), msg::kFirstNotMenu);
  EXPECT_EQ(AddMenuItem(kStranger, kNew), 0);
  EXPECT_EQ(LastAPIError(), msg::kFirstNotMenu);
  EXPECT_EQ(AddMenuItem(kMainMenu, kPopup), 0);
  EXPECT_EQ(LastAPIError(), msg::kSecondNotMenuItem);
  EXPECT_EQ(AddMenuItem(kMainMenu, 0), 0);
  EXPECT_EQ(LastAPIError(), msg::kSecondNotMenuItem);
}

TEST_F(HostObjectWork, BitmapsByNameAndByNumber) {
  EXPECT_EQ(LoadResource(kBitmap, 0x400000, "LOGO", 0), 1);
  EXPECT_EQ(LoadResource(kBitmap, 0x400000, nullptr, 101), 1);
  EXPECT_EQ(LoadResource(kBitmap, 0x400000, nullptr, 65535), 1);
  EXPECT_EQ(LastAPIError(), u"");
  EXPECT_EQ(LoadResource(kBitmap, 0x400000, "", 101), 0) << "an empty name is a name";
  EXPECT_EQ(LastAPIError(), msg::kResourceLoadFailed);
  model[kBitmap].Loads.clear();
  // Numbers no resource can have never reach the model as if they were names.
  EXPECT_EQ(LoadResource(kBitmap, 0x400000, nullptr, 65536), 0);
  EXPECT_EQ(LastAPIError(), msg::kResourceLoadFailed);
  EXPECT_EQ(LoadResource(kBitmap, 0x400000, nullptr, -1), 0);
  EXPECT_TRUE(model[kBitmap].Loads.empty());
  EXPECT_EQ(LoadResource(kBitmap + 1, 0x400000, "LOGO", 0), 0);
  EXPECT_EQ(LastAPIError(), msg::kOnlyBitmaps);
  EXPECT_EQ(LoadResource(kStranger, 0x400000, "LOGO", 0), 0);
  EXPECT_EQ(LastAPIError(), msg::kResourceLoadFailed);
}

TEST_F(HostObjectWork, ActionsAndMethods) {
  EXPECT_EQ(ExecuteAction(kAction), 1);
  model[kAction].ActionResult = false;
  EXPECT_EQ(ExecuteAction(kAction), 0);
  EXPECT_EQ(LastAPIError(), u"") << "nothing to do is no failure";
  EXPECT_EQ(ExecuteAction(kPanel), 0);
  EXPECT_EQ(LastAPIError(), msg::kActionFailed);

  // Earlier messages stay through a successful call.
  EXPECT_EQ(ExecuteMethod(0x7001, kAction), 1);
  EXPECT_EQ(LastAPIError(), msg::kActionFailed);
  EXPECT_EQ(ExecuteClassMethodByName(kAction, "rEfReSh"), 1);
  EXPECT_EQ(LastAPIError(), msg::kActionFailed);
  EXPECT_EQ(model.Calls.back().Data, kAction);
  EXPECT_EQ(ExecuteMethod(0x7002, kAction), 0);
  EXPECT_EQ(LastAPIError(), msg::kMethodFailed);
  EXPECT_EQ(ExecuteMethod(0xBAD, 0), 0) << "a code the model does not know is never jumped to";
  EXPECT_EQ(ExecuteClassMethodByName(kAction, "Missing"), 0);
  EXPECT_EQ(LastAPIError(), msg::kMethodNotFound);
  EXPECT_EQ(ExecuteClassMethodByName(kStranger, "Refresh"), 0);
  EXPECT_EQ(LastAPIError(), msg::kMethodFailed);
  std::string longName(300, 'm');
  ExecuteClassMethodByName(kAction, longName.c_str());
  EXPECT_EQ(model.Lookups.back().size(), 255u);
  host::InstallObjectModel(nullptr);
  EXPECT_EQ(ExecuteMethod(0x7001, kAction), 0);
  EXPECT_EQ(LastAPIError(), msg::kMethodFailed);
}

}  // namespace
}  // namespace karvo::test
