// Conversions between the Windows structures and their portable mirrors.
#pragma once

#include <windows.h>

#include <setupapi.h>

#include "device/scanner_table.h"

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
