#include "ScriptEngine.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "duktape.h"
#include "karvo_host.h"

namespace refhost {

namespace {

using Clock = std::chrono::steady_clock;

std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count();
}

// All heaps together stay below this, so scripts cannot starve the host.
constexpr std::size_t kAllHeapsLimit = 256u << 20;
std::atomic<std::size_t> g_allHeaps{0};

}  // namespace

struct Script::Heap {
  duk_context* ctx = nullptr;
  std::uint32_t handle = 0;
  std::size_t used = 0;
  std::atomic<bool> cancel{false};
  std::atomic<std::int64_t> deadline{std::numeric_limits<std::int64_t>::max()};

  bool MustStop() const { return cancel.load() || NowMs() >= deadline.load(); }
};

namespace {

// ---- Memory: every block carries its size, so each heap keeps its count.

struct alignas(16) BlockHeader {
  std::size_t size;
};

bool Reserve(Script::Heap* h, std::size_t more) {
  if (h->used + more > kHeapLimit) return false;
  if (g_allHeaps.fetch_add(more) + more > kAllHeapsLimit) {
    g_allHeaps.fetch_sub(more);
    return false;
  }
  h->used += more;
  return true;
}

void Unreserve(Script::Heap* h, std::size_t less) {
  h->used -= less;
  g_allHeaps.fetch_sub(less);
}

void* HeapAlloc(void* udata, duk_size_t size) {
  auto* h = static_cast<Script::Heap*>(udata);
  if (size == 0) return nullptr;
  if (size > kHeapLimit || !Reserve(h, size)) return nullptr;
  auto* b = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + size));
  if (b == nullptr) {
    Unreserve(h, size);
    return nullptr;
  }
  b->size = size;
  return b + 1;
}

void HeapFree(void* udata, void* ptr) {
  if (ptr == nullptr) return;
  BlockHeader* b = static_cast<BlockHeader*>(ptr) - 1;
  Unreserve(static_cast<Script::Heap*>(udata), b->size);
  std::free(b);
}

void* HeapRealloc(void* udata, void* ptr, duk_size_t size) {
  auto* h = static_cast<Script::Heap*>(udata);
  if (ptr == nullptr) return HeapAlloc(udata, size);
  if (size == 0) {
    HeapFree(udata, ptr);
    return nullptr;
  }
  BlockHeader* b = static_cast<BlockHeader*>(ptr) - 1;
  std::size_t old = b->size;
  if (size > kHeapLimit) return nullptr;
  if (size > old && !Reserve(h, size - old)) return nullptr;
  auto* n = static_cast<BlockHeader*>(std::realloc(b, sizeof(BlockHeader) + size));
  if (n == nullptr) {
    if (size > old) Unreserve(h, size - old);
    return nullptr;
  }
  if (size < old) Unreserve(h, old - size);
  n->size = size;
  return n + 1;
}

// Every call into the engine is protected, so this means a fault in the
// engine itself; there is no way to carry on with that heap.
void HeapFatal(void*, const char* msg) {
  std::fprintf(stderr, "refhost: script engine failure: %s\n", msg != nullptr ? msg : "");
  std::fflush(stderr);
  std::abort();
}

// ---- Text: UTF-16 in the block, CESU-8 inside the engine (each UTF-16
// unit on its own, as the script's strings hold them).

std::string ToEngine(const std::u16string& s) {
  std::string out;
  out.reserve(s.size());
  for (char16_t c : s) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::u16string FromEngine(const char* p, std::size_t n) {
  std::u16string out;
  out.reserve(n);
  const auto* s = reinterpret_cast<const unsigned char*>(p);
  std::size_t i = 0;
  auto cont = [&](std::size_t k) { return i + k < n && (s[i + k] & 0xC0) == 0x80; };
  while (i < n) {
    unsigned char c = s[i];
    if (c < 0x80) {
      out += c;
      i += 1;
    } else if ((c & 0xE0) == 0xC0 && cont(1)) {
      out += static_cast<char16_t>(((c & 0x1F) << 6) | (s[i + 1] & 0x3F));
      i += 2;
    } else if ((c & 0xF0) == 0xE0 && cont(1) && cont(2)) {
      out += static_cast<char16_t>(((c & 0x0F) << 12) | ((s[i + 1] & 0x3F) << 6) | (s[i + 2] & 0x3F));
      i += 3;
    } else if ((c & 0xF8) == 0xF0 && cont(1) && cont(2) && cont(3)) {
      std::uint32_t cp = ((c & 0x07) << 18) | ((s[i + 1] & 0x3F) << 12) | ((s[i + 2] & 0x3F) << 6) | (s[i + 3] & 0x3F);
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + ((cp >> 10) & 0x3FF));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
      i += 4;
    } else {
      out += u'\xFFFD';
      i += 1;
    }
  }
  return out;
}

