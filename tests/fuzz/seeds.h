// The starting inputs of each fuzz target, made by the package writer where
// the input is a package or a stream. Small: mutation does the rest.
#pragma once

#include <vector>

#include "fuzz/mutator.h"

std::vector<Bytes> PackageSeeds();
// Packages in the solid layout, blocks of several entries.
std::vector<Bytes> SolidSeeds();
std::vector<Bytes> StreamSeeds();
std::vector<Bytes> ScriptSeeds(bool utf16);
std::vector<Bytes> CommandSeeds();
std::vector<Bytes> MacroSeeds();
