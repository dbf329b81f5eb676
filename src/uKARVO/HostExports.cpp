// The host's object model, installed by a host that serves its plug-ins in
// its own process.
#include "host/CallerObjectModel.h"
#include "uKARVO/Exports.h"

using namespace karvo;

// Installs a copy of the host's KarvoObjectModel table (karvo_host.h); null
// uninstalls. Returns 1 when done, 0 when the table is refused (too short,
// unknown version), leaving no model installed; 0 with code 252 when the
// table cannot be read, again with no model left.
unsigned char __stdcall KarvoInstallObjectModel(void* aModel) {
  return Guarded<unsigned char>(0, [&] {
    ClearAPIError();
    return host::InstallCallerObjectModel(aModel) ? 1 : 0;
  });
}
