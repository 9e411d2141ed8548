// The program's log file, %APPDATA%\Zor70_Modules\zormanager.log: one UTF-8
// line per event, for the user and for support. Each call opens the file,
// appends one whole line with one write and closes it, on the caller's
// thread, so two copies of the program (and our two threads) never tear
// each other's lines. Whatever goes wrong with the file, or with memory, is
// ignored and the line dropped: the log never changes what the program does,
// not even GetLastError, and never makes it wait more than a few
// milliseconds for another writer.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// Every failure line names its error: ErrorText comes with the log.
#include "core/win/error_text.h"

// One event; text in the ANSI code page (names from the catalogue page and
// the scanner are ANSI bytes), printf-style.
void LogEvent(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));

// One event, wide text (the texts the user is shown).
void LogWideEvent(std::wstring_view text);

// "start: version (source revision), architecture, Windows version,
// catalogue host, proxy: `proxy`" and "end: exit code".
void LogProgramStart(std::string_view catalogueHost, std::string_view proxy);
void LogProgramEnd(int exitCode);

// A failure, in words that name its cause and its place (ANSI text,
// printf-style): one line to the debugger output and to the log. The calling
// thread keeps it as its last failure, which an install's result line
// repeats. The program's one channel for diagnostics.
void LogFailure(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));

// The calling thread's last failure since it last forgot it; empty if none.
std::string LastFailure();
void ForgetLastFailure();

// The log's folder (ProgramFolders::log), handed down once at the start,
// before any other thread runs. Until then, and while it is empty, lines
// reach the debugger output and LastFailure but no file.
void SetLogFolder(const std::wstring& folder);
