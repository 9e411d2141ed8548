// The program's text conversions at the Win32 boundary: UTF-16 for the
// wide calls, the ANSI code page for names and paths that stay narrow
// (module names, paths from the catalogue page and the scanner's disk),
// UTF-8 for the log. Text that does not convert gives an empty string.
#pragma once

#include <string>
#include <string_view>

std::wstring WideFromAnsi(std::string_view text);
std::string AnsiFromWide(std::wstring_view text);
std::string Utf8FromWide(std::wstring_view text);
