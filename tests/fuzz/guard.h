// What watches each fuzz input: a checking allocator (live allocations
// counted by address, oversized requests refused and reported), a vectored
// exception handler that saves the input being run when the program faults,
// and a watchdog that saves it when one input runs past its time limit.
#pragma once

#include <stdint.h>

#include <string>

#include "fuzz/mutator.h"

namespace guard {

// Allocations made through malloc, calloc, realloc and operator new and not
// yet freed.
uint32_t LiveAllocations();
// Bytes asked for so far, freed or not: the work a reader does in copies.
uint64_t AllocatedBytes();
// Requests above limit bytes fail and are remembered until TakeOversized.
void SetAllocationLimit(uint32_t limit);
// The largest refused request since the last call, 0 when none.
uint32_t TakeOversized();

// Installs the exception handler and starts the watchdog; failures found
// while no input runs are reported as such. saveFolder ends in a backslash.
void Start(const std::wstring& saveFolder);
// The input about to run (kept until Finish) and its time limit.
void Begin(const char* target, const Bytes& input, uint32_t limitMs);
void Finish();

// Saves input as saveFolder\TARGET-KIND-HASH.bin and returns the path.
std::wstring SaveInput(const char* target, const char* kind, const Bytes& input);

}  // namespace guard
