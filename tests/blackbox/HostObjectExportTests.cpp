// The host-object exports through the DLL as a plug-in calls them, with a
// test object model installed by the export a host uses: the VARIANT taken
// by value, LoadResource under its own name, the A and W forms, and the
// last error across exports.
#include "Plugin.h"
#include "ScriptedHost.h"
#include "TestObjectModel.h"

namespace karvo::test {
namespace {

constexpr KarvoHandle kEdit = 0x1100, kBitmap = 0x1200;

KARVO_HANDLE H(KarvoHandle h) { return reinterpret_cast<KARVO_HANDLE>(static_cast<std::uintptr_t>(h)); }

class HostObjectExports : public ::testing::Test {
 protected:
  void SetUp() override {
    TestProperty text;
    text.Name = u"Text";
    text.TypeName = u"TCaption";
    text.Kind = KARVO_tkUString;
    text.Text = u"abc";
    TestProperty max;
    max.Name = u"MaxLength";
    max.TypeName = u"Integer";
    model.Add(kEdit, MakeObject(u"TEdit", u"Edit1", {text, max}));
    TestObject bitmap = MakeObject(u"TBitmap", u"");
    bitmap.Loadable = {u"#7", u"ICON"};
    model.Add(kBitmap, bitmap);
    ASSERT_EQ(KARVO_FN(p, OpenAPI)(host.ApiHandle().c_str()), 1);
    ASSERT_EQ(KARVO_FN(p, KarvoInstallObjectModel)(const_cast<KarvoObjectModel*>(model.Table())), 1);
  }
  void TearDown() override { KARVO_FN(p, KarvoInstallObjectModel)(nullptr); }
  ScriptedHost host;
  TestObjectModel model;
  Plugin p;
};

TEST_F(HostObjectExports, PropertiesThroughTheStdcallTable) {
  EXPECT_EQ(Wide(KARVO_FN(p, GetPropertyList)(H(kEdit), 0)), u"MaxLength:Integer=0;Text:TCaption='abc'");
  // Sixteen bytes of VARIANT on the stack, then the name and the handle
  // still where the callee expects them.
  VARIANT v;
  ::VariantInit(&v);
  v.vt = VT_BSTR;
  v.bstrVal = ::SysAllocString(L"12");
  EXPECT_EQ(KARVO_FN(p, SetProperty)(H(kEdit), "maxlength", v), 1);
  EXPECT_EQ(model.Prop(kEdit, u"MaxLength").Bits, 12u);
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(v.bstrVal)), u"12") << "the caller's BSTR is its own";
  ::VariantClear(&v);
  VARIANT out;
  ::VariantInit(&out);
  KARVO_FN(p, GetProperty)(&out, H(kEdit), "Text");
  ASSERT_EQ(out.vt, VT_BSTR);
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(out.bstrVal)), u"abc");
  ::VariantClear(&out);
  EXPECT_EQ(host.RequestCount(), 0u);
}

TEST_F(HostObjectExports, WithoutAModelEveryDirectAttemptGoesToTheHost) {
  KARVO_FN(p, KarvoInstallObjectModel)(nullptr);
  host.Always(Answer::Verdict(true, u"7"));
  EXPECT_EQ(Wide(KARVO_FN(p, GetPropertyList)(H(kEdit), 1)), u"7");
  EXPECT_EQ(KARVO_FN(p, GetControl)(H(kEdit), "x"), H(7));
  EXPECT_EQ(Wide(KARVO_FN(p, GetControlsList)(H(kEdit), 1)), u"7");
  VARIANT v;
  ::VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = 3;
  EXPECT_EQ(KARVO_FN(p, SetProperty)(H(kEdit), "MaxLength", v), 1);
  auto seen = host.Requests();
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[0].SQL, u"GetPropertyList");
  EXPECT_EQ(seen[1].SQL, u"GetControl");
  EXPECT_EQ(seen[2].SQL, u"GetControlsList");
  EXPECT_EQ(seen[3].Data,
            u"4352\x0001MaxLength\x0001"
            u"3");
  EXPECT_EQ(model.Prop(kEdit, u"MaxLength").Bits, 0u);
}

TEST_F(HostObjectExports, LoadResourceByItsOwnNameAndItsForms) {
  auto load =
      reinterpret_cast<KARVO_PFN_LoadResource>(reinterpret_cast<void*>(::GetProcAddress(p.Module(), "LoadResource")));
  ASSERT_NE(load, nullptr);
  EXPECT_EQ(load(H(kBitmap), H(0x400000), "ICON", 0), 1);
  EXPECT_EQ(load(H(kBitmap), H(0x400000), nullptr, 7), 1);
  EXPECT_EQ(load(H(kBitmap), H(0x400000), nullptr, 0x10007), 0);
  EXPECT_EQ(p.LastError(), u"Błąd wczytywania zasobów!");
  EXPECT_EQ(KARVO_FN(p, LoadResourceW)(H(kBitmap), H(0x400000), nullptr, 7), 1) << "an empty name loads by number";
  BSTR icon = ::SysAllocString(L"ICON");
  EXPECT_EQ(KARVO_FN(p, LoadResourceW)(H(kBitmap), H(0x400000), icon, 0), 1);
  ::SysFreeString(icon);
  EXPECT_EQ(KARVO_FN(p, LoadResourceA)(H(kBitmap), H(0x400000), nullptr, 7), 1);
  EXPECT_EQ(model[kBitmap].Loads, (std::vector<std::u16string>{u"ICON", u"#7", u"#7", u"ICON", u"#7"}));
  EXPECT_EQ(load(H(kEdit), H(0x400000), "ICON", 0), 0);
  EXPECT_EQ(p.LastError(), u"W tej wersji obsługiwane są tylko bitmapy!");
}

TEST_F(HostObjectExports, MethodsLeaveAnEarlierMessageInPlace) {
  model[kEdit].Methods = {{"SelectAll", 0x77}};
  model.Code[0x77] = [](unsigned) { return true; };
  EXPECT_EQ(KARVO_FN(p, ExecuteAction)(H(kEdit)), 0);
  EXPECT_EQ(p.LastError(), u"Błąd wywołania akcji !");
  EXPECT_EQ(KARVO_FN(p, ExecuteClassMethodByName)(H(kEdit), "selectall"), 1);
  EXPECT_EQ(KARVO_FN(p, ExecuteMethod)(reinterpret_cast<void*>(0x77), H(kEdit)), 1);
  EXPECT_EQ(p.LastError(), u"Błąd wywołania akcji !");
  EXPECT_EQ(KARVO_FN(p, AddMenuItem)(H(kEdit), H(kEdit)), 0);
  EXPECT_EQ(p.LastError(), u"Pierwszy parametr nie jest typu TPupupMenu, TMainMenu lub TMenuItem!");
}

}  // namespace
}  // namespace karvo::test