// The value on top of the stack as text; it stays on the stack.
std::u16string TopText(duk_context* ctx) {
  duk_size_t n = 0;
  const char* p = duk_get_lstring(ctx, -1, &n);
  return p != nullptr ? FromEngine(p, n) : std::u16string();
}

// The error on top of the stack as text, popped. Long texts are cut: a
// message has to fit the reply.
std::u16string PopErrorText(duk_context* ctx) {
  duk_safe_to_string(ctx, -1);
  std::u16string text = TopText(ctx);
  duk_pop(ctx);
  if (text.size() > 2000) text = text.substr(0, 2000) + u"...";
  return text;
}

std::u16string Num(std::uint64_t v) {
  std::string s = std::to_string(v);
  return std::u16string(s.begin(), s.end());
}

// ---- What runs inside the engine's protected calls. These functions hold
// no C++ objects of their own: an engine error leaves them by longjmp.

struct NameValue {
  const std::string* name;
  const std::string* value;
  int found;
};

duk_ret_t CompileSafe(duk_context* ctx, void* udata) {
  const auto* src = static_cast<const std::string*>(udata);
  duk_push_lstring(ctx, src->data(), src->size());
  duk_push_string(ctx, "script");
  duk_compile(ctx, 0);
  duk_push_heap_stash(ctx);
  duk_dup(ctx, -2);
  duk_put_prop_string(ctx, -2, "program");
  return 0;
}

duk_ret_t RunSafe(duk_context* ctx, void*) {
  duk_push_heap_stash(ctx);
  duk_get_prop_string(ctx, -1, "program");
  duk_call(ctx, 0);
  return 0;
}

// Defines or replaces the global; with no value it only looks whether the
// global exists.
duk_ret_t PutSafe(duk_context* ctx, void* udata) {
  auto* nv = static_cast<NameValue*>(udata);
  duk_push_global_object(ctx);
  duk_push_lstring(ctx, nv->name->data(), nv->name->size());
  nv->found = duk_has_prop(ctx, -2) ? 1 : 0;
  if (nv->value == nullptr) return 0;
  duk_push_lstring(ctx, nv->name->data(), nv->name->size());
  duk_push_lstring(ctx, nv->value->data(), nv->value->size());
  duk_put_prop(ctx, -3);
  return 0;
}

duk_ret_t GetSafe(duk_context* ctx, void* udata) {
  auto* nv = static_cast<NameValue*>(udata);
  duk_push_global_object(ctx);
  duk_push_lstring(ctx, nv->name->data(), nv->name->size());
  nv->found = duk_has_prop(ctx, -2) ? 1 : 0;
  if (nv->found == 0) {
    duk_push_undefined(ctx);
    return 1;
  }
  duk_get_prop_lstring(ctx, -1, nv->name->data(), nv->name->size());
  // Objects and arrays as JSON; everything else as the script would print it.
  if (duk_is_object(ctx, -1) && !duk_is_function(ctx, -1))
    duk_json_encode(ctx, -1);
  else
    duk_to_string(ctx, -1);
  return 1;
}

Script::Heap* HeapOf(duk_context* ctx) {
  duk_memory_functions f;
  duk_get_memory_functions(ctx, &f);
  return static_cast<Script::Heap*>(f.udata);
}

// Host function 1: log(...) writes its arguments, joined by spaces, to the
// host's output.
duk_ret_t HostLog(duk_context* ctx) {
  duk_idx_t n = duk_get_top(ctx);
  duk_push_string(ctx, " ");
  duk_insert(ctx, 0);
  duk_join(ctx, n);
  std::printf("refhost: script %u: %s\n", HeapOf(ctx)->handle, duk_get_string(ctx, -1));
  std::fflush(stdout);
  return 0;
}

// Host function 2: sleep(ms) waits, but never past the run's limit.
duk_ret_t HostSleep(duk_context* ctx) {
  Script::Heap* h = HeapOf(ctx);
  double ms = duk_to_number(ctx, 0);
  std::int64_t until = NowMs() + (ms > 0 && ms < 3.6e6 ? static_cast<std::int64_t>(ms) : 0);
  while (NowMs() < until) {
    if (h->MustStop()) return duk_error(ctx, DUK_ERR_RANGE_ERROR, "execution timeout");
    ::Sleep(5);
  }
  return 0;
}

