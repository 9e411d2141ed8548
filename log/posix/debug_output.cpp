// The native build has no log file: its tests and fuzzers read standard error.
#include "log/debug_output.h"

#include <cstdio>

void DebugOutput(const char* text) {
  std::fputs(text, stderr);
  std::fputc('\n', stderr);
}
