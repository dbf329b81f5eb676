// A plug-in that walks refhost's objects through every export with a host
// path and prints what it got, one line each. refhost runs it in its own
// process (the direct path) and karvo_probe_client in another (the host
// path); the two transcripts must be the same. Nothing that differs by
// process (handles, method pair numbers) is printed.
#include <windows.h>

#include <cstdio>
#include <string>

#include "karvo.h"

namespace {

std::string Text(const char* s) { return s != nullptr ? s : "(null)"; }

// A missing property is told apart from a failed direct attempt only in
// refhost's process: there the message is left out.
void Line(const std::string& what, const std::string& result, bool withError = true) {
  const char* error = withError ? GetLastAPIError() : nullptr;
  std::printf("probe: %s -> %s | %s\n", what.c_str(), result.c_str(), error != nullptr ? error : "");
  std::fflush(stdout);
}

// Method pairs are numbered by where their copy lives: the values of the
// On... events are masked.
std::string Masked(std::string list) {
  for (std::size_t at = list.find("On"); at != std::string::npos; at = list.find("On", at + 1)) {
    if (at != 0 && list[at - 1] != ';') continue;
    std::size_t from = list.find('=', at), to = list.find(';', at);
    if (from == std::string::npos || (to != std::string::npos && from > to)) continue;
    list.replace(from + 1, (to == std::string::npos ? list.size() : to) - from - 1, "#");
  }
  return list;
}

std::string VariantText(VARIANT& v) {
  VARIANT t;
  VariantInit(&t);
  std::string out = "(no text)";
  if (SUCCEEDED(VariantChangeTypeEx(&t, &v, LOCALE_USER_DEFAULT, 0, VT_BSTR))) {
    int n = WideCharToMultiByte(CP_ACP, 0, t.bstrVal, -1, nullptr, 0, nullptr, nullptr);
    out.assign(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) WideCharToMultiByte(CP_ACP, 0, t.bstrVal, -1, &out[0], n, nullptr, nullptr);
  }
  VariantClear(&t);
  return out;
}

std::string Get(KARVO_HANDLE o, const char* name) {
  VARIANT v;
  VariantInit(&v);
  GetProperty(&v, o, name);
  std::string s = VariantText(v);
  VariantClear(&v);
  return s;
}

VARIANT Bstr(const wchar_t* s) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BSTR;
  v.bstrVal = SysAllocString(s);
  return v;
}

}  // namespace

extern "C" __declspec(dllexport) int __stdcall KarvoPluginRun(const char* apiText) {
  if (OpenAPI(apiText) != 1) return 1;
  KARVO_HANDLE form = GetControl(nullptr, "MainForm");
  Line("GetControl MainForm", form != nullptr ? "found" : "none");
  if (form == nullptr) return 1;
  Line("GetControlsList form 3", Text(GetControlsList(form, 3)));
  Line("GetControlsList form 1", Text(GetControlsList(form, 1)));
  Line("GetControlsList form 0x102", Text(GetControlsList(form, 0x102)));
  KARVO_HANDLE panel = GetControl(form, "panel1");
  KARVO_HANDLE gauge = GetControl(form, "Gauge1");
  Line("GetControlsList panel", Text(GetControlsList(panel, 3)));
  Line("GetControl none", GetControl(form, "Nothing") == nullptr ? "null" : "found");
  Line("GetControl unnamed", GetControl(form, "") != nullptr ? "found" : "null");
  Line("GetPropertyList gauge 7", Masked(Text(GetPropertyList(gauge, 7))));
  Line("GetPropertyList gauge 0x0A", Text(GetPropertyList(gauge, 0x10A)));
  Line("GetPropertyList edtName 5", Masked(Text(GetPropertyList(GetControl(panel, "edtName"), 5))));
  for (const char* p : {"progress", "MaxValue", "Ratio", "Price", "WideText", "Kind", "Symbol", "Data"})
    Line(std::string("GetProperty ") + p, Get(gauge, p));
  Line("GetProperty Nope", Get(gauge, "Nope"), false);

  VARIANT v = Bstr(L"55");
  Line("SetProperty Progress '55'", std::to_string(SetProperty(gauge, "Progress", v)));
  VariantClear(&v);
  VARIANT r8;
  VariantInit(&r8);
  r8.vt = VT_R8;
  r8.dblVal = 0.5;
  Line("SetProperty Ratio 0.5", std::to_string(SetProperty(gauge, "Ratio", r8)));
  v = Bstr(L"abc");
  Line("SetProperty Progress 'abc'", std::to_string(SetProperty(gauge, "Progress", v)));
  Line("SetProperty Nope", std::to_string(SetProperty(gauge, "Nope", v)), false);
  VariantClear(&v);
  v = Bstr(L"Gauge z wtyczki");
  Line("SetProperty Hint", std::to_string(SetProperty(gauge, "hint", v)));
  VariantClear(&v);
  Line("GetPropertyList gauge 5 after", Masked(Text(GetPropertyList(gauge, 5))));
  Line("GetPropertyStr Progress", Text(GetPropertyStr(gauge, "Progress")));
  Line("SetPropertyStr Caption", std::to_string(SetPropertyStr(form, "Caption", "Nowy tytuł")));
  Line("GetPropertyStr Caption", Text(GetPropertyStr(form, "Caption")));

  Line("AddControl TButton", AddControl(panel, "TButton", "btnNew;Nowy") != nullptr ? "made" : "none");
  Line("AddControl TWindow", AddControl(panel, "TWindow", "w") != nullptr ? "made" : "none");
  Line("CloneContener panel 2", std::to_string(CloneContener(panel, 2)));
  Line("CloneContener panel 0", std::to_string(CloneContener(panel, 0)));
  Line("GetControlsList form after", Text(GetControlsList(form, 1)));
  Line("GetControlsList clone", Text(GetControlsList(GetControl(form, "Panel1_2"), 3)));
  return 0;
}
