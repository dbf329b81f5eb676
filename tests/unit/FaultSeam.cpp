#include "FaultSeam.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "link/WaitPauses.h"

namespace karvo::test {

namespace {

FaultSeam* g_seam = nullptr;
thread_local bool g_outside = false;

FaultSeam& S() { return *g_seam; }
const Syscalls& In() { return g_seam->Inner(); }

// The bookkeeping must not disturb the last error a caller reads next.
class KeepLastError {
 public:
  KeepLastError() : err_(::GetLastError()) {}
  ~KeepLastError() { ::SetLastError(err_); }

 private:
  DWORD err_;
};

bool Garbage(const void* p) { return reinterpret_cast<std::uintptr_t>(p) == FaultSeam::kGarbage; }

// A VARIANT's payload as the platform would release it.
void TakePayload(const VARIANT* v) {
  if (v->vt == VT_BSTR && v->bstrVal != nullptr) S().Take(FaultSeam::Kind::VariantPayload, v->bstrVal);
  if ((v->vt == VT_DISPATCH || v->vt == VT_UNKNOWN) && v->punkVal != nullptr)
    S().Take(FaultSeam::Kind::VariantPayload, v->punkVal);
}

// ---- Calls that can fail: each is a fault point ----

// What a call that makes a handle or a view made, counted until released;
// the last error stays as the call left it.
template <class P>
P Made(FaultSeam::Kind kind, P made) {
  KeepLastError keep;
  if (made != nullptr) S().Take(kind, made);
  return made;
}

HANDLE WINAPI CreateFileMappingW_(HANDLE f, LPSECURITY_ATTRIBUTES a, DWORD p, DWORD hi, DWORD lo, LPCWSTR n) {
  if (!S().Ours()) return In().CreateFileMappingW(f, a, p, hi, lo, n);
  if (S().Fail("CreateFileMappingW")) return ::SetLastError(ERROR_NOT_ENOUGH_MEMORY), nullptr;
  return Made(FaultSeam::Kind::Handle, In().CreateFileMappingW(f, a, p, hi, lo, n));
}

HANDLE WINAPI OpenFileMappingW_(DWORD access, BOOL inherit, LPCWSTR n) {
  if (!S().Ours()) return In().OpenFileMappingW(access, inherit, n);
  if (S().Fail("OpenFileMappingW")) return ::SetLastError(ERROR_NOT_ENOUGH_MEMORY), nullptr;
  return Made(FaultSeam::Kind::Handle, In().OpenFileMappingW(access, inherit, n));
}

LPVOID WINAPI MapViewOfFile_(HANDLE m, DWORD access, DWORD hi, DWORD lo, SIZE_T n) {
  if (!S().Ours()) return In().MapViewOfFile(m, access, hi, lo, n);
  if (S().Fail("MapViewOfFile")) return ::SetLastError(ERROR_NOT_ENOUGH_MEMORY), nullptr;
  return Made(FaultSeam::Kind::View, In().MapViewOfFile(m, access, hi, lo, n));
}

HANDLE WINAPI CreateMutexW_(LPSECURITY_ATTRIBUTES a, BOOL owned, LPCWSTR n) {
  if (!S().Ours()) return In().CreateMutexW(a, owned, n);
  if (S().Fail("CreateMutexW")) return ::SetLastError(ERROR_NOT_ENOUGH_MEMORY), nullptr;
  return Made(FaultSeam::Kind::Handle, In().CreateMutexW(a, owned, n));
}

HANDLE WINAPI CreateEventW_(LPSECURITY_ATTRIBUTES a, BOOL manual, BOOL initial, LPCWSTR n) {
  if (!S().Ours()) return In().CreateEventW(a, manual, initial, n);
  if (S().Fail("CreateEventW")) return ::SetLastError(ERROR_NOT_ENOUGH_MEMORY), nullptr;
  return Made(FaultSeam::Kind::Handle, In().CreateEventW(a, manual, initial, n));
}

HANDLE WINAPI OpenEventW_(DWORD access, BOOL inherit, LPCWSTR n) {
  if (!S().Ours()) return In().OpenEventW(access, inherit, n);
  if (S().Fail("OpenEventW")) return ::SetLastError(ERROR_NOT_ENOUGH_MEMORY), nullptr;
  return Made(FaultSeam::Kind::Handle, In().OpenEventW(access, inherit, n));
}

// A failed signal is a wake-up lost: the other side must still find the
// block at its next look.
BOOL WINAPI SetEvent_(HANDLE h) {
  if (S().Ours() && S().Fail("SetEvent")) return ::SetLastError(ERROR_INVALID_HANDLE), FALSE;
  return In().SetEvent(h);
}

// A failed wait is one fault point and costs no time: it answers at once,
// as a wait that another process's hold outlasted would after its second.
// A pause on a wake-up event, or a look at one, is where the client sleeps:
// it serves the in-thread host as a sleep does, and is never woken, since
// that host answers only when served (the mutex's waits are longer).
DWORD WINAPI WaitForSingleObject_(HANDLE h, DWORD ms) {
  if (S().Ours() && ms <= kLongPauseMs && S().OnSleep) {
    FaultSeam::Outside outside;
    S().OnSleep();
    return WAIT_TIMEOUT;
  }
  if (S().Ours() && S().Fail("WaitForSingleObject")) return WAIT_TIMEOUT;
  return In().WaitForSingleObject(h, ms);
}

int WINAPI MultiByteToWideChar_(UINT cp, DWORD flags, LPCCH s, int n, LPWSTR out, int room) {
  if (S().Ours() && S().Fail("MultiByteToWideChar")) return ::SetLastError(ERROR_INSUFFICIENT_BUFFER), 0;
  return In().MultiByteToWideChar(cp, flags, s, n, out, room);
}

int WINAPI WideCharToMultiByte_(UINT cp, DWORD flags, LPCWCH s, int n, LPSTR out, int room, LPCCH def, LPBOOL used) {
  if (S().Ours() && S().Fail("WideCharToMultiByte")) return ::SetLastError(ERROR_INSUFFICIENT_BUFFER), 0;
  return In().WideCharToMultiByte(cp, flags, s, n, out, room, def, used);
}

BSTR WINAPI SysAllocStringLen_(const OLECHAR* s, UINT n) {
  if (!S().Ours()) return In().SysAllocStringLen(s, n);
  if (S().Fail("SysAllocStringLen")) return nullptr;
  BSTR b = In().SysAllocStringLen(s, n);
  if (b != nullptr) S().Take(FaultSeam::Kind::Bstr, b);
  return b;
}

HRESULT WINAPI VariantCopy_(VARIANTARG* to, VARIANTARG* from) {
  if (!S().Ours()) return In().VariantCopy(to, from);
  if (S().Fail("VariantCopy")) return E_OUTOFMEMORY;
  HRESULT hr = In().VariantCopy(to, from);
  if (SUCCEEDED(hr)) TakePayload(to);
  return hr;
}

HRESULT WINAPI VariantChangeTypeEx_(VARIANTARG* to, VARIANTARG* from, LCID lcid, USHORT flags, VARTYPE vt) {
  if (!S().Ours()) return In().VariantChangeTypeEx(to, from, lcid, flags, vt);
  if (S().Fail("VariantChangeTypeEx")) return E_OUTOFMEMORY;
  HRESULT hr = In().VariantChangeTypeEx(to, from, lcid, flags, vt);
  if (SUCCEEDED(hr)) TakePayload(to);
  return hr;
}

template <class T, HRESULT (WINAPI* Syscalls::*Fn)(T, LCID, ULONG, BSTR*)>
HRESULT WINAPI VarBstrFrom_(T value, LCID lcid, ULONG flags, BSTR* out) {
  if (!S().Ours()) return (In().*Fn)(value, lcid, flags, out);
  if (S().Fail("VarBstrFrom")) return E_OUTOFMEMORY;
  HRESULT hr = (In().*Fn)(value, lcid, flags, out);
  if (SUCCEEDED(hr) && *out != nullptr) S().Take(FaultSeam::Kind::Bstr, *out);
  return hr;
}

template <class T, HRESULT (WINAPI* Syscalls::*Fn)(OLECHAR*, LCID, ULONG, T*)>
HRESULT WINAPI VarFromStr_(OLECHAR* s, LCID lcid, ULONG flags, T* out) {
  if (S().Ours() && S().Fail("Var*FromStr")) return E_OUTOFMEMORY;
  return (In().*Fn)(s, lcid, flags, out);
}

int WINAPI GetLocaleInfoW_(LCID lcid, LCTYPE type, LPWSTR out, int room) {
  if (S().Ours() && S().Fail("GetLocaleInfoW")) return ::SetLastError(ERROR_INVALID_PARAMETER), 0;
  return In().GetLocaleInfoW(lcid, type, out, room);
}

int WINAPI CompareStringW_(LCID lcid, DWORD flags, PCNZWCH a, int na, PCNZWCH b, int nb) {
  if (S().Ours() && S().Fail("CompareStringW")) return ::SetLastError(ERROR_INVALID_PARAMETER), 0;
  return In().CompareStringW(lcid, flags, a, na, b, nb);
}

SIZE_T WINAPI VirtualQuery_(LPCVOID at, PMEMORY_BASIC_INFORMATION info, SIZE_T n) {
  if (S().Ours() && S().Fail("VirtualQuery")) return ::SetLastError(ERROR_INVALID_PARAMETER), 0;
  return In().VirtualQuery(at, info, n);
}

HRESULT WINAPI SafeArrayAllocDescriptorEx_(VARTYPE vt, UINT dims, SAFEARRAY** out) {
  if (S().Ours() && S().Fail("SafeArrayAllocDescriptorEx")) return *out = nullptr, E_OUTOFMEMORY;
  return In().SafeArrayAllocDescriptorEx(vt, dims, out);
}

HRESULT WINAPI SafeArrayAllocData_(SAFEARRAY* a) {
  if (S().Ours() && S().Fail("SafeArrayAllocData")) return E_OUTOFMEMORY;
  return In().SafeArrayAllocData(a);
}

int WINAPI MessageBoxW_(HWND w, LPCWSTR text, LPCWSTR caption, UINT type) {
  if (S().Ours() && S().Fail("MessageBoxW")) return 0;
  return In().MessageBoxW(w, text, caption, type);
}

HRESULT WINAPI CoCreateInstance_(REFCLSID clsid, LPUNKNOWN outer, DWORD ctx, REFIID iid, LPVOID* out) {
  if (!S().Ours()) return In().CoCreateInstance(clsid, outer, ctx, iid, out);
  if (S().Fail("CoCreateInstance")) return *out = nullptr, E_OUTOFMEMORY;
  HRESULT hr = In().CoCreateInstance(clsid, outer, ctx, iid, out);
  if (SUCCEEDED(hr) && *out != nullptr) S().TakeEngineObject(static_cast<IUnknown*>(*out));
  return hr;
}

void* StringGetMem_(std::int32_t size) {
  if (!S().Ours()) return In().StringGetMem(size);
  if (S().Fail("StringGetMem")) return nullptr;
  void* p = In().StringGetMem(size);
  if (p != nullptr) S().Take(FaultSeam::Kind::String, p);
  return p;
}

// ---- Releases and calls that cannot fail: accounted, never failed ----

BOOL WINAPI UnmapViewOfFile_(LPCVOID v) {
  if (S().Ours()) S().Give(v);
  return In().UnmapViewOfFile(v);
}

BOOL WINAPI CloseHandle_(HANDLE h) {
  if (S().Ours()) S().Give(h);
  return In().CloseHandle(h);
}

void WINAPI SysFreeString_(BSTR b) {
  if (S().Ours()) {
    if (Garbage(b)) return S().Problem("SysFreeString on an uninitialised BSTR");
    S().Give(b);
  }
  In().SysFreeString(b);
}

// As the platform documents it: vt is set, and nothing else is.
void WINAPI VariantInit_(VARIANTARG* v) {
  if (!S().Ours()) return In().VariantInit(v);
  std::memset(v, 0xCD, sizeof *v);
  v->vt = VT_EMPTY;
}

HRESULT WINAPI VariantClear_(VARIANTARG* v) {
  if (S().Ours() && v != nullptr) {
    const VARTYPE t = v->vt;
    if ((t == VT_BSTR || t == VT_DISPATCH || t == VT_UNKNOWN) && Garbage(v->punkVal)) {
      S().Problem("VariantClear on a VARIANT whose value was never stored");
      v->vt = VT_EMPTY;
      return S_OK;
    }
    if (t == VT_BSTR || t == VT_DISPATCH || t == VT_UNKNOWN) S().Give(v->punkVal);
  }
  return In().VariantClear(v);
}

void WINAPI Sleep_(DWORD ms) {
  if (S().Ours() && S().OnSleep) {
    FaultSeam::Outside outside;
    S().OnSleep();
    return;
  }
  In().Sleep(ms);
}

std::int32_t StringFreeMem_(void* p) {
  if (S().Ours()) S().Give(p);
  return In().StringFreeMem(p);
}

}  // namespace

const char* KindName(FaultSeam::Kind kind) {
  switch (kind) {
    case FaultSeam::Kind::Handle: return "handle";
    case FaultSeam::Kind::View: return "view";
    case FaultSeam::Kind::Bstr: return "BSTR";
    case FaultSeam::Kind::VariantPayload: return "VARIANT";
    case FaultSeam::Kind::String: return "counted string";
  }
  return "?";
}

FaultSeam::FaultSeam() : inner_(Sys()), thread_(::GetCurrentThreadId()) {
  if (g_seam != nullptr) throw std::logic_error("one fault seam at a time");
  g_seam = this;
  Syscalls& t = Sys();
  t.CreateFileMappingW = &CreateFileMappingW_;
  t.OpenFileMappingW = &OpenFileMappingW_;
  t.MapViewOfFile = &MapViewOfFile_;
  t.UnmapViewOfFile = &UnmapViewOfFile_;
  t.CloseHandle = &CloseHandle_;
  t.CreateMutexW = &CreateMutexW_;
  t.CreateEventW = &CreateEventW_;
  t.OpenEventW = &OpenEventW_;
  t.SetEvent = &SetEvent_;
  t.WaitForSingleObject = &WaitForSingleObject_;
  t.Sleep = &Sleep_;
  t.MultiByteToWideChar = &MultiByteToWideChar_;
  t.WideCharToMultiByte = &WideCharToMultiByte_;
  t.SysAllocStringLen = &SysAllocStringLen_;
  t.SysFreeString = &SysFreeString_;
  t.VariantInit = &VariantInit_;
  t.VariantClear = &VariantClear_;
  t.VariantCopy = &VariantCopy_;
  t.VariantChangeTypeEx = &VariantChangeTypeEx_;
  t.VarBstrFromCy = &VarBstrFrom_<CY, &Syscalls::VarBstrFromCy>;
  t.VarBstrFromDate = &VarBstrFrom_<DATE, &Syscalls::VarBstrFromDate>;
  t.VarBstrFromBool = &VarBstrFrom_<VARIANT_BOOL, &Syscalls::VarBstrFromBool>;
  t.GetLocaleInfoW = &GetLocaleInfoW_;
  t.CompareStringW = &CompareStringW_;
  t.VirtualQuery = &VirtualQuery_;
  t.SafeArrayAllocDescriptorEx = &SafeArrayAllocDescriptorEx_;
  t.SafeArrayAllocData = &SafeArrayAllocData_;
  t.MessageBoxW = &MessageBoxW_;
  t.CoCreateInstance = &CoCreateInstance_;
  t.VarI4FromStr = &VarFromStr_<LONG, &Syscalls::VarI4FromStr>;
  t.VarR8FromStr = &VarFromStr_<DOUBLE, &Syscalls::VarR8FromStr>;
  t.VarDateFromStr = &VarFromStr_<DATE, &Syscalls::VarDateFromStr>;
  t.StringGetMem = &StringGetMem_;
  t.StringFreeMem = &StringFreeMem_;
  // ReleaseMutex and GetACP pass straight through: the library ignores the
  // one's failure and the other has none.
}

FaultSeam::~FaultSeam() {
  ReleaseEngineObjects();
  Sys() = inner_;
  g_seam = nullptr;
}

FaultSeam& FaultSeam::Current() { return *g_seam; }

FaultSeam::Outside::Outside() : was_(g_outside) { g_outside = true; }
FaultSeam::Outside::~Outside() { g_outside = was_; }

bool FaultSeam::Ours() const { return !g_outside && ::GetCurrentThreadId() == thread_; }

void FaultSeam::Arm(int n, Mode mode) {
  armed_ = true;
  mode_ = mode;
  at_ = n;
  calls_ = 0;
  met_ = false;
  faultAt_.clear();
}

void FaultSeam::Disarm() { armed_ = false; }

bool FaultSeam::Fail(const char* what) {
  if (!armed_) return false;
  ++calls_;
  if (calls_ < at_ || (calls_ > at_ && mode_ == Mode::Once)) return false;
  if (!met_) faultAt_ = what;
  met_ = true;
  return true;
}

void FaultSeam::Take(Kind kind, const void* p) {
  KeepLastError keep;
  held_[p] = kind;
}

bool FaultSeam::Give(const void* p) {
  KeepLastError keep;
  return held_.erase(p) != 0;
}

void FaultSeam::TakeEngineObject(IUnknown* object) {
  KeepLastError keep;
  object->AddRef();
  engines_.push_back(object);
}

std::map<FaultSeam::Kind, int> FaultSeam::Outstanding() const {
  std::map<Kind, int> out;
  for (const auto& [p, kind] : held_) ++out[kind];
  return out;
}

int FaultSeam::ReleaseEngineObjects() {
  // Our reference is the last one when the library gave back all of its own.
  int leaked = 0;
  for (IUnknown* object : engines_)
    if (object->Release() != 0) ++leaked;
  engines_.clear();
  return leaked;
}

std::vector<std::string> FaultSeam::TakeProblems() {
  std::vector<std::string> out;
  out.swap(problems_);
  return out;
}

}  // namespace karvo::test