struct FunctionPut {
  const std::string* name;
  duk_c_function fn;
};

duk_ret_t PutFunctionSafe(duk_context* ctx, void* udata) {
  auto* fp = static_cast<FunctionPut*>(udata);
  duk_push_global_object(ctx);
  duk_push_lstring(ctx, fp->name->data(), fp->name->size());
  duk_push_c_function(ctx, fp->fn, DUK_VARARGS);
  duk_put_prop(ctx, -3);
  return 0;
}

}  // namespace

extern "C" int refhost_duk_exec_timeout_check(void* udata) {
  return udata != nullptr && static_cast<Script::Heap*>(udata)->MustStop() ? 1 : 0;
}

Script::Script(std::uint32_t handle) : handle_(handle) {}

Script::~Script() {
  if (heap_ == nullptr) return;
  heap_->cancel = true;
  if (worker_.joinable()) worker_.join();
  std::lock_guard<std::mutex> l(heapMu_);
  if (heap_->ctx != nullptr) duk_destroy_heap(heap_->ctx);  // finalizers see the cancel too
  delete heap_;
}

Script* Script::Create(std::uint32_t handle, const std::u16string& source, std::u16string& error) {
  std::unique_ptr<Script> s(new Script(handle));
  s->heap_ = new Heap;
  s->heap_->handle = handle;
  s->heap_->ctx = duk_create_heap(HeapAlloc, HeapRealloc, HeapFree, s->heap_, HeapFatal);
  if (s->heap_->ctx == nullptr) {
    error = u"refhost: brak pamięci na nowy skrypt";
    return nullptr;
  }
  std::string src = ToEngine(source);
  s->heap_->deadline = NowMs() + kSyncRunLimit.count();
  if (duk_safe_call(s->heap_->ctx, CompileSafe, &src, 0, 1) != DUK_EXEC_SUCCESS) {
    error = PopErrorText(s->heap_->ctx);
    return nullptr;
  }
  duk_pop(s->heap_->ctx);
  return s.release();
}

ScriptOutcome Script::Busy() const {
  std::lock_guard<std::mutex> l(stateMu_);
  if (state_ == RunState::Running) return ScriptOutcome::Fail(u"refhost: skrypt " + Num(handle_) + u" jest wykonywany");
  return ScriptOutcome::Ok();
}

ScriptOutcome Script::AddVariable(const std::u16string& name, const std::u16string& value) {
  if (name.empty()) return ScriptOutcome::Fail(u"refhost: pusta nazwa zmiennej");
  if (ScriptOutcome b = Busy(); !b.ok) return b;
  std::string n = ToEngine(name), v = ToEngine(value);
  NameValue nv{&n, &v, 0};
  std::lock_guard<std::mutex> l(heapMu_);
  heap_->deadline = NowMs() + kSyncRunLimit.count();
  if (duk_safe_call(heap_->ctx, PutSafe, &nv, 0, 1) != DUK_EXEC_SUCCESS)
    return ScriptOutcome::Fail(PopErrorText(heap_->ctx));
  duk_pop(heap_->ctx);
  return ScriptOutcome::Ok();
}

ScriptOutcome Script::SetVariable(const std::u16string& name, const std::u16string& value) {
  if (name.empty()) return ScriptOutcome::Fail(u"refhost: pusta nazwa zmiennej");
  if (ScriptOutcome b = Busy(); !b.ok) return b;
  std::string n = ToEngine(name), v = ToEngine(value);
  NameValue probe{&n, nullptr, 0};
  std::lock_guard<std::mutex> l(heapMu_);
  heap_->deadline = NowMs() + kSyncRunLimit.count();
  if (duk_safe_call(heap_->ctx, PutSafe, &probe, 0, 1) != DUK_EXEC_SUCCESS)
    return ScriptOutcome::Fail(PopErrorText(heap_->ctx));
  duk_pop(heap_->ctx);
  if (probe.found == 0) return ScriptOutcome::Fail(u"refhost: brak zmiennej '" + name + u"'");
  NameValue nv{&n, &v, 0};
  if (duk_safe_call(heap_->ctx, PutSafe, &nv, 0, 1) != DUK_EXEC_SUCCESS)
    return ScriptOutcome::Fail(PopErrorText(heap_->ctx));
  duk_pop(heap_->ctx);
  return ScriptOutcome::Ok();
}

