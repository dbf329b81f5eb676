// The test kit for plug-in authors: everything a unit test of a plug-in
// needs in place of the real host.
//   ScriptedHost      the block and a thread serving it with the replies the
//                     test programs; it records every request
//   TestHostModel     test objects (forms, controls, menus, bitmaps, actions,
//                     methods) and test data sets behind one object model
//   KarvoSession      KARVO.DLL loaded for one case with the model installed
//   CallDocument      the call document a host hands its plug-in
//   HostProcArgs      the arguments of a "_PROC_" request, split
// A case: make a ScriptedHost and a TestHostModel, open a KarvoSession on the
// model, program the replies, run the plug-in with a CallDocument, then look
// at the requests and the test objects.
#pragma once

#include <objbase.h>
#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "FakeDataModel.h"
#include "ScriptedHost.h"
#include "TestObjectModel.h"

namespace karvo::test {

// Test data sets: rows of text under field names, with the behaviour of a
// host's data set (1-based record numbers, Next on the last record sets the
// end flag and stays there).
using TestDataSet = FakeDataSet;
using TestDataModel = FakeDataModel;

// Test objects first, then test data sets: each operation goes to the first
// model that does it, so one handle space serves both. Give test objects
// handles below 0x4000; data sources are numbered from there up.
class TestHostModel {
 public:
  TestObjectModel Objects;
  TestDataModel Data;

  TestHostModel() {
    table_.Size = sizeof(KarvoObjectModel);
    table_.Version = KARVO_OBJECT_MODEL_VERSION;
    table_.Context = this;
#define KARVO_KIT_ENTRY(op) table_.op = &op;
    KARVO_KIT_ENTRY(ClassName)
    KARVO_KIT_ENTRY(ObjectName)
    KARVO_KIT_ENTRY(DataSourceDataSet)
    KARVO_KIT_ENTRY(DataSetFirst)
    KARVO_KIT_ENTRY(DataSetLast)
    KARVO_KIT_ENTRY(DataSetNext)
    KARVO_KIT_ENTRY(DataSetPrior)
    KARVO_KIT_ENTRY(DataSetRecordCount)
    KARVO_KIT_ENTRY(DataSetGetRecNo)
    KARVO_KIT_ENTRY(DataSetSetRecNo)
    KARVO_KIT_ENTRY(DataSetEof)
    KARVO_KIT_ENTRY(DataSetDisableControls)
    KARVO_KIT_ENTRY(DataSetEnableControls)
    KARVO_KIT_ENTRY(DataSetFieldCount)
    KARVO_KIT_ENTRY(DataSetFieldName)
    KARVO_KIT_ENTRY(DataSetFieldText)
    KARVO_KIT_ENTRY(DataSetFieldByName)
    KARVO_KIT_ENTRY(PropertyCount)
    KARVO_KIT_ENTRY(PropertyInfo)
    KARVO_KIT_ENTRY(PropertyGetOrdinal)
    KARVO_KIT_ENTRY(PropertySetOrdinal)
    KARVO_KIT_ENTRY(PropertyGetFloat)
    KARVO_KIT_ENTRY(PropertySetFloat)
    KARVO_KIT_ENTRY(PropertyGetText)
    KARVO_KIT_ENTRY(PropertySetText)
    KARVO_KIT_ENTRY(PropertyGetMethod)
    KARVO_KIT_ENTRY(PropertySetMethod)
    KARVO_KIT_ENTRY(ContainerChildCount)
    KARVO_KIT_ENTRY(ContainerChild)
    KARVO_KIT_ENTRY(MenuRootItem)
    KARVO_KIT_ENTRY(MenuItemAppend)
    KARVO_KIT_ENTRY(BitmapLoadResource)
    KARVO_KIT_ENTRY(ActionExecute)
    KARVO_KIT_ENTRY(FindMethod)
    KARVO_KIT_ENTRY(CallMethod)
#undef KARVO_KIT_ENTRY
  }
  TestHostModel(const TestHostModel&) = delete;
  TestHostModel& operator=(const TestHostModel&) = delete;

  const KarvoObjectModel* Table() const { return &table_; }

