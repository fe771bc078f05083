// The bench binary's heap, counted: every allocation through operator new adds its size, every delete takes
// it off, and the highest sum since the last reset is kept. So a benchmark can say how much memory an
// operation takes beyond its input.
#pragma once

#include <cstddef>

std::size_t HeapInUse();
// Starts a new peak from what is in use now.
void ResetHeapPeak();
std::size_t HeapPeak();
