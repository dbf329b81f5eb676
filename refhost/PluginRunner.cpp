#include "PluginRunner.h"

#include <objbase.h>
#include <windows.h>

#include <atomic>
#include <vector>

#include "Console.h"
#include "PluginImage.h"

// Calls entry(argument) as __stdcall and says whether the callee took its
// 4-byte argument off the stack as __stdcall does. An entry point declared
// without __stdcall leaves it there; the stack pointer is put back either
// way, so such a plug-in is reported instead of corrupting refhost.
extern "C" int __stdcall KarvoCallEntryChecked(void* entry, const char* argument, int* popped);
asm(R"(
    .text
    .globl _KarvoCallEntryChecked@12
    .def _KarvoCallEntryChecked@12; .scl 2; .type 32; .endef
_KarvoCallEntryChecked@12:
    pushl %ebx
    pushl %esi
    pushl %edi
    pushl %ebp
    movl %esp, %esi
    pushl 24(%esi)
    call *20(%esi)
    xorl %edx, %edx
    cmpl %esp, %esi
    sete %dl
    movl %esi, %esp
    movl 28(%esp), %ecx
    movl %edx, (%ecx)
    popl %ebp
    popl %edi
    popl %esi
    popl %ebx
    ret $12
)");

namespace refhost {

namespace {

using PluginAnswer = const char*(__stdcall*)();

enum Phase : int { kIdle = 0, kLoading, kRunning, kAnswering, kUnloading };

// What the fault report and the stop handler need, readable from any
// thread without a lock: written before the plug-in's thread starts.
struct Running {
  wchar_t name[MAX_PATH + 1] = {};
  std::atomic<int> phase{kIdle};
  std::atomic<DWORD> thread{0};
  std::atomic<DWORD> since{0};
};
Running running;
std::atomic<bool> stopRequested{false};

const wchar_t* PhaseText(int phase) {
  switch (phase) {
    case kLoading: return L"while loading (in DllMain or its start-up code)";
    case kRunning: return L"in KarvoPluginRun";
    case kAnswering: return L"in KarvoPluginAnswer";
    case kUnloading: return L"while unloading";
    default: return L"";
  }
}

void SetPhase(int phase) {
  running.since = ::GetTickCount();
  running.phase = phase;
}

// A message made without the heap, for the fault and stop paths.
class Note {
 public:
  Note& Add(const wchar_t* s) {
    while (s != nullptr && *s != 0 && n_ + 1 < kSize) buf_[n_++] = *s++;
    buf_[n_] = 0;
    return *this;
  }
  // Eight digits, or as many as the value needs when short.
  Note& Hex(DWORD v, bool short_ = false) {
    wchar_t d[9];
    int digits = 8;
    while (short_ && digits > 1 && (v >> (4 * (digits - 1))) == 0) --digits;
    for (int i = digits - 1; i >= 0; --i, v >>= 4) d[i] = L"0123456789ABCDEF"[v & 15];
    d[digits] = 0;
    return Add(L"0x").Add(d);
  }
  Note& Dec(DWORD v) {
    wchar_t d[12];
    int i = 11;
    d[i] = 0;
    do d[--i] = static_cast<wchar_t>(L'0' + v % 10);
    while ((v /= 10) != 0 && i > 0);
    return Add(d + i);
  }
  void PrintAndEnd(UINT code) {
    Add(L"\r\n");
    PrintErrorRaw(buf_, n_);
    ::TerminateProcess(::GetCurrentProcess(), code);
  }

