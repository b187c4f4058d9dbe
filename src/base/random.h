// The program's random-number source: one MT19937 generator for the process,
// seeded from the clock, the performance counter and the tick count.
#pragma once

#include <stdint.h>

// A number in 0..n-1; n = 0 returns the generator's raw 32-bit output.
uint32_t RandomBelow(uint32_t n);
