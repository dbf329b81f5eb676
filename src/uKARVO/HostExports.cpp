// The host's object model, installed by a host that serves its plug-ins in
// its own process.
#include "host/CallerObjectModel.h"
#include "uKARVO/Exports.h"

using namespace karvo;

// Installs a copy of the host's KarvoObjectModel table (null uninstalls); 1 when done.
unsigned char __stdcall KarvoInstallObjectModel(void* aModel) {
  return Guarded<unsigned char>(0, [&] { return host::InstallCallerObjectModel(aModel) ? 1 : 0; });
}
