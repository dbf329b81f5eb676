// KarvoTestKit.dll: the test kit of KarvoTestKit.h behind a C interface, so
// that tests of a plug-in can be written in C, Pascal or C#. Declared in
// karvo_testkit.h, karvotestkit.pas and KarvoTestKit.cs, all made from
// testkit/karvotestkit.exports. No failure crosses the interface: a call on
// an unknown object or with a text it cannot read returns its failure value.
#include <windows.h>
// After windows.h, which it needs.
#include <oleauto.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "KarvoTestKit.h"

using namespace karvo::test;

namespace {

using KitText = const WCHAR*;

std::u16string In(KitText text) { return text != nullptr ? reinterpret_cast<const char16_t*>(text) : u""; }

// Commands, method names and operations are ASCII.
std::string Ascii(const std::u16string& text) {
  std::string out;
  for (char16_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

std::u16string FromAscii(const std::string& text) { return std::u16string(text.begin(), text.end()); }

std::string Ansi(const std::u16string& text) {
  if (text.empty()) return {};
  const wchar_t* w = reinterpret_cast<const wchar_t*>(text.data());
  int n = ::WideCharToMultiByte(CP_ACP, 0, w, static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? static_cast<std::size_t>(n) : 0, '\0');
  if (n > 0) ::WideCharToMultiByte(CP_ACP, 0, w, static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
  return out;
}

std::u16string FromAnsi(const std::string& text) {
  if (text.empty()) return {};
  int n = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::u16string out(n > 0 ? static_cast<std::size_t>(n) : 0, u'\0');
  if (n > 0)
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), reinterpret_cast<wchar_t*>(&out[0]),
                          n);
  return out;
}

// A text into the caller's BSTR variable: the BSTR it held is freed, an
// empty text leaves null.
void Out(BSTR* variable, const std::u16string& text) {
  if (variable == nullptr) return;
  BSTR fresh = text.empty()
                   ? nullptr
                   : ::SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()), static_cast<UINT>(text.size()));
  ::SysFreeString(*variable);
  *variable = fresh;
}

std::vector<std::u16string> Split(const std::u16string& text, char16_t separator) {
  std::vector<std::u16string> parts(1);
  for (char16_t c : text) {
    if (c == separator)
      parts.emplace_back();
    else
      parts.back().push_back(c);
  }
  return parts;
}

template <class R, class F>
R Guarded(R failure, F&& work) {
  try {
    return work();
  } catch (...) {
    return failure;
  }
}
template <class F>
void Guarded(F&& work) {
  try {
    work();
  } catch (...) {
  }
}

// ---- The scripted host and its rules.

struct Rule {
  bool anyCommand;
  std::string command;
  std::u16string sql, data;
  Answer answer;
  bool Matches(const SeenRequest& r) const {
    return (anyCommand || r.Command == command) && r.SQL.rfind(sql, 0) == 0 && r.Data.rfind(data, 0) == 0;
  }
};

class KitHost {
 public:
  KitHost() {
    host.SetHandler([this](const SeenRequest& r) {
      std::lock_guard<std::mutex> l(mu_);
      for (const Rule& rule : rules_)
        if (rule.Matches(r)) return rule.answer;
      return Answer::Code(KARVO_REPLY_SUCCESS);
    });
  }
  void Add(KitText command, KitText sql, KitText data, Answer answer) {
    std::lock_guard<std::mutex> l(mu_);
    rules_.push_back({command == nullptr, Ascii(In(command)), In(sql), In(data), std::move(answer)});
  }
  void Clear() {
    std::lock_guard<std::mutex> l(mu_);
    rules_.clear();
  }
  ScriptedHost host;

 private:
  std::mutex mu_;
  std::vector<Rule> rules_;
};

// A null kit object is a failure of the call, like an unknown handle.
template <class T>
T& Kit(void* kit) {
  if (kit == nullptr) throw std::invalid_argument("no kit object");
  return *static_cast<T*>(kit);
}
KitHost* Host(void* kit) { return &Kit<KitHost>(kit); }

// ---- Test objects: values as text by their kind.

bool Ordinal(unsigned kind) {
  return kind == KARVO_tkInteger || kind == KARVO_tkChar || kind == KARVO_tkEnumeration || kind == KARVO_tkSet ||
         kind == KARVO_tkClass || kind == KARVO_tkWChar;
}
bool Textual(unsigned kind) {
  return kind == KARVO_tkString || kind == KARVO_tkLString || kind == KARVO_tkWString || kind == KARVO_tkUString;
}