 private:
  static constexpr unsigned kSize = 1024;
  wchar_t buf_[kSize] = {};
  unsigned n_ = 0;
};

const wchar_t* ExceptionName(DWORD code) {
  switch (code) {
    case EXCEPTION_ACCESS_VIOLATION: return L"access violation";
    case EXCEPTION_IN_PAGE_ERROR: return L"in-page error";
    case EXCEPTION_INT_DIVIDE_BY_ZERO: return L"integer division by zero";
    case EXCEPTION_INT_OVERFLOW: return L"integer overflow";
    case EXCEPTION_FLT_DIVIDE_BY_ZERO: return L"floating-point division by zero";
    case EXCEPTION_FLT_INVALID_OPERATION: return L"invalid floating-point operation";
    case EXCEPTION_FLT_OVERFLOW: return L"floating-point overflow";
    case EXCEPTION_STACK_OVERFLOW: return L"stack overflow";
    case EXCEPTION_ILLEGAL_INSTRUCTION: return L"illegal instruction";
    case EXCEPTION_PRIV_INSTRUCTION: return L"privileged instruction";
    case EXCEPTION_BREAKPOINT: return L"breakpoint";
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED: return L"array bounds exceeded";
    case EXCEPTION_DATATYPE_MISALIGNMENT: return L"misaligned data";
    case 0xE06D7363: return L"an MSVC C++ exception nobody caught";
    case 0x0EEDFADE: return L"a Delphi exception nobody caught";
    default: return L"exception";
  }
}

// "X.dll+0x1A2B" for an address inside a module, "no module" otherwise.
void AddPlace(Note& note, const void* address) {
  HMODULE m = nullptr;
  wchar_t path[MAX_PATH] = {};
  if (::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           static_cast<const wchar_t*>(address), &m) &&
      ::GetModuleFileNameW(m, path, MAX_PATH) > 0) {
    const wchar_t* base = path;
    for (const wchar_t* p = path; *p != 0; ++p)
      if (*p == L'\\' || *p == L'/') base = p + 1;
    note.Add(base).Add(L"+").Hex(
        static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(address) - reinterpret_cast<ULONG_PTR>(m)), true);
    return;
  }
  note.Add(L"in no module");
}

LONG WINAPI ReportFault(EXCEPTION_POINTERS* e) {
  const EXCEPTION_RECORD& r = *e->ExceptionRecord;
  Note note;
  note.Add(L"refhost: ");
  int phase = running.phase;
  if (phase != kIdle) {
    note.Add(running.name).Add(L" faulted ").Add(PhaseText(phase));
    if (::GetCurrentThreadId() != running.thread)
      note.Add(L" (in its thread ").Dec(::GetCurrentThreadId()).Add(L", not refhost's)");
  } else {
    note.Add(L"refhost faulted with no plug-in running");
  }
  note.Add(L": exception ").Hex(r.ExceptionCode).Add(L" (").Add(ExceptionName(r.ExceptionCode));
  if ((r.ExceptionCode == EXCEPTION_ACCESS_VIOLATION || r.ExceptionCode == EXCEPTION_IN_PAGE_ERROR) &&
      r.NumberParameters >= 2) {
    ULONG_PTR how = r.ExceptionInformation[0];
    note.Add(how == 0   ? L", reading"
             : how == 8 ? L", executing"
                        : L", writing")
        .Add(L" address ")
        .Hex(static_cast<DWORD>(r.ExceptionInformation[1]));
  }
  note.Add(L") at ").Hex(static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(r.ExceptionAddress))).Add(L" (");
  AddPlace(note, r.ExceptionAddress);
  note.Add(L")");
  note.PrintAndEnd(kExitFault);
  return EXCEPTION_EXECUTE_HANDLER;
}

void AddStillRunning(Note& note) {
  note.Add(running.name).Add(L" was still running ").Add(PhaseText(running.phase)).Add(L" (for ");
  note.Dec((::GetTickCount() - running.since) / 1000).Add(L" s)");
}

BOOL WINAPI OnStop(DWORD) {
  if (running.phase != kIdle) {
    Note note;
    note.Add(L"refhost: stopped while ");
    AddStillRunning(note);
    note.PrintAndEnd(kExitStopped);
  }
  stopRequested = true;
  return TRUE;
}

// ---- Loading, with the cause of a failure.

std::u16string Name(const std::wstring& path) { return std::u16string(path.begin(), path.end()); }

