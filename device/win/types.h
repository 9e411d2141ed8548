// Conversions between the Windows structures and their portable mirrors.
#pragma once

#include <windows.h>

#include <setupapi.h>

#include <string>
#include <string_view>

#include "device/scanner_table.h"

static_assert(sizeof(WCHAR) == sizeof(char16_t), "UTF-16 at the Win32 boundary");

inline DevInfoData FromWindows(const SP_DEVINFO_DATA& in) {
  DevInfoData out;
  out.cbSize = in.cbSize;
  out.ClassGuid.Data1 = in.ClassGuid.Data1;
  out.ClassGuid.Data2 = in.ClassGuid.Data2;
  out.ClassGuid.Data3 = in.ClassGuid.Data3;
  for (int i = 0; i < 8; ++i) out.ClassGuid.Data4[i] = in.ClassGuid.Data4[i];
  out.DevInst = in.DevInst;
  out.Reserved = in.Reserved;
  return out;
}

inline std::u16string FromWide(const wchar_t* text) {
  std::u16string out;
  for (; *text; ++text) out += static_cast<char16_t>(*text);
  return out;
}

inline std::wstring ToWide(std::u16string_view text) {
  std::wstring out;
  for (char16_t c : text) out += static_cast<wchar_t>(c);
  return out;
}
