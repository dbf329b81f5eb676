// refhost's own output. On a console it goes in UTF-16 (WriteConsoleW), so
// Polish messages show as they are whatever the console's code page; to a
// file or a pipe it goes in the ANSI code page, the encoding of the
// plug-ins' own output on the same stream. Each call writes whole lines at
// once, so lines from the serving thread and a plug-in's thread never mix.
#pragma once

#include <string>

namespace refhost {

// One line (the line break is added) on standard output or standard error.
void Print(const std::u16string& line);
void PrintError(const std::u16string& line);
// For the fault and stop paths: no allocation once the text is made.
void PrintErrorRaw(const wchar_t* text, unsigned length);

// 8-bit text from the ANSI code page (plug-ins' texts, command-line names)
// and from ASCII (refhost's own English texts).
std::u16string FromAnsi(const std::string& text);
std::u16string FromAscii(const std::string& text);

}  // namespace refhost