void SetValue(TestProperty& p, const std::u16string& value) {
  std::string a = Ascii(value);
  if (Ordinal(p.Kind)) {
    p.Bits = static_cast<std::uint32_t>(std::strtoll(a.c_str(), nullptr, 10));
    p.OrdType = p.Kind == KARVO_tkClass ? KARVO_otULong : KARVO_otSLong;
  } else if (p.Kind == KARVO_tkFloat) {
    p.Float = std::strtod(a.c_str(), nullptr);
  } else if (Textual(p.Kind)) {
    p.Text = value;
  } else if (p.Kind == KARVO_tkMethod) {
    char* end = nullptr;
    p.Method.Code = static_cast<unsigned>(std::strtoul(a.c_str(), &end, 10));
    p.Method.Data = *end == ',' ? static_cast<unsigned>(std::strtoul(end + 1, nullptr, 10)) : 0;
  }
}

std::u16string ValueText(const TestProperty& p) {
  char buf[64] = "";
  if (Ordinal(p.Kind) && p.OrdType == KARVO_otULong)
    std::snprintf(buf, sizeof buf, "%lu", static_cast<unsigned long>(p.Bits));
  else if (Ordinal(p.Kind))
    std::snprintf(buf, sizeof buf, "%ld", static_cast<long>(static_cast<std::int32_t>(p.Bits)));
  else if (p.Kind == KARVO_tkFloat)
    std::snprintf(buf, sizeof buf, "%.17g", p.Float);
  else if (Textual(p.Kind))
    return p.Text;
  else if (p.Kind == KARVO_tkMethod)
    std::snprintf(buf, sizeof buf, "%u,%u", p.Method.Code, p.Method.Data);
  return FromAscii(buf);
}

TestHostModel& Model(void* kit) { return Kit<TestHostModel>(kit); }

}  // namespace

