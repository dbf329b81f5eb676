// The call document with which refhost runs a plug-in.
#pragma once

#include <string>

namespace refhost {

// A "PROCEDURE" call with the API handle as the input variable "APIHANDLE"
// and the order the plug-in is to price: a customer, a quantity and a unit
// price in grosze.
std::string CallDocument(const std::string& apiHandle);

}  // namespace refhost
