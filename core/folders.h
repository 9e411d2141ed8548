// The folder names the program writes under the user's profile, in one
// place: the module cache (which holds the log too) under %APPDATA%, the
// temporary unpack folders under %TEMP%. Portable.
#pragma once

constexpr char kModuleCacheFolder[] = "Zor70_Modules";
constexpr char kTempUnpackFolder[] = "ZorManager";
