// How a plug-in author tests a plug-in in C# without the real host, through
// KarvoTestKit.dll: the first case of TestKitExample.c, against the C sample
// plug-in. Build it for x86 with KarvoTestKit.cs (csc -platform:x86
// TestKitExample.cs KarvoTestKit.cs) and run it on Windows where KARVO.DLL and
// KarvoTestKit.dll are (bin/ of the release).
//   TestKitExample [plugin.dll]
using System;
using Karvo;

static class TestKitExample
{
    const uint Form = 0x100, Menu = 0x110, RootItem = 0x111, NewItem = 0x120, Bitmap = 0x121;
    static int passed, failed;

    static void Expect(bool ok, string what)
    {
        Console.WriteLine("{0}  {1}", ok ? "ok    " : "FAILED", what);
        if (ok) passed++; else failed++;
    }

    static int Main(string[] args)
    {
        string plugin = args.Length > 0 ? args[0] : "SamplePluginC.dll";
        IntPtr host = KarvoTestKit.KarvoKitHostCreate();
        IntPtr model = KarvoTestKit.KarvoKitModelCreate();
        KarvoTestKit.KarvoKitAddObject(model, Form, "TMainForm", "MainForm");
        KarvoTestKit.KarvoKitAddProperty(model, Form, "Menu", "TMainMenu", KarvoTestKit.KARVO_KIT_tkClass, Menu.ToString());
        KarvoTestKit.KarvoKitAddObject(model, Menu, "TMainMenu", "MainMenu1");
        KarvoTestKit.KarvoKitSetMenuRoot(model, Menu, RootItem);
        KarvoTestKit.KarvoKitAddObject(model, RootItem, "TMenuItem", null);
        KarvoTestKit.KarvoKitAddObject(model, NewItem, "TMenuItem", null);
        KarvoTestKit.KarvoKitAddProperty(model, NewItem, "Bitmap", "TBitmap", KarvoTestKit.KARVO_KIT_tkClass,
                                         Bitmap.ToString());
        KarvoTestKit.KarvoKitAddObject(model, Bitmap, "TBitmap", null);
        KarvoTestKit.KarvoKitBitmapLoadable(model, Bitmap, "PLUGINLOGO");
        uint goods = KarvoTestKit.KarvoKitAddQuery(model, "ID\tNAZWA\tSTAN");
        KarvoTestKit.KarvoKitAddRow(model, goods, "1\tMąka żytnia\t120");
        KarvoTestKit.KarvoKitAddRow(model, goods, "2\tKasza gryczana\t0");

        KarvoTestKit.KarvoKitAnswerPointer(host, "OPEN_QUERY_SQL", null, null, 1, goods);
        KarvoTestKit.KarvoKitAnswerVerdict(host, "_PROC_", "GetControl", "0\u0001MainForm", 1, Form.ToString());
        KarvoTestKit.KarvoKitAnswerPointer(host, "ADD_CONTROL", null, null, 1, NewItem);

        string api = null, call = null, answer = null;
        KarvoTestKit.KarvoKitHostApiHandle(ref api, host);
        KarvoTestKit.KarvoKitCallDocument(ref call, "WycenZamowienie", api,
                                          "Klient\tSTRING\tNowak\nIlosc\tINTEGER\t4\nCenaGrosze\tINTEGER\t250");
        IntPtr session = KarvoTestKit.KarvoKitSessionOpen(model, null);
        Expect(KarvoTestKit.KarvoKitSessionReady(session) == 1, "KARVO.DLL loaded with the test model installed");
        Expect(KarvoTestKit.KarvoKitRunPlugin(ref answer, plugin, call) == 0, "a full host: every step succeeds");
        Expect(KarvoTestKit.KarvoKitCountRequests(host, "CLOSE_QUERY_SQL", null, null) == 1, "the query was closed");
        Expect(KarvoTestKit.KarvoKitMenuItemCount(model, RootItem) == 1, "the item is in the main menu");
        Expect(answer != null && answer.Contains("NAME=\"WartoscGrosze\""), "the answered call document");

        KarvoTestKit.KarvoKitSessionClose(session);
        KarvoTestKit.KarvoKitModelFree(model);
        KarvoTestKit.KarvoKitHostFree(host);
        Console.WriteLine("{0} passed, {1} failed", passed, failed);
        return failed == 0 ? 0 : 1;
    }
}
