// The block as an untrusted peer. A host writes random bytes into every
// field of the block while requests run: states outside the five, Command
// lengths above 64, texts with no terminator, random DataPointer values,
// states that change between two reads, a mutex it sits on. Through it all
// the library must stay inside the block, wait no longer than its wait, write
// the block only under the mutex and only as the protocol says, and every
// request export must keep its result rules.
//
// The fast peer lives in the syscall table: it acts whenever the library
// takes or releases the mutex or sleeps, so a reply costs no thread switch
// and a million of them fit in the test run. The racing peer is a real
// thread that also writes while the library holds the mutex.
// KARVO_HOSTILE_REPLIES sets how many requests the fast peer sees.

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "PluginsSharedMem/TPluginsSharedMem.h"
#include "PluginsSharedMem/YieldingSpin.h"
#include "Support.h"
#include "conversions/TextForms.h"
#include "host/ObjectModel.h"
#include "link/ApiError.h"
#include "messages/Messages.h"
#include "platform/CodePage.h"

#define KARVO_API
#include "karvo.h"

namespace karvo::test {
namespace {

constexpr int kWait = 3;  // sleeps per wait: timeouts are expected here

struct Rng {
  std::uint32_t s;
  std::uint32_t Next() {
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    return s;
  }
  std::uint32_t Below(std::uint32_t n) { return Next() % n; }
  bool OneIn(std::uint32_t n) { return Below(n) == 0; }
};

// The block placed so that its last byte ends a page and a no-access page
// follows; the page before the slack is no-access too, and the slack between
// it and the block holds a pattern that must survive.
class GuardedBlock {
 public:
  static constexpr std::size_t kPage = 4096;
  static constexpr std::size_t kPages = 2 + (KARVO_BLOCK_SIZE + kPage - 1) / kPage;
  static constexpr unsigned char kCanary = 0xA5;

