#include "HostObjects.h"

#include <windows.h>

#include <vector>

#include "karvo.h"

namespace refhost {

namespace {

std::map<KarvoHandle, HostObject*>& Live() {
  static std::map<KarvoHandle, HostObject*> live;
  return live;
}

std::vector<void (*)(KarvoObjectModel&)>& Fillers() {
  static std::vector<void (*)(KarvoObjectModel&)> f;
  return f;
}

int KARVO_HOST_CALL ClassNameOp(void*, KarvoHandle h, KarvoTextOut* out) {
  std::lock_guard<std::recursive_mutex> lock(ObjectsLock());
  HostObject* o = FindObject(h);
  if (o == nullptr) return KARVO_OM_FAILED;
  PutText(out, o->ClassName());
  return KARVO_OM_DONE;
}

int KARVO_HOST_CALL ObjectNameOp(void*, KarvoHandle h, KarvoTextOut* out) {
  std::lock_guard<std::recursive_mutex> lock(ObjectsLock());
  HostObject* o = FindObject(h);
  if (o == nullptr) return KARVO_OM_FAILED;
  PutText(out, o->Name);
  return KARVO_OM_DONE;
}

}  // namespace

HostObject::HostObject() {
  std::lock_guard<std::recursive_mutex> lock(ObjectsLock());
  Live()[Handle()] = this;
}

HostObject::~HostObject() {
  std::lock_guard<std::recursive_mutex> lock(ObjectsLock());
  Live().erase(Handle());
}

KarvoHandle HostObject::Handle() const { return static_cast<KarvoHandle>(reinterpret_cast<std::uintptr_t>(this)); }

std::recursive_mutex& ObjectsLock() {
  static std::recursive_mutex m;
  return m;
}

HostObject* FindObject(KarvoHandle handle) {
  std::lock_guard<std::recursive_mutex> lock(ObjectsLock());
  auto it = Live().find(handle);
  return it == Live().end() ? nullptr : it->second;
}

ModelEntries::ModelEntries(void (*fill)(KarvoObjectModel&)) { Fillers().push_back(fill); }

const KarvoObjectModel& ModelTable() {
  static const KarvoObjectModel table = [] {
    KarvoObjectModel t{};
    t.Size = sizeof t;
    t.Version = KARVO_OBJECT_MODEL_VERSION;
    t.ClassName = &ClassNameOp;
    t.ObjectName = &ObjectNameOp;
    for (auto fill : Fillers()) fill(t);
    return t;
  }();
  return table;
}

bool InstallModelInKarvo() {
  HMODULE karvo = LoadLibraryA("KARVO.DLL");
  if (karvo == nullptr) return false;
  auto install = reinterpret_cast<KARVO_PFN_KarvoInstallObjectModel>(
      reinterpret_cast<void*>(GetProcAddress(karvo, "KarvoInstallObjectModel")));
  // The library stays loaded for refhost's lifetime, with the model in it.
  return install != nullptr && install(const_cast<KarvoObjectModel*>(&ModelTable())) == 1;
}

void PutText(KarvoTextOut* out, const std::u16string& text) {
  if (out != nullptr && out->Put != nullptr)
    out->Put(out, reinterpret_cast<const unsigned short*>(text.data()), static_cast<unsigned int>(text.size()));
}

std::u16string InText(const unsigned short* units, unsigned int count) {
  if (units == nullptr) return {};
  return std::u16string(reinterpret_cast<const char16_t*>(units), count);
}

}  // namespace refhost
