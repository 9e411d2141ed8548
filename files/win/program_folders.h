// The program's folders, worked out from the environment once, at its start.
#pragma once

#include "core/folders.h"

// Expands %APPDATA% and %TEMP% into each folder as its user needs it
// (core/folders.h); creates nothing. Whatever cannot be expanded stays empty.
ProgramFolders WorkOutProgramFolders();
