#include "host/CallerObjectModel.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>

#include "host/ObjectModel.h"
#include "platform/CallerMemory.h"

namespace karvo::host {

bool InstallCallerObjectModel(const void* aModel) {
  if (aModel == nullptr) return InstallObjectModel(nullptr);
  KarvoObjectModel table{};
  const auto at = reinterpret_cast<std::uintptr_t>(aModel);
  bool readable = ReadCallerMemory(at, &table, offsetof(KarvoObjectModel, ClassName));
  const std::size_t size = table.Size < sizeof table ? table.Size : sizeof table;
  readable = readable && ReadCallerMemory(at, &table, size);
  if (!readable) {
    InstallObjectModel(nullptr);
    throw std::invalid_argument("an object model that cannot be read");
  }
  // The copy keeps the host's Size, so a shorter table still leaves the
  // newer entries null.
  return InstallObjectModel(&table);
}

}  // namespace karvo::host
