// The program's log file, %APPDATA%\Zor70_Modules\zormanager.log: one UTF-8
// line per event, for the user and for support. Each call opens the file,
// appends one whole line with one write and closes it, on the caller's
// thread, so two copies of the program (and our two threads) never tear
// each other's lines. Whatever goes wrong with the file is ignored: the log
// never changes what the program does, not even GetLastError.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// One event; text in the ANSI code page (names from the catalogue page and
// the scanner are ANSI bytes), printf-style.
void LogEvent(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));

// One event, wide text (the texts the user is shown).
void LogWideEvent(std::wstring_view text);

// "start: version, architecture, Windows version" and "end: exit code".
void LogProgramStart();
void LogProgramEnd(int exitCode);

// The program's diagnostics: to the debugger output as before, and to the log.
void DebugText(const char* text);
void DebugText(const wchar_t* text);

// The log's folder, "%APPDATA%\Zor70_Modules" expanded; empty without %APPDATA%.
std::wstring LogFolder();
