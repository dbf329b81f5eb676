// The in-process export of a result set's rows as delimited 8-bit text,
// worked on the host's data set through the object model. Portable: the
// caller supplies the encoding into 8-bit text and settles the outcome
// (the last error, the return buffer, the host request on failure).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "host/ObjectModel.h"

namespace karvo {

struct CsvOutcome {
  // The in-process attempt failed: the caller asks the host instead, and
  // Text and Message are to be dropped.
  bool Failed = false;
  std::string Text;        // 8-bit; empty gives a null result
  std::u16string Message;  // the last error to leave, empty for none
};

// One line of text into 8-bit text (the system ANSI code page in the DLL).
using LineEncoder = std::function<std::string(const std::u16string&)>;

// Rows aStart (0 = from the first record) onwards, at most aCount of them,
// after a line of field names when aWithHeader is 1. Every cell is the
// value in double quotes and a semicolon, unescaped; every row is preceded
// by LF CR. Never raises for anything the model does.
CsvOutcome BuildCSVText(const host::DataSource& source, std::int32_t aStart, std::int32_t aCount,
                        std::uint8_t aWithHeader, const LineEncoder& encode);

}  // namespace karvo