ScriptOutcome Script::GetVariable(const std::u16string& name) {
  if (name.empty()) return ScriptOutcome::Fail(u"refhost: pusta nazwa zmiennej");
  if (ScriptOutcome b = Busy(); !b.ok) return b;
  std::string n = ToEngine(name);
  NameValue nv{&n, nullptr, 0};
  std::lock_guard<std::mutex> l(heapMu_);
  heap_->deadline = NowMs() + kSyncRunLimit.count();
  if (duk_safe_call(heap_->ctx, GetSafe, &nv, 0, 1) != DUK_EXEC_SUCCESS)
    return ScriptOutcome::Fail(PopErrorText(heap_->ctx));
  std::u16string text = nv.found != 0 ? TopText(heap_->ctx) : std::u16string();
  duk_pop(heap_->ctx);
  if (nv.found == 0) return ScriptOutcome::Fail(u"refhost: brak zmiennej '" + name + u"'");
  // The reply cannot hold more; a cut value would pass for the whole one.
  if (text.size() > KARVO_TEXT_UNITS)
    return ScriptOutcome::Fail(u"refhost: wartość zmiennej '" + name + u"' jest za długa (" + Num(text.size()) +
                               u" znaków)");
  return ScriptOutcome::Ok(std::move(text));
}

ScriptOutcome Script::AddFunction(std::uint32_t funcValue, const std::u16string& name) {
  if (name.empty()) return ScriptOutcome::Fail(u"refhost: pusta nazwa funkcji");
  duk_c_function fn = nullptr;
  switch (funcValue) {
    case KARVO_SCRIPT_FN_LOG: fn = HostLog; break;
    case KARVO_SCRIPT_FN_SLEEP: fn = HostSleep; break;
    default: return ScriptOutcome::Fail(u"refhost: nieznana funkcja hosta " + Num(funcValue));
  }
  if (ScriptOutcome b = Busy(); !b.ok) return b;
  std::string n = ToEngine(name);
  FunctionPut fp{&n, fn};
  std::lock_guard<std::mutex> l(heapMu_);
  heap_->deadline = NowMs() + kSyncRunLimit.count();
  if (duk_safe_call(heap_->ctx, PutFunctionSafe, &fp, 0, 1) != DUK_EXEC_SUCCESS)
    return ScriptOutcome::Fail(PopErrorText(heap_->ctx));
  duk_pop(heap_->ctx);
  return ScriptOutcome::Ok();
}

ScriptOutcome Script::Run(std::chrono::milliseconds limit) {
  std::lock_guard<std::mutex> l(heapMu_);
  heap_->deadline = NowMs() + limit.count();
  if (duk_safe_call(heap_->ctx, RunSafe, nullptr, 0, 1) == DUK_EXEC_SUCCESS) {
    duk_pop(heap_->ctx);
    return ScriptOutcome::Ok();
  }
  std::u16string error = PopErrorText(heap_->ctx);
  if (heap_->cancel) return ScriptOutcome::Fail(u"refhost: wykonanie skryptu przerwane");
  if (NowMs() >= heap_->deadline)
    return ScriptOutcome::Fail(u"refhost: przekroczono czas wykonania skryptu (" + Num(limit.count()) + u" ms)");
  return ScriptOutcome::Fail(error);
}

ScriptOutcome Script::Execute() {
  if (ScriptOutcome b = Busy(); !b.ok) return b;
  return Run(kSyncRunLimit);
}

ScriptOutcome Script::StartInBackground() {
  std::lock_guard<std::mutex> l(stateMu_);
  if (state_ == RunState::Running) return ScriptOutcome::Fail(u"refhost: skrypt " + Num(handle_) + u" jest wykonywany");
  if (worker_.joinable()) worker_.join();  // the last run has finished
  state_ = RunState::Running;
  failure_.clear();
  worker_ = std::thread([this] {
    ScriptOutcome o = Run(kAsyncRunLimit);
    std::lock_guard<std::mutex> done(stateMu_);
    state_ = o.ok ? RunState::Finished : RunState::Failed;
    failure_ = std::move(o.text);
  });
  return ScriptOutcome::Ok();
}

ScriptOutcome Script::Status() {
  std::lock_guard<std::mutex> l(stateMu_);
  switch (state_) {
    case RunState::NeverRun:
      return ScriptOutcome::Fail(u"refhost: skrypt " + Num(handle_) + u" nie był uruchomiony w tle");
    case RunState::Running:
      return ScriptOutcome::Fail(u"refhost: skrypt " + Num(handle_) + u" jest jeszcze wykonywany");
    case RunState::Finished: return ScriptOutcome::Ok();
    case RunState::Failed: return ScriptOutcome::Fail(failure_);
  }
  return ScriptOutcome::Fail(u"refhost: nieznany stan skryptu");
}

}  // namespace refhost