 private:
  // The same operation of each model in turn, until one has done it. The
  // test models leave their outputs alone when they fail, so a later model
  // starts clean.
#define KARVO_KIT_FORWARD(op, params, args)                                              \
  static int KARVO_HOST_CALL op params {                                                 \
    TestHostModel& self = *static_cast<TestHostModel*>(c);                               \
    for (const KarvoObjectModel* model : {self.Objects.Table(), self.Data.Table()}) {    \
      void* ctx = model->Context;                                                        \
      if (model->op != nullptr && model->op args == KARVO_OM_DONE) return KARVO_OM_DONE; \
    }                                                                                    \
    return KARVO_OM_FAILED;                                                              \
  }
  KARVO_KIT_FORWARD(ClassName, (void* c, KarvoHandle h, KarvoTextOut* o), (ctx, h, o))
  KARVO_KIT_FORWARD(ObjectName, (void* c, KarvoHandle h, KarvoTextOut* o), (ctx, h, o))
  KARVO_KIT_FORWARD(DataSourceDataSet, (void* c, KarvoHandle h, KarvoHandle* s), (ctx, h, s))
  KARVO_KIT_FORWARD(DataSetFirst, (void* c, KarvoHandle h), (ctx, h))
  KARVO_KIT_FORWARD(DataSetLast, (void* c, KarvoHandle h), (ctx, h))
  KARVO_KIT_FORWARD(DataSetNext, (void* c, KarvoHandle h), (ctx, h))
  KARVO_KIT_FORWARD(DataSetPrior, (void* c, KarvoHandle h), (ctx, h))
  KARVO_KIT_FORWARD(DataSetRecordCount, (void* c, KarvoHandle h, int* n), (ctx, h, n))
  KARVO_KIT_FORWARD(DataSetGetRecNo, (void* c, KarvoHandle h, int* n), (ctx, h, n))
  KARVO_KIT_FORWARD(DataSetSetRecNo, (void* c, KarvoHandle h, int n), (ctx, h, n))
  KARVO_KIT_FORWARD(DataSetEof, (void* c, KarvoHandle h, unsigned char* e), (ctx, h, e))
  KARVO_KIT_FORWARD(DataSetDisableControls, (void* c, KarvoHandle h), (ctx, h))
  KARVO_KIT_FORWARD(DataSetEnableControls, (void* c, KarvoHandle h), (ctx, h))
  KARVO_KIT_FORWARD(DataSetFieldCount, (void* c, KarvoHandle h, int* n), (ctx, h, n))
  KARVO_KIT_FORWARD(DataSetFieldName, (void* c, KarvoHandle h, int f, KarvoTextOut* o), (ctx, h, f, o))
  KARVO_KIT_FORWARD(DataSetFieldText, (void* c, KarvoHandle h, int f, KarvoTextOut* o), (ctx, h, f, o))
  KARVO_KIT_FORWARD(DataSetFieldByName, (void* c, KarvoHandle h, const unsigned short* u, unsigned n, int* f),
                    (ctx, h, u, n, f))
  KARVO_KIT_FORWARD(PropertyCount, (void* c, KarvoHandle h, int* n), (ctx, h, n))
  KARVO_KIT_FORWARD(PropertyInfo,
                    (void* c, KarvoHandle h, int i, KarvoPropertyInfo* p, KarvoTextOut* n, KarvoTextOut* t),
                    (ctx, h, i, p, n, t))
  KARVO_KIT_FORWARD(PropertyGetOrdinal, (void* c, KarvoHandle h, int i, unsigned* b), (ctx, h, i, b))
  KARVO_KIT_FORWARD(PropertySetOrdinal, (void* c, KarvoHandle h, int i, unsigned b), (ctx, h, i, b))
  KARVO_KIT_FORWARD(PropertyGetFloat, (void* c, KarvoHandle h, int i, double* v), (ctx, h, i, v))
  KARVO_KIT_FORWARD(PropertySetFloat, (void* c, KarvoHandle h, int i, double v), (ctx, h, i, v))
  KARVO_KIT_FORWARD(PropertyGetText, (void* c, KarvoHandle h, int i, KarvoTextOut* o), (ctx, h, i, o))
  KARVO_KIT_FORWARD(PropertySetText, (void* c, KarvoHandle h, int i, const unsigned short* u, unsigned n),
                    (ctx, h, i, u, n))
  KARVO_KIT_FORWARD(PropertyGetMethod, (void* c, KarvoHandle h, int i, KarvoMethod* v), (ctx, h, i, v))
  KARVO_KIT_FORWARD(PropertySetMethod, (void* c, KarvoHandle h, int i, const KarvoMethod* v), (ctx, h, i, v))
  KARVO_KIT_FORWARD(ContainerChildCount, (void* c, KarvoHandle h, int* n), (ctx, h, n))
  KARVO_KIT_FORWARD(ContainerChild, (void* c, KarvoHandle h, int i, KarvoHandle* k), (ctx, h, i, k))
  KARVO_KIT_FORWARD(MenuRootItem, (void* c, KarvoHandle h, KarvoHandle* r), (ctx, h, r))
  KARVO_KIT_FORWARD(MenuItemAppend, (void* c, KarvoHandle p, KarvoHandle i), (ctx, p, i))
  KARVO_KIT_FORWARD(BitmapLoadResource,
                    (void* c, KarvoHandle h, KarvoHandle m, const unsigned short* u, unsigned n, unsigned id),
                    (ctx, h, m, u, n, id))
  KARVO_KIT_FORWARD(ActionExecute, (void* c, KarvoHandle h, int* r), (ctx, h, r))
  KARVO_KIT_FORWARD(FindMethod, (void* c, KarvoHandle h, const unsigned char* u, unsigned n, unsigned* k),
                    (ctx, h, u, n, k))
  KARVO_KIT_FORWARD(CallMethod, (void* c, const KarvoMethod* m), (ctx, m))
#undef KARVO_KIT_FORWARD

