// The program's text conversions at the Win32 boundary: UTF-16 for the
// wide calls, the ANSI code page for names and paths that stay narrow
// (module names, paths from the catalogue page and the scanner's disk),
// UTF-8 for the log. Text that does not convert gives an empty string.
#pragma once

#include <string>
#include <string_view>

// wchar_t is UTF-16 on Windows, so the portable code's char16_t texts are
// handed to the wide calls, and their answers taken back, as they are: the
// same units seen as the other type, no copy and no conversion. A copy is
// std::wstring(AsWide(text)) or std::u16string(AsUtf16(text)).
static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 at the Win32 boundary");

inline const wchar_t* AsWide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
inline wchar_t* AsWide(char16_t* text) { return reinterpret_cast<wchar_t*>(text); }
inline std::wstring_view AsWide(std::u16string_view text) { return {AsWide(text.data()), text.size()}; }
inline const char16_t* AsUtf16(const wchar_t* text) { return reinterpret_cast<const char16_t*>(text); }
inline char16_t* AsUtf16(wchar_t* text) { return reinterpret_cast<char16_t*>(text); }
inline std::u16string_view AsUtf16(std::wstring_view text) { return {AsUtf16(text.data()), text.size()}; }

std::wstring WideFromAnsi(std::string_view text);
std::string AnsiFromWide(std::wstring_view text);
std::string Utf8FromWide(std::wstring_view text);
