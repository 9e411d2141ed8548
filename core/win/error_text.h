// A Windows error code in words, for the lines that say why a call failed.
#pragma once

#include <windows.h>

#include <string>

// "error 112 (ERROR_DISK_FULL)": a Windows or WinINet error code, with its
// name when it is one the program meets.
std::string ErrorText(DWORD code);
