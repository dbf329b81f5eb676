#include "CallDocument.h"

namespace refhost {

namespace {

std::string Variable(const char* name, const char* type, const std::string& value) {
  return std::string("<DATAIN NAME=\"") + name + "\"><TYPE>" + type + "</TYPE><VALUE>" + value + "</VALUE></DATAIN>";
}

}  // namespace

std::string CallDocument(const std::string& apiHandle) {
  // The handle is plain ASCII and the other values are ours: nothing here
  // needs escaping.
  return "<?xml version=\"1.0\"?>\r\n<PROCEDURE NAME=\"WycenZamowienie\">" +
         Variable("APIHANDLE", "STRING", apiHandle) + Variable("Klient", "STRING", "Kowalski") +
         Variable("Ilosc", "INTEGER", "3") + Variable("CenaGrosze", "INTEGER", "12345") + "</PROCEDURE>";
}

}  // namespace refhost