  GuardedBlock() {
    base_ =
        static_cast<unsigned char*>(::VirtualAlloc(nullptr, kPages * kPage, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    DWORD old = 0;
    ::VirtualProtect(base_, kPage, PAGE_NOACCESS, &old);
    ::VirtualProtect(base_ + (kPages - 1) * kPage, kPage, PAGE_NOACCESS, &old);
    block_ = reinterpret_cast<TPluginsSharedMemData*>(base_ + (kPages - 1) * kPage - KARVO_BLOCK_SIZE);
    std::memset(Slack(), kCanary, SlackSize());
    std::memset(block_, 0, KARVO_BLOCK_SIZE);
  }
  ~GuardedBlock() { ::VirtualFree(base_, 0, MEM_RELEASE); }
  TPluginsSharedMemData* Block() const { return block_; }
  bool SlackIntact() const {
    const unsigned char* s = Slack();
    return std::all_of(s, s + SlackSize(), [](unsigned char c) { return c == kCanary; });
  }

 private:
  unsigned char* Slack() const { return base_ + kPage; }
  std::size_t SlackSize() const { return reinterpret_cast<unsigned char*>(block_) - Slack(); }
  unsigned char* base_ = nullptr;
  TPluginsSharedMemData* block_ = nullptr;
};

GuardedBlock* g_guarded = nullptr;
LPVOID WINAPI GuardedMap(HANDLE, DWORD, DWORD, DWORD, SIZE_T) { return g_guarded->Block(); }
BOOL WINAPI GuardedUnmap(LPCVOID p) { return p == g_guarded->Block() ? TRUE : ::UnmapViewOfFile(p); }

// The block read the test's own way, for the rules.
std::string CommandOf(const TPluginsSharedMemData& b) {
  return std::string(b.Command, std::min<std::size_t>(b.CommandLength, KARVO_COMMAND_MAX));
}
std::u16string TextOf(const unsigned short* f) {
  std::size_t n = 0;
  while (n < KARVO_TEXT_UNITS && f[n] != 0) ++n;
  return std::u16string(reinterpret_cast<const char16_t*>(f), n);
}

// The parts of the block any write of the library changes: the whole head,
// both ends of the text fields (a text write fills the whole field) and the
// tail.
enum Region : unsigned { kState = 1, kCommand = 2, kText = 4, kTail = 8 };
struct Look {
  unsigned char head[66];
  unsigned short ends[32];
  unsigned char tail[6];
};
Look LookAt(const TPluginsSharedMemData& b) {
  Look l;
  std::memcpy(l.head, &b, sizeof l.head);
  std::memcpy(l.ends, b.SQL, 16);
  std::memcpy(l.ends + 8, b.SQL + KARVO_TEXT_UNITS - 8, 16);
  std::memcpy(l.ends + 16, b.Data, 16);
  std::memcpy(l.ends + 24, b.Data + KARVO_TEXT_UNITS - 8, 16);
  std::memcpy(l.tail, &b.Reserved, sizeof l.tail);
  return l;
}
unsigned Diff(const Look& a, const Look& b) {
  unsigned d = 0;
  if (a.head[0] != b.head[0]) d |= kState;
  if (std::memcmp(a.head + 1, b.head + 1, 65) != 0) d |= kCommand;
  if (std::memcmp(a.ends, b.ends, sizeof a.ends) != 0) d |= kText;
  if (std::memcmp(a.tail, b.tail, sizeof a.tail) != 0) d |= kTail;
  return d;
}

const char16_t kPolish[] = u"ąćęłńóśźżĄĆĘŁŃÓŚŹŻ€";

// The peer in the syscall table, and what it saw the library do in a call.
struct Peer {
  TPluginsSharedMemData* b = nullptr;
  Rng rng{0x2545F491u};
  Look last{};
  bool holding = false;
  int serveIn = -1;      // events until the reply is written
  int flippedFrom = -1;  // a state to put back at the next event
  // This call.
  int claims = 0, reads = 0, sleeps = 0, waits = 0;
  std::string claimedCommand, replyCommand;
  std::u16string claimedSql, replyData;
  std::uint32_t replyPointer = 0;
  std::vector<std::string> faults;
  // All calls.
  long long replies = 0, served = 0, timeouts = 0;

  void Fault(const std::string& why) {
    if (faults.size() < 8) faults.push_back(why);
  }

  std::uint8_t AnyState() { return rng.OneIn(3) ? static_cast<std::uint8_t>(rng.Next()) : rng.Below(5); }

  char16_t AnyUnit() {
    std::uint32_t r = rng.Below(100);
    if (r < 40) return static_cast<char16_t>(0x20 + rng.Below(0x5F));
    if (r < 60) return kPolish[rng.Below(sizeof kPolish / 2 - 1)];
    if (r < 75) return static_cast<char16_t>(1 + rng.Below(0xFFFF));
    if (r < 85) return static_cast<char16_t>(0xD800 + rng.Below(0x800));  // surrogates, paired or not
    if (r < 90) return u'\x0001';
    return static_cast<char16_t>(1 + rng.Below(31));
  }

  // Short texts mostly, now and then a long one, a full field with no
  // terminator, or the field left with whatever it held.
  void WriteText(unsigned short* f) {
    std::uint32_t r = rng.Below(1000);
    if (r < 15) {
      for (std::size_t i = 0; i < KARVO_TEXT_UNITS; ++i) f[i] = AnyUnit();
      return;
    }
    if (r < 100) return;
    std::size_t n = r < 600 ? rng.Below(24) : r < 980 ? rng.Below(300) : rng.Below(KARVO_TEXT_UNITS);
    for (std::size_t i = 0; i < n; ++i) f[i] = AnyUnit();
    f[n] = 0;
  }

  void WriteReply() {
    ++replies;
    std::uint32_t r = rng.Below(100);
    b->CommandLength =
        static_cast<unsigned char>(r < 50   ? 1 + rng.Below(KARVO_COMMAND_MAX)
                                   : r < 62 ? 0
                                   : r < 80 ? 1
                                            : KARVO_COMMAND_MAX + 1 + rng.Below(255 - KARVO_COMMAND_MAX));
    for (std::size_t i = 0; i < KARVO_COMMAND_MAX; i += 4) {
      std::uint32_t v = rng.Next();
      std::memcpy(b->Command + i, &v, 4);
    }
    r = rng.Below(100);
    b->Command[0] = static_cast<char>(r < 45 ? 0x01 : r < 55 ? 0xFA : r < 60 ? 0x00 : r < 63 ? 0x07 : rng.Next());
    WriteText(b->Data);
    if (rng.OneIn(4)) WriteText(b->SQL);
    r = rng.Below(100);
    if (r < 60) b->DataPointer = rng.Next();
    if (r >= 60 && r < 70) b->DataPointer = 0;
    if (rng.OneIn(10)) b->Reserved = static_cast<unsigned short>(rng.Next());
    r = rng.Below(100);
    b->State = r < 82   ? smsWaitForRead
               : r < 88 ? smsProcessing
               : r < 91 ? smsToProcess
               : r < 94 ? smsFree
               : r < 96 ? smsNoAllocated
                        : AnyState();
    flippedFrom = -1;
  }

  // What the peer does at each look the library takes.
  void Act() {
    if (flippedFrom >= 0) {
      b->State = static_cast<unsigned char>(flippedFrom);
      flippedFrom = -1;
    } else if (rng.OneIn(25)) {
      flippedFrom = b->State;
      b->State = AnyState();
    }
    if (serveIn == 0) {
      serveIn = -1;
      WriteReply();
    } else if (serveIn > 0) {
      --serveIn;
    }
  }

  void CheckUntouched(const char* where) {
    if (Diff(LookAt(*b), last) != 0) Fault(std::string("the block changed ") + where);
  }

  // Sorts out what the library did under the hold that ends now.
  void Classify() {
    Look now = LookAt(*b);
    unsigned d = Diff(last, now);
    if (d == 0) return;
    std::uint8_t before = last.head[0], after = now.head[0];
    if (before == smsWaitForRead && after == smsFree && d == kState) {
      if (claims != 1 || reads != 0) Fault("a reply read that was not the answer to this call's request");
      ++reads;
      replyCommand = CommandOf(*b);
      replyData = TextOf(b->Data);
      replyPointer = b->DataPointer;
      return;
    }
    if (before == smsFree && after == smsToProcess) {
      if (claims != 0) Fault("a second request in one call");
      ++claims;
      claimedCommand = CommandOf(*b);
      claimedSql = TextOf(b->SQL);
      serveIn = static_cast<int>(rng.Below(4));
      return;
    }
    Fault("the library wrote the block under the mutex: state " + std::to_string(before) + " to " +
          std::to_string(after) + ", regions " + std::to_string(d));
  }

  // A fresh call: the block as some earlier host left it.
  void Begin() {
    claims = reads = sleeps = waits = 0;
    claimedCommand.clear();
    claimedSql.clear();
    replyCommand.clear();
    replyData.clear();
    replyPointer = 0;
    serveIn = flippedFrom = -1;
    holding = false;
    std::uint32_t r = rng.Below(100);
    b->State = r < 85   ? smsFree
               : r < 89 ? smsNoAllocated
               : r < 93 ? smsWaitForRead
               : r < 96 ? smsToProcess
                        : AnyState();
    if (rng.OneIn(8)) {
      b->CommandLength = static_cast<unsigned char>(rng.Next());
      WriteText(b->Data);
    }
    last = LookAt(*b);
  }
};

Peer g_peer;

DWORD WINAPI PeerWait(HANDLE, DWORD ms) {
  Peer& p = g_peer;
  ++p.waits;
  if (ms > TPluginsSharedMem::kLockWaitMs) p.Fault("a mutex wait longer than one access may take");
  if (p.holding) p.Fault("a hold taken inside another");
  p.CheckUntouched("outside a hold");
  p.Act();
  p.last = LookAt(*p.b);
  std::uint32_t r = p.rng.Below(1000);
  if (r < 12) return WAIT_TIMEOUT;  // the host sits on the mutex
  if (r < 15) return WAIT_FAILED;
  p.holding = true;
  return r < 60 ? WAIT_ABANDONED : WAIT_OBJECT_0;
}

BOOL WINAPI PeerRelease(HANDLE) {
  Peer& p = g_peer;
  if (!p.holding) p.Fault("a release without a hold");
  p.holding = false;
  p.Classify();
  p.Act();
  p.last = LookAt(*p.b);
  return TRUE;
}

void WINAPI PeerSleep(DWORD) {
  Peer& p = g_peer;
  ++p.sleeps;
  p.CheckUntouched("during a sleep");
  p.Act();
  p.last = LookAt(*p.b);
}

// What an export gave back.
struct Outcome {
  long long value = 0;  // code, flag or handle
  bool null = true;     // text results: null
  std::string bytes;    // plain text results
  std::u16string wide;  // W-form and VARIANT results
  bool isVariantNull = false;
};

enum class Kind {
  Code,           // reply code; `fallback` for an empty Command
  VerdictText,    // text on success, Data as the message otherwise
  OwnText,        // text on success, the export's message otherwise
  WideText,       // the W form of a verdict text export
  OwnWideText,    // the W form of an own-message text export
  VerdictHandle,  // DataPointer on success, Data as the message otherwise
  OwnTextHandle,  // a handle in the answer text on success
  VerdictFlag,    // 1 on success, Data as the message otherwise
  OwnFlag,        // 1 on success, the export's message otherwise
  OwnVariant,     // a BSTR VARIANT on success, VT_NULL and a message otherwise
  Cycle,          // RunRequest itself: the reply as read
};

struct Case {
  const char* name;
  std::string command;  // the request's Command
  std::u16string sql;   // its SQL field (the procedure for _PROC_)
  Kind kind;
  std::vector<std::u16string> own;  // the export's own failure messages
  std::function<Outcome()> call;
  int fallback = 0;
  bool zeroHandleFails = false;  // CreateScript: 0 is no script
  bool noServiceIs255 = false;   // CloseQuerySQL
};

Outcome Text(const char* p) {
  Outcome o;
  o.null = p == nullptr;
  if (p != nullptr) o.bytes = p;
  return o;
}
Outcome Value(long long v) {
  Outcome o;
  o.value = v;
  return o;
}
Outcome Wide(BSTR s) {
  Outcome o;
  o.null = s == nullptr;
  if (s != nullptr) o.wide.assign(reinterpret_cast<const char16_t*>(s), ::SysStringLen(s));
  ::SysFreeString(s);
  return o;
}

Cycle g_lastCycle;

std::vector<Case> Cases() {
  const std::u16string control = u"Błąd odczytu kontrolki o nazwie 'Edit1' !!";
  const std::u16string noProp = u"Brak właściwości o nazwie: 'Caption' !!";
  std::vector<Case> c;
  c.push_back({"ExecuteSQL",
               "EXECUTE_SQL",
               u"UPDATE T SET A=1",
               Kind::Code,
               {},
               [] { return Value(::ExecuteSQL("UPDATE T SET A=1", 0)); },
               kCodeUnexpectedReply});
  c.push_back({"CloseQuerySQL",
               "CLOSE_QUERY_SQL",
               u"",
               Kind::Code,
               {},
               [] { return Value(::CloseQuerySQL(reinterpret_cast<KARVO_HANDLE>(0x1234))); },
               kCodeNoReply,
               false,
               true});
  c.push_back({"GetFromQuerySQL", "GET_FROM_QUERY_SQL", u"SELECT 1", Kind::VerdictText, {}, [] {
                 return Text(::GetFromQuerySQL("SELECT 1", 0));
               }});
  c.push_back({"GetFromQuerySQL sys", "GET_FROM_SYS_QUERY_SQL", u"SELECT 2", Kind::VerdictText, {}, [] {
                 return Text(::GetFromQuerySQL("SELECT 2", 1));
               }});
  c.push_back({"GetFromQuerySQLW", "GET_FROM_QUERY_SQL", u"SELECT 3", Kind::WideText, {}, [] {
                 BSTR in = ::SysAllocString(L"SELECT 3"), out = nullptr;
                 ::GetFromQuerySQLW(&out, in, 0);
                 ::SysFreeString(in);
                 return Wide(out);
               }});
  c.push_back({"OpenQuerySQL", "OPEN_QUERY_SQL", u"SELECT 4", Kind::VerdictHandle, {}, [] {
                 return Value(reinterpret_cast<UINT_PTR>(::OpenQuerySQL("SELECT 4", 0)));
               }});
  c.push_back({"OpenQuerySQL sys", "OPEN_SYS_QUERY_SQL", u"SELECT 5", Kind::VerdictHandle, {}, [] {
                 return Value(reinterpret_cast<UINT_PTR>(::OpenQuerySQL("SELECT 5", 1)));
               }});
  c.push_back({"GetCSVQuerySQL", "GET_CSV_QUERY_SQL", u"", Kind::VerdictText, {}, [] {
                 return Text(::GetCSVQuerySQL(reinterpret_cast<KARVO_HANDLE>(0x777), 1, 5, 1));
               }});
  c.push_back({"AddControl", "ADD_CONTROL", u"", Kind::VerdictHandle, {}, [] {
                 return Value(
                     reinterpret_cast<UINT_PTR>(::AddControl(reinterpret_cast<KARVO_HANDLE>(0x55), "TEdit", "E")));
               }});
  c.push_back({"CloneContener", "CLONE_CONTENER", u"", Kind::VerdictFlag, {}, [] {
                 return Value(::CloneContener(reinterpret_cast<KARVO_HANDLE>(0x55), 3));
               }});
  c.push_back({"GetPropertyList", "_PROC_", u"GetPropertyList", Kind::OwnText, {msg::kPropertyListFailed}, [] {
                 return Text(::GetPropertyList(reinterpret_cast<KARVO_HANDLE>(0x66), 0));
               }});
  c.push_back({"GetPropertyStr",
               "_PROC_",
               u"GetProperty",
               Kind::OwnText,
               {msg::kPropertyStrReadFailed, msg::kPropertyUnexpected},
               [] { return Text(::GetPropertyStr(reinterpret_cast<KARVO_HANDLE>(0x66), "Caption")); }});
  c.push_back({"SetPropertyStr",
               "_PROC_",
               u"SetProperty",
               Kind::OwnFlag,
               {msg::kPropertyStrWriteFailed, msg::kPropertyUnexpected},
               [] { return Value(::SetPropertyStr(reinterpret_cast<KARVO_HANDLE>(0x66), "Caption", "x")); }});
  c.push_back({"GetProperty", "_PROC_", u"GetProperty", Kind::OwnVariant, {msg::kPropertyReadFailed, noProp}, [] {
                 VARIANT v;
                 ::VariantInit(&v);
                 ::GetProperty(&v, reinterpret_cast<KARVO_HANDLE>(0x66), "Caption");
                 Outcome o;
                 o.isVariantNull = v.vt == VT_NULL;
                 o.null = v.vt != VT_BSTR;
                 if (v.vt == VT_BSTR && v.bstrVal != nullptr)
                   o.wide.assign(reinterpret_cast<const char16_t*>(v.bstrVal), ::SysStringLen(v.bstrVal));
                 o.value = v.vt;
                 ::VariantClear(&v);
                 return o;
               }});
  c.push_back({"SetProperty", "_PROC_", u"SetProperty", Kind::OwnFlag, {msg::kPropertyChangeFailed, noProp}, [] {
                 VARIANT v;
                 ::VariantInit(&v);
                 v.vt = VT_I4;
                 v.lVal = 7;
                 return Value(::SetProperty(reinterpret_cast<KARVO_HANDLE>(0x66), "Caption", v));
               }});
  c.push_back({"GetControlsList", "_PROC_", u"GetControlsList", Kind::OwnText, {msg::kControlsListFailed}, [] {
                 return Text(::GetControlsList(reinterpret_cast<KARVO_HANDLE>(0x66), 0));
               }});
  c.push_back({"GetControl", "_PROC_", u"GetControl", Kind::OwnTextHandle, {control}, [] {
                 return Value(reinterpret_cast<UINT_PTR>(::GetControl(reinterpret_cast<KARVO_HANDLE>(0x66), "Edit1")));
               }});
  c.push_back({"CreateScript",
               "_PROC_",
               u"CreateScript",
               Kind::OwnTextHandle,
               {msg::kScriptCreateFailed},
               [] { return Value(static_cast<std::uint32_t>(::CreateScript("x = 1;"))); },
               0,
               true});
  c.push_back({"AddScriptVariant", "_PROC_", u"AddScriptVariant", Kind::OwnFlag, {msg::kScriptAddVariantFailed}, [] {
                 return Value(::AddScriptVariant(9, "a", "1"));
               }});
  c.push_back({"AddScriptFunction", "_PROC_", u"AddScriptFunction", Kind::OwnFlag, {msg::kScriptAddFunctionFailed}, [] {
                 return Value(::AddScriptFunction(9, 0x400000, "f"));
               }});
  c.push_back({"GetScriptVariant", "_PROC_", u"GetScriptVariant", Kind::OwnText, {msg::kScriptGetVariantFailed}, [] {
                 return Text(::GetScriptVariant(9, "a"));
               }});
  c.push_back(
      {"GetScriptVariantW", "_PROC_", u"GetScriptVariant", Kind::OwnWideText, {msg::kScriptGetVariantFailed}, [] {
         BSTR name = ::SysAllocString(L"a"), out = nullptr;
         ::GetScriptVariantW(&out, 9, name);
         ::SysFreeString(name);
         return Wide(out);
       }});
  c.push_back({"SetScriptVariant", "_PROC_", u"SetScriptVariant", Kind::OwnFlag, {msg::kScriptSetVariantFailed}, [] {
                 return Value(::SetScriptVariant(9, "a", "2"));
               }});
  c.push_back({"FreeScript", "_PROC_", u"FreeScript", Kind::OwnFlag, {msg::kScriptFreeFailed}, [] {
                 return Value(::FreeScript(9));
               }});
  c.push_back(
      {"ExecuteScript", "_PROC_", u"ExecuteScript", Kind::VerdictFlag, {}, [] { return Value(::ExecuteScript(9)); }});
  c.push_back({"ExecuteAsychScript", "_PROC_", u"ExecuteAsynchScript", Kind::VerdictFlag, {}, [] {
                 return Value(::ExecuteAsychScript(9, 1));
               }});
  c.push_back({"CheckAsynchScriptStatus", "_PROC_", u"CheckAsynchScriptStatus", Kind::VerdictFlag, {}, [] {
                 return Value(::CheckAsynchScriptStatus(9));
               }});
  c.push_back({"RunRequest", "_PROC_", u"Probe", Kind::Cycle, {}, [] {
                 g_lastCycle = RunRequest(Request{u"_PROC_", {PointerField(0), DataField(u"a"), SqlField(u"Probe")}});
                 return Value(static_cast<int>(g_lastCycle.Status));
               }});
  return c;
}

bool IsOneOf(const std::u16string& s, const std::vector<std::u16string>& set) {
  return std::find(set.begin(), set.end(), s) != set.end();
}

std::string Narrow(const std::u16string& s) {
  std::string out;
  for (char16_t ch : s) out += ch < 0x80 ? static_cast<char>(ch) : '?';
  return out.size() > 60 ? out.substr(0, 60) + "..." : out;
}

// The result rules of one call, from what the peer saw. Returns why not.
std::string Broken(const Case& c, const Outcome& o, const Peer& p) {
  const std::u16string& e = LastAPIError();
  if (p.reads > p.claims || p.claims > 1) return "more replies than requests";
  if (p.claims == 1 && (p.claimedCommand != c.command || p.claimedSql != c.sql))
    return "the request was not the export's own";
  if (p.sleeps > 2 * kWait) return "slept " + std::to_string(p.sleeps) + " times";
  if (p.waits > 4 * kWait + 8) return "took the mutex " + std::to_string(p.waits) + " times";
  const bool own = !c.own.empty();

  if (p.reads == 0) {
    // No reply: never a success, and only the message of what went wrong.
    bool messageOk = own             ? IsOneOf(e, c.own)
                     : p.claims == 1 ? e == msg::kNoReply
                                     : (e == msg::kNoService || e == msg::kBlockBusy);
    if (!messageOk) return "message '" + Narrow(e) + "' without a reply";
    switch (c.kind) {
      case Kind::Code: {
        long long want = e == msg::kNoService   ? (c.noServiceIs255 ? kCodeBlockBusy : kCodeNoService)
                         : e == msg::kBlockBusy ? kCodeBlockBusy
                                                : kCodeNoReply;
        if (o.value != want) return "code " + std::to_string(o.value) + " with '" + Narrow(e) + "'";
        return {};
      }
      case Kind::Cycle: {
        CycleStatus want = p.claims == 1          ? CycleStatus::NoReply
                           : e == msg::kNoService ? CycleStatus::NoService
                                                  : CycleStatus::BlockBusy;
        return g_lastCycle.Status == want ? std::string() : "cycle status " + std::to_string(o.value);
      }
      case Kind::OwnVariant: return o.isVariantNull ? std::string() : "a value without a reply";
      default: return o.null && o.value == 0 ? std::string() : "a result without a reply";
    }
  }

  const std::u16string command = AnsiToText(p.replyCommand.data(), p.replyCommand.size());
  const std::u16string& data = p.replyData;
  const bool success = !command.empty() && command[0] == u'\x0001';
  auto failure = [&](bool resultEmpty) -> std::string {
    if (!resultEmpty) return "a result from a failed reply";
    bool ok = own ? IsOneOf(e, c.own) : e == data;
    return ok ? std::string() : "message '" + Narrow(e) + "' after a failed reply";
  };
  auto successMessage = [&]() { return e.empty() ? std::string() : "message '" + Narrow(e) + "' after success"; };

  switch (c.kind) {
    case Kind::Code: {
      int code = command.empty() ? c.fallback : (command[0] & 0xFF);
      if (o.value != code) return "code " + std::to_string(o.value) + " for reply code " + std::to_string(code);
      std::u16string want = code == kCodeSuccess       ? std::u16string()
                            : code == kCodeHostMessage ? data
                                                       : CodeMessage(code);
      return e == want ? std::string() : "message '" + Narrow(e) + "' for code " + std::to_string(code);
    }
    case Kind::VerdictText:
    case Kind::OwnText: {
      if (!success) return failure(o.null);
      if (!successMessage().empty()) return successMessage();
      std::string want = TextToAnsi(data);
      if (want.empty() ? !o.null : (o.null || o.bytes != want)) return "a text that is not the reply's Data";
      return {};
    }
    case Kind::WideText:
    case Kind::OwnWideText: {
      if (!success) return failure(o.null);
      if (!successMessage().empty()) return successMessage();
      // The plain-based family passes the answer through the code page.
      std::u16string want =
          c.kind == Kind::WideText ? AnsiToText(TextToAnsi(data).data(), TextToAnsi(data).size()) : data;
      if (want.empty() ? !o.null : (o.null || o.wide != want)) return "a text that is not the reply's Data";
      return {};
    }
    case Kind::VerdictHandle:
      if (!success) return failure(o.value == 0);
      if (!successMessage().empty()) return successMessage();
      return o.value == p.replyPointer ? std::string() : "a handle that is not the reply's DataPointer";
    case Kind::OwnTextHandle: {
      std::optional<std::int32_t> h = IntegerTextSyntax(data);
      bool good = success && h && !(c.zeroHandleFails && *h == 0);
      if (!good) return failure(o.value == 0);
      if (!successMessage().empty()) return successMessage();
      return o.value == static_cast<std::uint32_t>(*h) ? std::string() : "a handle that is not the answer's";
    }
    case Kind::VerdictFlag:
    case Kind::OwnFlag:
      if (!success) return failure(o.value == 0);
      if (!successMessage().empty()) return successMessage();
      return o.value == 1 ? std::string() : "no 1 after success";
    case Kind::OwnVariant:
      if (!success) return failure(o.isVariantNull);
      if (!successMessage().empty()) return successMessage();
      return o.value == VT_BSTR && o.wide == data ? std::string() : "a value that is not the reply's Data";
    case Kind::Cycle: {
      const Reply& r = g_lastCycle.Reply;
      if (g_lastCycle.Status != CycleStatus::Replied) return "no Replied status after a reply";
      if (r.Command != command || r.Data != data || r.DataPointer != p.replyPointer)
        return "the reply is not what the block held";
      return e.empty() ? std::string() : "a message before the reply was settled";
    }
  }
  return {};
}

long long RepliesWanted() {
  char v[32] = {};
  DWORD n = ::GetEnvironmentVariableA("KARVO_HOSTILE_REPLIES", v, sizeof v);
  long long want = n > 0 && n < sizeof v ? std::atoll(v) : 0;
  return want > 0 ? want : 1000000;
}

class HostilePeer : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProcessState();
    host::InstallObjectModel(nullptr);  // every host-object export asks the host
    SetWaitLimitForTests(kWait);
    SetSpinForTests(0);
    name_ = u"KARVO_hostile_" + std::u16string(1, u'a' + static_cast<char16_t>(::GetCurrentProcessId() % 26)) +
            std::u16string(1, u'0' + static_cast<char16_t>(::GetTickCount() % 10));
    mapping_ = ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, KARVO_BLOCK_SIZE, AsWide(name_));
    ASSERT_NE(mapping_, nullptr);
    g_guarded = &guarded_;
    Sys().MapViewOfFile = &GuardedMap;
    Sys().UnmapViewOfFile = &GuardedUnmap;
    State().SharedMem = TPluginsSharedMem::CreateDll(name_);
    ASSERT_TRUE(State().SharedMem->Created());
    g_peer = Peer{};
    g_peer.b = guarded_.Block();
  }
  void TearDown() override {
    ResetProcessState();
    ResetSyscalls();
    SetWaitLimitForTests(60000);
    SetSpinForTests(YieldingSpin::kSpinMicros);
    g_guarded = nullptr;
    if (mapping_ != nullptr) ::CloseHandle(mapping_);
  }
  void PeerOn() {
    Sys().WaitForSingleObject = &PeerWait;
    Sys().ReleaseMutex = &PeerRelease;
    Sys().Sleep = &PeerSleep;
  }
  void PeerOff() {
    Sys().WaitForSingleObject = ::WaitForSingleObject;
    Sys().ReleaseMutex = ::ReleaseMutex;
    Sys().Sleep = ::Sleep;
  }

