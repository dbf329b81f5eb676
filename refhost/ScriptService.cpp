// Script procedures: each script is a Duktape heap of its own (ScriptEngine),
// known to plug-ins by a number that is never 0 and never given out twice.
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

#include "RefHostService.h"
#include "ScriptEngine.h"

namespace refhost {
namespace {

constexpr std::size_t kMaxScripts = 64;

std::mutex g_mu;
std::map<std::uint32_t, std::shared_ptr<Script>>& Scripts() {
  static std::map<std::uint32_t, std::shared_ptr<Script>> m;
  return m;
}
std::uint32_t g_next = 1;

std::u16string Num(std::uint64_t v) {
  std::string s = std::to_string(v);
  return std::u16string(s.begin(), s.end());
}

// The library sends handles as unsigned decimal; nothing else is a handle.
bool ParseHandle(const std::u16string& text, std::uint32_t& out) {
  if (text.empty() || text.size() > 10) return false;
  std::uint64_t v = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return false;
    v = v * 10 + (c - u'0');
  }
  if (v > 0xFFFFFFFFull) return false;
  out = static_cast<std::uint32_t>(v);
  return true;
}

// A procedure on an existing script, with its exact number of arguments: a
// name or value holding U+0001 arrives as more arguments and is refused.
using ScriptOp = ScriptOutcome (*)(Script&, const std::vector<std::u16string>& args);

ProcHandler OnScript(const char16_t* proc, std::size_t argc, ScriptOp op) {
  return [proc, argc, op](const std::vector<std::u16string>& args, ReplyWriter& out) {
    if (args.size() != argc) {
      out.Verdict(false, u"refhost: " + std::u16string(proc) + u" oczekuje " + Num(argc) + u" argumentów, jest " +
                             Num(args.size()));
      return;
    }
    std::uint32_t h = 0;
    std::shared_ptr<Script> s;
    if (ParseHandle(args[0], h)) {
      std::lock_guard<std::mutex> l(g_mu);
      auto it = Scripts().find(h);
      if (it != Scripts().end()) s = it->second;
    }
    if (!s) {
      out.Verdict(false, u"refhost: nieznany skrypt " + args[0]);
      return;
    }
    ScriptOutcome o = op(*s, args);
    out.Verdict(o.ok, o.text);
  };
}

Registration createScript(
    "CreateScript",
    [](const std::vector<std::u16string>& args, ReplyWriter& out) {
      // The script text is the whole argument text: put back any U+0001
      // that split it.
      std::u16string source;
      for (std::size_t i = 0; i < args.size(); ++i) source += (i == 0 ? u"" : u"\x0001") + args[i];
      std::uint32_t h = 0;
      {
        std::lock_guard<std::mutex> l(g_mu);
        if (Scripts().size() >= kMaxScripts) {
          out.Verdict(false, u"refhost: za dużo skryptów (" + Num(kMaxScripts) + u")");
          return;
        }
        // Numbers stay positive as the library reads them, and skip any
        // still in use once they wrap.
        do {
          h = g_next++;
          if (g_next > 0x7FFFFFFF) g_next = 1;
        } while (Scripts().count(h) != 0);
      }
      std::u16string error;
      std::shared_ptr<Script> s(Script::Create(h, source, error));
      if (!s) {
        out.Verdict(false, error);
        return;
      }
      std::lock_guard<std::mutex> l(g_mu);
      Scripts()[h] = std::move(s);
      out.Verdict(true, Num(h));
    },
    0);

Registration addVariant("AddScriptVariant",
                        OnScript(u"AddScriptVariant", 3,
                                 [](Script& s, const std::vector<std::u16string>& a) {
                                   return s.AddVariable(a[1], a[2]);
                                 }),
                        0);

Registration setVariant("SetScriptVariant",
                        OnScript(u"SetScriptVariant", 3,
                                 [](Script& s, const std::vector<std::u16string>& a) {
                                   return s.SetVariable(a[1], a[2]);
                                 }),
                        0);

Registration getVariant("GetScriptVariant",
                        OnScript(u"GetScriptVariant", 2,
                                 [](Script& s, const std::vector<std::u16string>& a) { return s.GetVariable(a[1]); }),
                        0);

Registration addFunction("AddScriptFunction",
                         OnScript(u"AddScriptFunction", 3,
                                  [](Script& s, const std::vector<std::u16string>& a) {
                                    std::uint32_t fn = 0;
                                    if (!ParseHandle(a[1], fn))
                                      return ScriptOutcome::Fail(u"refhost: nieznana funkcja hosta " + a[1]);
                                    return s.AddFunction(fn, a[2]);
                                  }),
                         0);

Registration execute("ExecuteScript",
                     OnScript(u"ExecuteScript", 1,
                              [](Script& s, const std::vector<std::u16string>&) { return s.Execute(); }),
                     0);

Registration executeAsynch("ExecuteAsynchScript",
                           OnScript(u"ExecuteAsynchScript", 2,
                                    [](Script& s, const std::vector<std::u16string>& a) {
                                      if (a[1] == u"1") return s.StartInBackground();
                                      if (a[1] == u"0") return s.Execute();
                                      return ScriptOutcome::Fail(u"refhost: zły znacznik wykonania " + a[1]);
                                    }),
                           0);

Registration status("CheckAsynchScriptStatus",
                    OnScript(u"CheckAsynchScriptStatus", 1,
                             [](Script& s, const std::vector<std::u16string>&) { return s.Status(); }),
                    0);

Registration freeScript(
    "FreeScript",
    [](const std::vector<std::u16string>& args, ReplyWriter& out) {
      std::uint32_t h = 0;
      std::shared_ptr<Script> s;
      if (args.size() == 1 && ParseHandle(args[0], h)) {
        std::lock_guard<std::mutex> l(g_mu);
        auto it = Scripts().find(h);
        if (it != Scripts().end()) {
          s = std::move(it->second);
          Scripts().erase(it);
        }
      }
      if (!s) {
        out.Verdict(false, u"refhost: nieznany skrypt " + (args.empty() ? u"" : args[0]));
        return;
      }
      s.reset();  // stops a background run first
      out.Verdict(true, u"");
    },
    0);

}  // namespace
}  // namespace refhost