  KarvoObjectModel table_{};
};

// KARVO.DLL loaded for one case, with a model installed as a host in the
// plug-in's process installs it, and COM on the calling thread as a host's
// main thread has it (call documents need it). The library keeps its state
// (the opened API above all) while it is loaded: a session per case, and
// every plug-in freed before the session ends, give each case a fresh
// library.
class KarvoSession {
 public:
  explicit KarvoSession(const KarvoObjectModel* model = nullptr, const char* dll = "KARVO.DLL")
      : com_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)), module_(::LoadLibraryA(dll)) {
    if (module_ == nullptr) return;
    install_ = reinterpret_cast<Install>(reinterpret_cast<void*>(::GetProcAddress(module_, "KarvoInstallObjectModel")));
    installed_ = model == nullptr || (install_ != nullptr && install_(const_cast<KarvoObjectModel*>(model)) == 1);
  }
  ~KarvoSession() {
    if (install_ != nullptr) install_(nullptr);
    if (module_ != nullptr) ::FreeLibrary(module_);
    if (SUCCEEDED(com_)) ::CoUninitialize();
  }
  KarvoSession(const KarvoSession&) = delete;
  KarvoSession& operator=(const KarvoSession&) = delete;

  // False when KARVO.DLL was not found or refused the model.
  bool Ready() const { return module_ != nullptr && installed_; }
  HMODULE Module() const { return module_; }

  // Loads the plug-in, calls its entry point with apiText, frees it. The
  // entry point is the plug-in's own; KarvoPluginRun is the samples'.
  static int RunPlugin(const char* dll, const std::string& apiText, const char* entry = "KarvoPluginRun") {
    using Run = int(__stdcall*)(const char*);
    HMODULE m = ::LoadLibraryA(dll);
    if (m == nullptr) return -1;
    auto run = reinterpret_cast<Run>(reinterpret_cast<void*>(::GetProcAddress(m, entry)));
    int rc = run != nullptr ? run(apiText.c_str()) : -1;
    ::FreeLibrary(m);
    return rc;
  }

 private:
  using Install = unsigned char(__stdcall*)(void*);
  HRESULT com_;
  HMODULE module_ = nullptr;
  Install install_ = nullptr;
  bool installed_ = false;
};

// One input variable of a call document: its name, TYPE and VALUE text.
struct CallInput {
  std::string Name, Type, Value;
};

// A "PROCEDURE" call document with the API handle as the variable
// "APIHANDLE" and the inputs after it, in the system ANSI code page.
inline std::string CallDocument(const std::string& procedure, const std::string& apiHandle,
                                const std::vector<CallInput>& inputs) {
  auto escaped = [](const std::string& s) {
    std::string out;
    for (char ch : s) switch (ch) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += ch;
      }
    return out;
  };
  auto variable = [&](const CallInput& v) {
    return "<DATAIN NAME=\"" + escaped(v.Name) + "\"><TYPE>" + escaped(v.Type) + "</TYPE><VALUE>" + escaped(v.Value) +
           "</VALUE></DATAIN>";
  };
  std::string doc = "<?xml version=\"1.0\"?>\r\n<PROCEDURE NAME=\"" + escaped(procedure) + "\">" +
                    variable({"APIHANDLE", "STRING", apiHandle});
  for (const CallInput& v : inputs) doc += variable(v);
  return doc + "</PROCEDURE>";
}
inline std::string CallDocument(const std::string& procedure, const std::string& apiHandle,
                                std::initializer_list<CallInput> inputs = {}) {
  return CallDocument(procedure, apiHandle, std::vector<CallInput>(inputs));
}

// The arguments of a "_PROC_" request (its Data, joined by U+0001); the
// procedure's name is the request's SQL.
inline std::vector<std::u16string> HostProcArgs(const SeenRequest& r) {
  std::vector<std::u16string> out(1);
  for (char16_t ch : r.Data)
    if (ch == u'\x0001')
      out.emplace_back();
    else
      out.back() += ch;
  return out;
}

// A host procedure's answer that is a handle, as the library reads it.
inline Answer HandleAnswer(KarvoHandle h) {
  std::string digits = std::to_string(static_cast<std::int32_t>(h));
  return Answer::Verdict(true, std::u16string(digits.begin(), digits.end()));
}

// A tkClass property (Menu, Bitmap, Action ...) that holds a test object.
inline TestProperty ObjectProperty(std::u16string name, std::u16string typeName, KarvoHandle value) {
  TestProperty p;
  p.Name = std::move(name);
  p.TypeName = std::move(typeName);
  p.Kind = KARVO_tkClass;
  p.Bits = value;
  return p;
}

}  // namespace karvo::test