  MessageBoxes boxes;
  GuardedBlock guarded_;
  std::u16string name_;
  HANDLE mapping_ = nullptr;
};

TEST_F(HostilePeer, EveryRequestExportKeepsItsRulesAgainstAMillionHostileReplies) {
  const std::vector<Case> cases = Cases();
  const long long wanted = RepliesWanted();
  std::vector<long long> served(cases.size());
  long long calls = 0;
  int failures = 0;
  DWORD start = ::GetTickCount();
  PeerOn();
  for (; g_peer.replies < wanted && failures < 10; ++calls) {
    const std::size_t k = static_cast<std::size_t>(calls % static_cast<long long>(cases.size()));
    const Case& c = cases[k];
    g_peer.Begin();
    Outcome o = c.call();
    if (g_peer.holding) g_peer.Fault("returned holding the mutex");
    std::string why = Broken(c, o, g_peer);
    if (!why.empty()) g_peer.Fault(why);
    if (g_peer.reads == 1) ++served[k];
    if (g_peer.claims == 1 && g_peer.reads == 0) ++g_peer.timeouts;
    if (!g_peer.faults.empty()) {
      PeerOff();
      ADD_FAILURE() << c.name << " call " << calls << ": " << g_peer.faults[0] << " (reply command '"
                    << Narrow(AnsiToText(g_peer.replyCommand.data(), g_peer.replyCommand.size())) << "', data '"
                    << Narrow(g_peer.replyData) << "', error '" << Narrow(LastAPIError()) << "')";
      g_peer.faults.clear();
      ++failures;
      PeerOn();
    }
  }
  PeerOff();
  EXPECT_TRUE(guarded_.SlackIntact()) << "something wrote before the block";
  EXPECT_TRUE(boxes.Texts().empty()) << "no text of these requests is too long for its field";
  long long repliesRead = 0;
  for (std::size_t k = 0; k < cases.size(); ++k) {
    EXPECT_GT(served[k] * 4, calls / static_cast<long long>(cases.size())) << cases[k].name << " was seldom answered";
    repliesRead += served[k];
  }
  std::printf(
      "[ hostile  ] %lld calls, %lld hostile replies written, %lld read, %lld timeouts after a request, %lu ms\n",
      calls, g_peer.replies, repliesRead, g_peer.timeouts, ::GetTickCount() - start);
}

// A host thread that serves with hostile replies and, as a process that
// ignores the mutex could, also writes while the library holds it.
class RacingPeer {
 public:
  RacingPeer(TPluginsSharedMemData* b, const std::u16string& mutexName) {
    peer_.b = b;
    peer_.rng.s = 0x6C8E9CF5u;
    thread_ = std::thread([this, mutexName] { Run(mutexName); });
  }
  ~RacingPeer() {
    stop_ = true;
    thread_.join();
  }
  long long Replies() const { return replies_; }

