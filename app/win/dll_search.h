// The program's first act in WinMain: the DLL search restricted and the
// system DLLs loaded by full path (core/win/system_dlls.h), with the way
// taken and each DLL that could not be loaded written to the log.
#pragma once

void SecureDllSearch();