std::u16string SystemText(DWORD error) {
  wchar_t* text = nullptr;
  DWORD n =
      ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::u16string s = n > 0 && text != nullptr ? std::u16string(reinterpret_cast<char16_t*>(text), n) : u"";
  if (text != nullptr) ::LocalFree(text);
  while (!s.empty() && (s.back() == u'\r' || s.back() == u'\n' || s.back() == u' ' || s.back() == u'.')) s.pop_back();
  return s.empty() ? u"no text" : s;
}

// The file LoadLibrary would take for this name: the name itself when it
// exists, else what the search path finds.
std::wstring Locate(const std::wstring& name) {
  if (::GetFileAttributesW(name.c_str()) != INVALID_FILE_ATTRIBUTES) return name;
  wchar_t found[MAX_PATH];
  DWORD n = ::SearchPathW(nullptr, name.c_str(), nullptr, MAX_PATH, found, nullptr);
  return n > 0 && n < MAX_PATH ? std::wstring(found, n) : std::wstring();
}

bool ReadImage(const std::wstring& path, PluginImage& image) {
  HANDLE f = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size{};
  bool ok = ::GetFileSizeEx(f, &size) && size.QuadPart <= (64 << 20);
  std::vector<unsigned char> bytes(ok ? static_cast<std::size_t>(size.QuadPart) : 0);
  DWORD got = 0;
  ok = ok && (bytes.empty() || ::ReadFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr));
  ::CloseHandle(f);
  if (ok) image = ReadPluginImage(bytes.data(), got);
  return ok;
}

// The DLLs a plug-in imports that this process cannot find.
std::u16string MissingImports(const PluginImage& image) {
  std::u16string missing;
  for (const std::string& dll : image.Imports) {
    if (dll.rfind("api-ms-", 0) == 0 || dll.rfind("ext-ms-", 0) == 0) continue;
    std::wstring w(dll.begin(), dll.end());
    HMODULE m = ::LoadLibraryExW(w.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (m != nullptr) {
      ::FreeLibrary(m);
      continue;
    }
    missing += (missing.empty() ? u"" : u", ") + FromAscii(dll);
  }
  return missing;
}

void CannotLoad(const std::u16string& plugin, const std::u16string& why) {
  PrintError(u"refhost: cannot load " + plugin + u": " + why);
}

HMODULE Load(const std::wstring& path) {
  const std::u16string plugin = Name(path);
  std::wstring file = Locate(path);
  PluginImage image;
  bool read = !file.empty() && ReadImage(file, image);
  if (read && !ImageProblem(image).empty()) {
    CannotLoad(plugin, FromAscii(ImageProblem(image)));
    return nullptr;
  }
  // Found as a file: loaded by its full path, so that the DLLs it imports
  // are looked for beside it too.
  wchar_t full[MAX_PATH];
  DWORD n = file.empty() ? 0 : ::GetFullPathNameW(file.c_str(), MAX_PATH, full, nullptr);
  HMODULE m = n > 0 && n < MAX_PATH ? ::LoadLibraryExW(full, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH)
                                    : ::LoadLibraryW(path.c_str());
  DWORD error = ::GetLastError();
  // A plug-in's start-up code may have put its own filter in place.
  ::SetUnhandledExceptionFilter(&ReportFault);
  if (m != nullptr) return m;
  char code[16];
  wsprintfA(code, "%lu", error);
  std::u16string why = u"error " + FromAscii(code) + u" (" + SystemText(error) + u")";
  if (file.empty()) {
    why += u": there is no such file (looked for it as given, beside refhost.exe, in the current folder and on PATH)";
  } else if (error == ERROR_MOD_NOT_FOUND && read) {
    std::u16string missing = MissingImports(image);
    if (!missing.empty()) why += u": it needs " + missing + u", not found beside refhost.exe, the plug-in or on PATH";
  } else if (error == ERROR_DLL_INIT_FAILED) {
    why += u": its DllMain or start-up code refused to start (its own message, if any, is above)";
  }
  CannotLoad(plugin, why);
  return nullptr;
}

void* EntryPoint(HMODULE m, const std::u16string& plugin) {
  void* entry = reinterpret_cast<void*>(::GetProcAddress(m, kEntryPointName));
  if (entry != nullptr) return entry;
  wchar_t path[MAX_PATH];
  PluginImage image;
  DWORD n = ::GetModuleFileNameW(m, path, MAX_PATH);
  if (n > 0 && n < MAX_PATH) ReadImage(std::wstring(path, n), image);
  PrintError(u"refhost: " + plugin + u" " + FromAscii(EntryPointProblem(image.Exports)));
  return nullptr;
}

struct Job {
  std::wstring path;
  const std::string* callDocument;
  bool ok = false;
};

DWORD WINAPI PluginThread(void* p) {
  Job& job = *static_cast<Job*>(p);
  ULONG guarantee = 64 * 1024;  // room for the fault report after a stack overflow
  ::SetThreadStackGuarantee(&guarantee);
  // A host's main thread has COM, and call documents need it.
  HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const std::u16string plugin = Name(job.path);
  SetPhase(kLoading);
  HMODULE m = Load(job.path);
  void* entry = m != nullptr ? EntryPoint(m, plugin) : nullptr;
  if (entry != nullptr) {
    SetPhase(kRunning);
    int popped = 1;
    int rc = KarvoCallEntryChecked(entry, job.callDocument->c_str(), &popped);
    char text[16];
    wsprintfA(text, "%d", rc);
    Print(u"refhost: " + plugin + u" finished with " + FromAscii(text));
    if (!popped)
      PrintError(u"refhost: " + plugin +
                 u": KarvoPluginRun is not __stdcall: it left its argument on the stack "
                 u"(declare it int __stdcall KarvoPluginRun(const char* callDocument))");
    if (auto answer = reinterpret_cast<PluginAnswer>(reinterpret_cast<void*>(::GetProcAddress(m, kAnswerName)))) {
      SetPhase(kAnswering);
      const char* document = answer();
      Print(u"refhost: " + plugin + u" answered:" +
            (document != nullptr && *document != 0 ? u"\r\n" + FromAnsi(document) : std::u16string(u" nothing")));
    }
    job.ok = rc == 0 && popped;
  }
  if (m != nullptr) {
    SetPhase(kUnloading);
    ::FreeLibrary(m);
  }
  SetPhase(kIdle);
  if (SUCCEEDED(com)) ::CoUninitialize();
  return 0;
}

}  // namespace

