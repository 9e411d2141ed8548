// The folders the program writes under the user's profile, in one place:
// their names, and the one value that holds them once the program has
// worked them out at its start (the module cache, which holds the log too,
// under %APPDATA%; the temporary unpack folders under %TEMP%). Portable.
#pragma once

#include <string>

constexpr char kModuleCacheFolder[] = "Zor70_Modules";
constexpr char kTempUnpackFolder[] = "ZorManager";

// Worked out once at the start (WorkOutProgramFolders) and handed down as
// a value to the log, the worker and the window; nothing else expands
// %APPDATA% or %TEMP%. Each is in the form its user needs. An empty one
// could not be had, and its user does without: there are no defaults.
struct ProgramFolders {
  // "%APPDATA%\Zor70_Modules\" expanded, ANSI, ending with a backslash
  // (archive names are appended directly), under MAX_PATH bytes.
  std::string moduleCache;
  // "%TEMP%\ZorManager\" expanded, ANSI, ending with a backslash: the folder
  // all running copies share, each with its own test unpack folder inside.
  std::string tempUnpackParent;
  // The log's folder, "%APPDATA%\Zor70_Modules", wide, without a final
  // backslash; empty without %APPDATA% (or one of MAX_PATH characters).
  std::wstring log;
  // What "open the module folder" shows Explorer: "%APPDATA%\Zor70_Modules\"
  // expanded, wide.
  std::wstring explorerTarget;
};
