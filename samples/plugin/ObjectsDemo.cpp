// Host objects as a plug-in uses them: it finds the host's main form, lists
// its controls and a button's properties, changes the form's caption, adds
// a menu item with a bitmap from the host's resources, and runs an action
// and a published method.
#include "ObjectsDemo.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "karvo.h"

namespace {

int Check(const char* what, int result, int wanted) {
  const char* error = GetLastAPIError();
  std::printf("plugin: %-28s -> %d%s%s\n", what, result, error ? "  " : "", error ? error : "");
  std::fflush(stdout);
  return result == wanted ? 0 : 1;
}

void Show(const char* what, const char* text) {
  std::printf("plugin: %-28s -> %s\n", what, text ? text : "(null)");
  std::fflush(stdout);
}

// An object-valued property (Menu, SaveAction, Bitmap ...) as a handle.
KARVO_HANDLE Handle(KARVO_HANDLE object, const char* property) {
  VARIANT v;
  VariantInit(&v);
  GetProperty(&v, object, property);
  KARVO_HANDLE h =
      v.vt == VT_I4 ? reinterpret_cast<KARVO_HANDLE>(static_cast<ULONG_PTR>(static_cast<ULONG>(v.lVal))) : nullptr;
  VariantClear(&v);
  return h;
}

}  // namespace

int RunObjectsDemo() {
  int failures = 0;
  // The application stands behind container 0: its children are the forms.
  KARVO_HANDLE form = GetControl(nullptr, "MainForm");
  failures += Check("GetControl MainForm", form != nullptr, 1);
  if (form == nullptr) return failures;
  const char* controls = GetControlsList(form, 3);
  Show("GetControlsList", controls);
  failures += Check("btnSave among the controls", controls != nullptr && std::strstr(controls, "btnSave:TButton"), 1);
  KARVO_HANDLE button = GetControl(form, "BTNSAVE");
  Show("GetPropertyList btnSave", GetPropertyList(button, 1));
  Show("GetPropertyList Gauge1", GetPropertyList(GetControl(form, "Gauge1"), 7));

  VARIANT caption;
  VariantInit(&caption);
  caption.vt = VT_BSTR;
  caption.bstrVal = SysAllocString(L"Kontrahenci \x2013 wtyczka");
  failures += Check("SetProperty Caption", SetProperty(form, "Caption", caption), 1);
  VariantClear(&caption);
  Show("GetPropertyStr Caption", GetPropertyStr(form, "Caption"));

  // A menu item made by the host, its bitmap loaded from the host's
  // resources, appended to the main menu.
  KARVO_HANDLE item = AddControl(form, "TMenuItem", "mnuPlugin;Z wtyczki");
  failures += Check("AddControl TMenuItem", item != nullptr, 1);
  // LoadResource shares its name with a Windows function: karvo.h declares
  // it as KarvoLoadResource, which the import library maps to the export.
  KARVO_HANDLE bitmap = Handle(item, "Bitmap");
  KARVO_HANDLE host = reinterpret_cast<KARVO_HANDLE>(GetModuleHandleA(nullptr));
  failures += Check("KarvoLoadResource LOGO", KarvoLoadResource(bitmap, host, "LOGO", 0), 1);
  Show("bitmap Width,Height", GetPropertyList(bitmap, 5));
  failures += Check("KarvoLoadResource 70000", KarvoLoadResource(bitmap, host, nullptr, 70000), 0);
  failures += Check("AddMenuItem", AddMenuItem(Handle(form, "Menu"), item), 1);
  failures += Check("AddMenuItem again", AddMenuItem(Handle(form, "Menu"), item), 0);

  failures += Check("ExecuteAction actSave", ExecuteAction(Handle(form, "SaveAction")), 1);
  failures += Check("ExecuteAction actNothing", ExecuteAction(Handle(form, "EmptyAction")), 0);
  Show("SaveCount", GetPropertyStr(form, "SaveCount"));
  failures += Check("ExecuteClassMethodByName", ExecuteClassMethodByName(button, "click"), 1);
  Show("GetPropertyStr Caption", GetPropertyStr(form, "Caption"));
  return failures;
}
