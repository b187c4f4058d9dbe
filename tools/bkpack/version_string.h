// A program's version resource (RT_VERSION 1): the build identity a stub
// carries as "BraskBuild" (src/res/version.rc), and the resource an
// installer gets from its script.
#pragma once

#include <string>

#include "files.h"

// The build identity's string: the same sources give the same value.
const char kBuildKey[] = "BraskBuild";

// The value of the string named key (ASCII); false when the program has no
// version resource or the resource no such string.
bool ReadVersionString(const Bytes& image, const std::string& key, std::string& value);

// What an installer's version resource says; the strings that are empty are
// left out.
struct VersionFields {
    std::u16string productName, productVersion, companyName, fileDescription, build;
};

// Up to four numbers of a version text ("2.1.0 beta" gives 2, 1, 0, 0),
// each below 65536, as the fixed part's two 32-bit halves.
void VersionNumbers(const std::u16string& text, uint32_t& high, uint32_t& low);
// The resource: fixed part (file and product version from productVersion,
// a program for Windows NT) and one Unicode string table of the language
// neutral, "FileVersion" repeating "ProductVersion".
Bytes WriteVersionResource(const VersionFields& fields);
