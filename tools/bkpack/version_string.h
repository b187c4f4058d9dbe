// A string of a program's version resource (RT_VERSION 1): used for the
// build identity a stub carries as "BraskBuild" (src/res/version.rc).
#pragma once

#include <string>

#include "files.h"

// The value of the string named key (ASCII); false when the program has no
// version resource or the resource no such string.
bool ReadVersionString(const Bytes& image, const std::string& key, std::string& value);
