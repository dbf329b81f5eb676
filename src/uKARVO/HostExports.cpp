// The host's object model, installed by a host that serves its plug-ins in
// its own process.
#include <cstddef>
#include <cstdint>
#include <stdexcept>

#include "host/ObjectModel.h"
#include "platform/CallerMemory.h"
#include "uKARVO/Exports.h"

using namespace karvo;

// Installs a copy of the host's KarvoObjectModel table (karvo_host.h); null
// uninstalls. Returns 1 when done, 0 when the table is refused (too short,
// unknown version), leaving no model installed; 0 with code 252 when the
// table cannot be read, again with no model left.
unsigned char __stdcall KarvoInstallObjectModel(void* aModel) {
  return Guarded<unsigned char>(0, [&] {
    ClearAPIError();
    if (aModel == nullptr) return host::InstallObjectModel(nullptr) ? 1 : 0;
    // Read through the checked path: the header says how much of the table
    // the host has, and that much is copied.
    KarvoObjectModel table{};
    const auto at = reinterpret_cast<std::uintptr_t>(aModel);
    const std::size_t header = offsetof(KarvoObjectModel, ClassName);
    bool readable = ReadCallerMemory(at, &table, header);
    const std::size_t size = table.Size < sizeof table ? table.Size : sizeof table;
    readable = readable && ReadCallerMemory(at, &table, size);
    if (!readable) {
      host::InstallObjectModel(nullptr);
      throw std::invalid_argument("an object model that cannot be read");
    }
    return host::InstallObjectModel(&table) ? 1 : 0;
  });
}
