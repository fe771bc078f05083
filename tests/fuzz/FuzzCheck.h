// The fuzz targets' assertion: a failed check aborts, so libFuzzer keeps the input.
#pragma once

#include <cstdlib>

#define CHECK(cond)                                                    \
  do {                                                                 \
    if (!(cond)) {                                                     \
      __builtin_printf("check failed: %s line %d\n", #cond, __LINE__); \
      std::abort();                                                    \
    }                                                                  \
  } while (0)
