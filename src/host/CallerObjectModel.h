// Installing the object model a host hands over by address: the table is
// read through the checked path of platform/CallerMemory.h.
#pragma once

namespace karvo::host {

// As InstallObjectModel, for the address the host gave (null uninstalls).
// The header is read first, then as much of the table as its Size says.
// Throws when that memory cannot be read, leaving no model installed.
bool InstallCallerObjectModel(const void* aModel);

}  // namespace karvo::host
