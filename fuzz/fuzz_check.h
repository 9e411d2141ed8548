// Property checks inside the fuzz targets. A failed check must reach the
// crash report even when libFuzzer has closed the target's stdout and stderr
// (-close_fd_mask), so the text goes through the sanitizer's report channel
// and the abort makes libFuzzer keep the input as a crash artifact.
#pragma once

#include <cstdlib>

#include <sanitizer/common_interface_defs.h>

#define FUZZ_STRINGIFY_INNER(x) #x
#define FUZZ_STRINGIFY(x) FUZZ_STRINGIFY_INNER(x)

#define FUZZ_CHECK(condition)                                                              \
  do {                                                                                     \
    if (!(condition)) {                                                                    \
      __sanitizer_report_error_summary("FUZZ_CHECK failed: " #condition " at " __FILE__ \
                                       ":" FUZZ_STRINGIFY(__LINE__));                      \
      __sanitizer_print_stack_trace();                                                     \
      std::abort();                                                                        \
    }                                                                                      \
  } while (0)