extern "C" {

// ---- Scripted host

void* __stdcall KarvoKitHostCreate() {
  return Guarded<void*>(nullptr, [] {
    auto* h = new KitHost;
    if (h->host.ApiHandle().empty()) {
      delete h;
      return static_cast<KitHost*>(nullptr);
    }
    return h;
  });
}

void __stdcall KarvoKitHostFree(void* host) { delete static_cast<KitHost*>(host); }

void __stdcall KarvoKitHostApiHandle(BSTR* aResult, void* host) {
  Guarded([&] { Out(aResult, FromAscii(Host(host)->host.ApiHandle())); });
}

void __stdcall KarvoKitHostSetState(void* host, int state) {
  Guarded([&] { Host(host)->host.SetState(static_cast<std::uint8_t>(state)); });
}

void __stdcall KarvoKitAnswerCode(void* host, KitText command, KitText sql, KitText data, int code, KitText message) {
  Guarded([&] {
    Answer a = Answer::Code(static_cast<std::uint8_t>(code));
    a.WriteData = message != nullptr;
    a.Data = In(message);
    Host(host)->Add(command, sql, data, a);
  });
}

void __stdcall KarvoKitAnswerVerdict(void* host, KitText command, KitText sql, KitText data, int success,
                                     KitText answer) {
  Guarded([&] { Host(host)->Add(command, sql, data, Answer::Verdict(success != 0, In(answer))); });
}

void __stdcall KarvoKitAnswerPointer(void* host, KitText command, KitText sql, KitText data, int success,
                                     unsigned int pointer) {
  Guarded([&] { Host(host)->Add(command, sql, data, Answer::VerdictWithPointer(success != 0, u"", pointer)); });
}

void __stdcall KarvoKitAnswerSilent(void* host, KitText command, KitText sql, KitText data) {
  Guarded([&] { Host(host)->Add(command, sql, data, Answer::Silent()); });
}

void __stdcall KarvoKitAnswersClear(void* host) {
  Guarded([&] { Host(host)->Clear(); });
}

int __stdcall KarvoKitRequestCount(void* host) {
  return Guarded(0, [&] { return static_cast<int>(Host(host)->host.RequestCount()); });
}

int __stdcall KarvoKitRequestText(BSTR* aResult, void* host, int index, int part) {
  return Guarded(0, [&] {
    std::vector<SeenRequest> seen = Host(host)->host.Requests();
    if (index < 0 || static_cast<std::size_t>(index) >= seen.size() || part < 0 || part > 2) {
      Out(aResult, u"");
      return 0;
    }
    const SeenRequest& r = seen[static_cast<std::size_t>(index)];
    Out(aResult, part == 0 ? FromAscii(r.Command) : part == 1 ? r.SQL : r.Data);
    return 1;
  });
}

unsigned int __stdcall KarvoKitRequestPointer(void* host, int index) {
  return Guarded(0u, [&] {
    std::vector<SeenRequest> seen = Host(host)->host.Requests();
    return index >= 0 && static_cast<std::size_t>(index) < seen.size()
               ? seen[static_cast<std::size_t>(index)].DataPointer
               : 0u;
  });
}

int __stdcall KarvoKitCountRequests(void* host, KitText command, KitText sql, KitText data) {
  return Guarded(0, [&] {
    Rule match{command == nullptr, Ascii(In(command)), In(sql), In(data), Answer()};
    int n = 0;
    for (const SeenRequest& r : Host(host)->host.Requests()) n += match.Matches(r) ? 1 : 0;
    return n;
  });
}

// ---- Call documents

void __stdcall KarvoKitCallDocument(BSTR* aResult, KitText procName, KitText apiHandle, KitText inputs) {
  Guarded([&] {
    std::vector<CallInput> vars;
    for (const std::u16string& line : Split(In(inputs), u'\n')) {
      std::u16string trimmed = !line.empty() && line.back() == u'\r' ? line.substr(0, line.size() - 1) : line;
      if (trimmed.empty()) continue;
      std::vector<std::u16string> f = Split(trimmed, u'\t');
      vars.push_back({Ansi(f[0]), f.size() > 1 ? Ansi(f[1]) : "STRING", f.size() > 2 ? Ansi(f[2]) : ""});
    }
    Out(aResult, FromAnsi(CallDocument(Ansi(In(procName)), Ansi(In(apiHandle)), vars)));
  });
}

// ---- Test objects

void* __stdcall KarvoKitModelCreate() {
  return Guarded<void*>(nullptr, [] { return static_cast<void*>(new TestHostModel); });
}

void __stdcall KarvoKitModelFree(void* model) { delete static_cast<TestHostModel*>(model); }

int __stdcall KarvoKitAddObject(void* model, unsigned int handle, KitText className, KitText name) {
  return Guarded(0, [&] {
    Model(model).Objects.Add(handle, MakeObject(In(className), In(name)));
    return 1;
  });
}

int __stdcall KarvoKitAddChild(void* model, unsigned int parent, unsigned int child) {
  return Guarded(0, [&] {
    Model(model).Objects[parent].Children.push_back(child);
    return 1;
  });
}

int __stdcall KarvoKitAddProperty(void* model, unsigned int handle, KitText name, KitText typeName, int kind,
                                  KitText value) {
  return Guarded(0, [&] {
    TestObject& o = Model(model).Objects[handle];
    TestProperty p;
    p.Name = In(name);
    p.TypeName = In(typeName);
    p.Kind = static_cast<unsigned>(kind);
    SetValue(p, In(value));
    o.Properties.push_back(p);
    return 1;
  });
}

int __stdcall KarvoKitPropertyText(BSTR* aResult, void* model, unsigned int handle, KitText name) {
  return Guarded(0, [&] {
    Out(aResult, ValueText(Model(model).Objects.Prop(handle, In(name))));
    return 1;
  });
}

int __stdcall KarvoKitPropertyWrites(void* model, unsigned int handle, KitText name) {
  return Guarded(-1, [&] { return Model(model).Objects.Prop(handle, In(name)).Writes; });
}

int __stdcall KarvoKitFailProperty(void* model, unsigned int handle, KitText name, int failReads, int failWrites) {
  return Guarded(0, [&] {
    TestProperty& p = Model(model).Objects.Prop(handle, In(name));
    p.FailReads = failReads != 0;
    p.FailWrites = failWrites != 0;
    return 1;
  });
}

int __stdcall KarvoKitSetMenuRoot(void* model, unsigned int menu, unsigned int rootItem) {
  return Guarded(0, [&] {
    Model(model).Objects[menu].RootItem = rootItem;
    return 1;
  });
}

int __stdcall KarvoKitMenuItemCount(void* model, unsigned int item) {
  return Guarded(-1, [&] { return static_cast<int>(Model(model).Objects[item].Items.size()); });
}

unsigned int __stdcall KarvoKitMenuItem(void* model, unsigned int item, int index) {
  return Guarded(0u, [&] { return Model(model).Objects[item].Items.at(static_cast<std::size_t>(index)); });
}

int __stdcall KarvoKitBitmapLoadable(void* model, unsigned int bitmap, KitText resource) {
  return Guarded(0, [&] {
    Model(model).Objects[bitmap].Loadable.push_back(In(resource));
    return 1;
  });
}

int __stdcall KarvoKitBitmapLoads(BSTR* aResult, void* model, unsigned int bitmap) {
  return Guarded(-1, [&] {
    const std::vector<std::u16string>& loads = Model(model).Objects[bitmap].Loads;
    std::u16string joined;
    for (const std::u16string& l : loads) joined += (joined.empty() ? u"" : u"\n") + l;
    Out(aResult, joined);
    return static_cast<int>(loads.size());
  });
}

int __stdcall KarvoKitSetAction(void* model, unsigned int action, int handled) {
  return Guarded(0, [&] {
    Model(model).Objects[action].ActionResult = handled != 0;
    return 1;
  });
}

int __stdcall KarvoKitActionRuns(void* model, unsigned int action) {
  return Guarded(-1, [&] { return Model(model).Objects[action].ActionRuns; });
}

int __stdcall KarvoKitAddMethod(void* model, unsigned int handle, KitText name, unsigned int code, int succeeds) {
  return Guarded(0, [&] {
    TestHostModel& m = Model(model);
    m.Objects[handle].Methods.emplace_back(Ascii(In(name)), code);
    bool ok = succeeds != 0;
    m.Objects.Code[code] = [ok](unsigned) { return ok; };
    return 1;
  });
}

int __stdcall KarvoKitMethodCalls(void* model, unsigned int code) {
  return Guarded(0, [&] {
    int n = 0;
    for (const KarvoMethod& c : Model(model).Objects.Calls) n += c.Code == code ? 1 : 0;
    return n;
  });
}

// ---- Test data sets

unsigned int __stdcall KarvoKitAddQuery(void* model, KitText fields) {
  return Guarded(0u, [&] {
    TestDataSet ds;
    ds.Fields = Split(In(fields), u'\t');
    return Model(model).Data.AddQuery(ds);
  });
}

int __stdcall KarvoKitAddRow(void* model, unsigned int query, KitText values) {
  return Guarded(0, [&] {
    Model(model).Data.SetOf(query).Rows.push_back(Split(In(values), u'\t'));
    return 1;
  });
}

int __stdcall KarvoKitQueryFailAfter(void* model, unsigned int query, KitText operation, int calls) {
  return Guarded(0, [&] {
    Model(model).Data.SetOf(query).FailAfter[Ascii(In(operation))] = calls;
    return 1;
  });
}

int __stdcall KarvoKitQueryCalls(void* model, unsigned int query, KitText operation) {
  return Guarded(0, [&] { return Model(model).Data.SetOf(query).Calls[Ascii(In(operation))]; });
}

int __stdcall KarvoKitQueryRecord(void* model, unsigned int query) {
  return Guarded(-1, [&] {
    const TestDataSet& ds = Model(model).Data.SetOf(query);
    return ds.Rows.empty() ? 0 : ds.Cur + 1;
  });
}

// ---- Sessions and plug-ins

void* __stdcall KarvoKitSessionOpen(void* model, KitText karvoDll) {
  return Guarded<void*>(nullptr, [&] {
    std::string dll = karvoDll != nullptr ? Ansi(In(karvoDll)) : "KARVO.DLL";
    const KarvoObjectModel* table = model != nullptr ? Model(model).Table() : nullptr;
    return static_cast<void*>(new KarvoSession(table, dll.c_str()));
  });
}

int __stdcall KarvoKitSessionReady(void* session) {
  return Guarded(0, [&] { return session != nullptr && static_cast<KarvoSession*>(session)->Ready() ? 1 : 0; });
}

void __stdcall KarvoKitSessionClose(void* session) { delete static_cast<KarvoSession*>(session); }

int __stdcall KarvoKitRunPlugin(BSTR* aAnswer, KitText pluginDll, KitText callDocument) {
  return Guarded(-1, [&] {
    Out(aAnswer, u"");
    HMODULE m = ::LoadLibraryW(pluginDll);
    if (m == nullptr) return -1;
    using Run = int(__stdcall*)(const char*);
    using Answered = const char*(__stdcall*)();
    auto run = reinterpret_cast<Run>(reinterpret_cast<void*>(::GetProcAddress(m, "KarvoPluginRun")));
    auto answered = reinterpret_cast<Answered>(reinterpret_cast<void*>(::GetProcAddress(m, "KarvoPluginAnswer")));
    int rc = -1;
    if (run != nullptr) {
      rc = run(Ansi(In(callDocument)).c_str());
      const char* doc = answered != nullptr ? answered() : nullptr;
      if (doc != nullptr) Out(aAnswer, FromAnsi(doc));
    }
    ::FreeLibrary(m);
    return rc;
  });
}

}  // extern "C"
