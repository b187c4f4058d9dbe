// The file version of a file's fixed version resource as one number, most
// significant half first, for the install rule "never replace a newer file".
#pragma once

#include <stdint.h>

// 0 (version 0.0) for a missing file or one without a version resource.
uint64_t FileVersion(const wchar_t* path);
