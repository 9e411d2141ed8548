// Where the portable code writes why something failed: one line, no line
// break, where support looks. On Windows that is the program's log and the
// debugger output (a LogFailure line); elsewhere, standard error.
#pragma once

void DebugOutput(const char* text);