void InstallStopAndFaultReports() {
  ::SetUnhandledExceptionFilter(&ReportFault);
  ::SetConsoleCtrlHandler(&OnStop, TRUE);
  // No "the program has crashed" box or debugger of the system's own: the
  // report above says it for the author.
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
}

bool StopRequested() { return stopRequested; }

bool RunPlugin(const std::string& path, const std::string& callDocument, unsigned timeoutSeconds) {
  Job job{std::wstring(), &callDocument};
  std::u16string wide = FromAnsi(path);
  job.path.assign(wide.begin(), wide.end());
  lstrcpynW(running.name, job.path.c_str(), MAX_PATH);
  DWORD id = 0;
  HANDLE thread = ::CreateThread(nullptr, 0, &PluginThread, &job, CREATE_SUSPENDED, &id);
  if (thread == nullptr) {
    PrintError(u"refhost: no thread for " + wide);
    return false;
  }
  running.thread = id;
  ::ResumeThread(thread);
  DWORD waited = ::WaitForSingleObject(thread, timeoutSeconds == 0 ? INFINITE : timeoutSeconds * 1000);
  if (waited == WAIT_TIMEOUT) {
    Note note;
    note.Add(L"refhost: stopped after the --timeout of ").Dec(timeoutSeconds).Add(L" s: ");
    AddStillRunning(note);
    note.PrintAndEnd(kExitStopped);
  }
  ::CloseHandle(thread);
  running.thread = 0;
  return job.ok;
}

}  // namespace refhost
