#include "ThreadMix.h"

#include <oleauto.h>

#include "platform/WindowsSupport.h"

namespace karvo::test {

namespace {

constexpr KarvoHandle kFirstObject = 0x2100;

KARVO_HANDLE Object(int t) {
  return reinterpret_cast<KARVO_HANDLE>(static_cast<std::uintptr_t>(kFirstObject + static_cast<unsigned>(t)));
}

std::string Mark(int t) { return "T" + std::to_string(t) + "#"; }
std::string Str(const char* s) { return s == nullptr ? std::string("(null)") : std::string(s); }

std::string Ansi(const std::u16string& s) {
  if (s.empty()) return {};
  auto w = reinterpret_cast<const wchar_t*>(s.c_str());
  int n = ::WideCharToMultiByte(CP_ACP, 0, w, static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) ::WideCharToMultiByte(CP_ACP, 0, w, static_cast<int>(s.size()), &out[0], n, nullptr, nullptr);
  return out;
}

std::u16string Wide(const std::string& s) {
  if (s.empty()) return {};
  int n = ::MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::u16string out(static_cast<std::size_t>(n > 0 ? n : 0), u'\0');
  if (n > 0)
    ::MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), reinterpret_cast<wchar_t*>(&out[0]), n);
  return out;
}

// Takes the BSTR over.
std::string FromBstr(BSTR b) {
  std::string s = b == nullptr ? std::string("(null)")
                               : Ansi(std::u16string(reinterpret_cast<const char16_t*>(b), ::SysStringLen(b)));
  ::SysFreeString(b);
  return s;
}

BSTR NewBstr(const std::u16string& s) {
  return ::SysAllocStringLen(reinterpret_cast<const wchar_t*>(s.c_str()), static_cast<UINT>(s.size()));
}

void Compare(MixTally& tally, int t, int threads, const std::string& got, const std::string& want) {
  if (got == want) return;
  for (int u = 0; u < threads; ++u)
    if (u != t && got.find(Mark(u)) != std::string::npos) {
      ++tally.foreign;
      return;
    }
  ++tally.torn;
}

}  // namespace

Answer MixAnswer(const SeenRequest& r) {
  if (r.Command == "GET_FROM_QUERY_SQL") return Answer::Verdict(true, r.SQL);
  if (r.Command == "_PROC_") return Answer::Verdict(true, r.Data);
  // EXECUTE_SQL: an even number at the end succeeds, an odd one fails with
  // the statement as the host's message.
  bool odd = !r.SQL.empty() && (r.SQL.back() - u'0') % 2 == 1;
  return odd ? Answer::Raw("\xFA", r.SQL) : Answer::Code(1);
}

void AddMixObjects(TestObjectModel& model, int threads) {
  for (int t = 0; t < threads; ++t) {
    TestProperty text;
    text.Name = u"Text";
    text.TypeName = u"TCaption";
    text.Kind = KARVO_tkUString;
    model.Add(kFirstObject + static_cast<KarvoHandle>(t), MakeObject(u"TEdit", u"Edit", {text}));
  }
}

void RunMix(const MixExports& x, int t, int threads, DWORD until, long atLeast, MixTally& tally) {
  const std::string mark = Mark(t);
  const std::string big = mark + std::string(70000, static_cast<char>('a' + t % 26));
  const std::string line = mark + "first;" + big + ";" + mark + "third";
  const DWORD start = ::GetTickCount();
  for (long i = 0; i < atLeast || static_cast<int>(::GetTickCount() - start) < static_cast<int>(until - start); ++i) {
    ++tally.calls;
    const long round = i / 8;
    const std::string n = std::to_string(round);
    switch (i % 8) {
      case 0: {  // a request that succeeds, or fails with the thread's own message
        std::string sql = mark + " request " + n;
        unsigned char code = x.ExecuteSQL(sql.c_str(), 0);
        if (code != (round % 2 ? 250 : 1)) ++tally.spurious;
        Compare(tally, t, threads, Str(x.GetLastAPIError()), round % 2 ? sql : "(null)");
        break;
      }
      case 1: {  // its text lives on across a call that returns none
        std::string sql = mark + " query " + n + (round % 5 == 1 ? std::string(12000, 'q') : "");
        const char* answer = x.GetFromQuerySQL(sql.c_str(), 0);
        Compare(tally, t, threads, Str(answer), sql);
        if (x.CSVGetFieldCount(line.c_str(), ';') != 3) ++tally.spurious;
        if (Str(answer) != sql) ++tally.changed;
        break;
      }
      case 2: {  // a 70 KB field, in the long buffer
        const char* field = x.CSVGetField(line.c_str(), 2, ';');
        Compare(tally, t, threads, Str(field), big);
        if (x.CSVGetFieldCount(line.c_str(), ';') != 3) ++tally.spurious;
        if (Str(field) != big) ++tally.changed;
        break;
      }
      case 3: {  // a 70 KB line made anew
        std::string value = mark + "new " + n;
        Compare(tally, t, threads, Str(x.CSVSetField(value.c_str(), line.c_str(), 3, ';')),
                mark + "first;" + big + ";" + value);
        break;
      }
      case 4: {
        std::string name = mark + "proc" + n;
        Compare(tally, t, threads, Str(x.XMLGetProcName(("<PROCEDURE NAME=\"" + name + "\"/>").c_str())), name);
        break;
      }
      case 5: {  // the thread's own object through the host's model, or the host
        if (round % 2 == 1) {
          Compare(tally, t, threads, Str(x.GetPropertyStr(Object(t), "Text")),
                  std::to_string(kFirstObject + static_cast<unsigned>(t)) + "\x01Text");
          break;
        }
        std::u16string value = Wide(mark + "value " + n);
        VARIANT v;
        ::VariantInit(&v);
        v.vt = VT_BSTR;
        v.bstrVal = NewBstr(value);
        if (x.SetProperty(Object(t), "Text", v) != 1) ++tally.spurious;
        ::VariantClear(&v);
        VARIANT out;
        ::VariantInit(&out);
        x.GetProperty(&out, Object(t), "Text");
        if (out.vt == VT_BSTR) {
          Compare(tally, t, threads, FromBstr(out.bstrVal), Ansi(value));
          out.vt = VT_EMPTY;
        } else {
          ++tally.spurious;
        }
        ::VariantClear(&out);
        break;
      }
      case 6: {  // a failure whose message names the thread
        int field = 100 + t;
        if (x.CSVSetField("X", "a;b", field, ';') != nullptr) ++tally.spurious;
        BSTR error = nullptr;
        x.GetLastAPIErrorW(&error);
        Compare(tally, t, threads, FromBstr(error),
                Ansi(u"Nie można ustawić pola nr: " + Wide(std::to_string(field)) + u" !"));
        break;
      }
      case 7: {  // the W form
        std::u16string sql = Wide(mark + " wide " + n);
        BSTR in = NewBstr(sql);
        BSTR out = nullptr;
        x.GetFromQuerySQLW(&out, in, 0);
        ::SysFreeString(in);
        Compare(tally, t, threads, FromBstr(out), Ansi(sql));
        break;
      }
    }
  }
}

}  // namespace karvo::test
