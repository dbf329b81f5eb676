// refhost's objects and the object model it installs in KARVO.DLL, so that
// plug-ins in its process can work on the handles it hands out.
//
// A handle is the address of a live HostObject, as a plug-in would hold it,
// but the model never dereferences one: every operation looks the handle
// up in the registry first, so a stale, foreign or made-up number fails
// the operation instead of crashing the host.
#pragma once

#include <map>
#include <mutex>
#include <string>

#include "karvo_host.h"

namespace refhost {

class HostObject {
 public:
  HostObject();
  virtual ~HostObject();
  HostObject(const HostObject&) = delete;
  HostObject& operator=(const HostObject&) = delete;

  virtual std::u16string ClassName() const = 0;
  KarvoHandle Handle() const;
  std::u16string Name;
};

// The one lock of refhost's objects: the serving thread and the plug-in
// threads (through the model) both take it.
std::recursive_mutex& ObjectsLock();

// The live object of that handle, or null; with T, only one of that type.
HostObject* FindObject(KarvoHandle handle);
template <class T>
T* Find(KarvoHandle handle) {
  return dynamic_cast<T*>(FindObject(handle));
}

// The table refhost installs. Each area of refhost fills in its own
// operations with a static ModelEntries; ClassName and ObjectName are here.
const KarvoObjectModel& ModelTable();
struct ModelEntries {
  explicit ModelEntries(void (*fill)(KarvoObjectModel& table));
};

// Installs the table in the KARVO.DLL of this process (the one the
// plug-ins load). False when the library or its export is missing.
bool InstallModelInKarvo();

// Helpers for the operations.
void PutText(KarvoTextOut* out, const std::u16string& text);
std::u16string InText(const unsigned short* units, unsigned int count);

}  // namespace refhost