 private:
  void Run(const std::u16string& mutexName) {
    HANDLE m = ::CreateMutexW(nullptr, FALSE, AsWide(mutexName));
    Peer& p = peer_;
    volatile unsigned char& state = p.b->State;
    int stuck = 0;
    while (!stop_) {
      bool locked = p.rng.Below(100) < 75;
      if (locked) {
        DWORD r = ::WaitForSingleObject(m, 1000);
        locked = r == WAIT_OBJECT_0 || r == WAIT_ABANDONED;
      }
      std::uint8_t s = state;
      if (s == smsToProcess || (s == smsProcessing && p.rng.OneIn(2))) {
        if (p.rng.OneIn(2)) {
          state = smsProcessing;
          ::SwitchToThread();
        }
        p.WriteReply();
        ++replies_;
        stuck = 0;
      } else if (p.rng.OneIn(4)) {
        state = p.AnyState();  // flipped and put back
        ::SwitchToThread();
        state = s;
      } else if (p.rng.OneIn(6)) {
        p.b->CommandLength = static_cast<unsigned char>(p.rng.Next());
        p.WriteText(p.rng.OneIn(2) ? p.b->Data : p.b->SQL);
        p.b->DataPointer = p.rng.Next();
      } else if (s != smsFree && ++stuck > 40) {
        state = smsFree;  // as a host does after a 254
        stuck = 0;
      }
      if (locked) ::ReleaseMutex(m);
      if (p.rng.OneIn(3)) ::SwitchToThread();
    }
    ::CloseHandle(m);
  }
  Peer peer_;
  std::atomic<bool> stop_{false};
  std::atomic<long long> replies_{0};
  std::thread thread_;
};

int g_clientSleeps = 0, g_clientWaits = 0;
void WINAPI ClientSleep(DWORD ms) {
  ++g_clientSleeps;
  ::Sleep(ms);
}
DWORD WINAPI ClientWait(HANDLE h, DWORD ms) {
  ++g_clientWaits;
  return ms > TPluginsSharedMem::kLockWaitMs ? WAIT_FAILED : ::WaitForSingleObject(h, ms);
}

// Rules that hold whatever the block held at any instant: what was read may
// be torn, but results and messages still agree and stay within bounds.
std::string TornBroken(const Case& c, const Outcome& o) {
  const std::u16string& e = LastAPIError();
  if (g_clientSleeps > 2 * kWait) return "slept " + std::to_string(g_clientSleeps) + " times";
  if (g_clientWaits > 4 * kWait + 8) return "took the mutex " + std::to_string(g_clientWaits) + " times";
  if (e.size() > KARVO_TEXT_UNITS) return "a message longer than the Data field";
  if (o.bytes.size() > KARVO_TEXT_UNITS || o.wide.size() > KARVO_TEXT_UNITS) return "a text longer than the Data field";
  bool resultEmpty = o.null && o.value == 0;
  switch (c.kind) {
    case Kind::Code:
      if (o.value == kCodeSuccess) return e.empty() ? std::string() : "a message with code 1";
      if (o.value == kCodeHostMessage) return {};
      if (o.value == kCodeBlockBusy && c.noServiceIs255 && e == msg::kNoService) return {};
      return e == CodeMessage(static_cast<int>(o.value)) ? std::string() : "code and message disagree";
    case Kind::Cycle:
      if (g_lastCycle.Status == CycleStatus::Replied)
        return g_lastCycle.Reply.Command.size() <= KARVO_COMMAND_MAX &&
                       g_lastCycle.Reply.Data.size() <= KARVO_TEXT_UNITS
                   ? std::string()
                   : "a reply larger than its fields";
      return e == CodeMessage(CycleCode(g_lastCycle.Status)) ? std::string() : "status and message disagree";
    case Kind::OwnVariant: resultEmpty = o.isVariantNull; break;
    default: break;
  }
  const bool text =
      c.kind == Kind::VerdictText || c.kind == Kind::OwnText || c.kind == Kind::WideText || c.kind == Kind::OwnWideText;
  if (resultEmpty) {
    // An empty text with no message is an empty answer; otherwise only the
    // own-message exports promise their message for every failure.
    if (text && e.empty()) return {};
    if (!c.own.empty() && !IsOneOf(e, c.own)) return "message '" + Narrow(e) + "' for a failure";
    return {};
  }
  return e.empty() ? std::string() : "a result with the message '" + Narrow(e) + "'";
}

TEST_F(HostilePeer, RepliesWrittenWhileTheLibraryHoldsTheMutexStayInsideTheRules) {
  const std::vector<Case> cases = Cases();
  SetSpinForTests(200);
  const long long calls = RepliesWanted() / 50;
  int failures = 0;
  DWORD start = ::GetTickCount();
  long long replies = 0;
  {
    RacingPeer racer(guarded_.Block(), name_ + u"MUTEX");
    Sys().Sleep = &ClientSleep;
    Sys().WaitForSingleObject = &ClientWait;
    // The calls go on, up to ten times as many, until the racing host has
    // answered a quarter of the wanted number, however loaded the machine.
    for (long long i = 0; (i < calls || racer.Replies() <= calls / 4) && i < 10 * calls && failures < 10; ++i) {
      const Case& c = cases[static_cast<std::size_t>(i % static_cast<long long>(cases.size()))];
      g_clientSleeps = g_clientWaits = 0;
      Outcome o = c.call();
      std::string why = TornBroken(c, o);
      if (!why.empty()) {
        ADD_FAILURE() << c.name << " call " << i << ": " << why;
        ++failures;
      }
    }
    PeerOff();
    replies = racer.Replies();
  }
  EXPECT_TRUE(guarded_.SlackIntact()) << "something wrote before the block";
  EXPECT_GT(replies, calls / 4) << "the racing host was answering";
  std::printf("[ racing   ] %lld calls, %lld hostile replies written, %lu ms\n", calls, replies,
              ::GetTickCount() - start);
}

}  // namespace
}  // namespace karvo::test
