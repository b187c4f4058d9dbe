// Puts a package into a copy of the installer stub as its RT_RCDATA
// resource 24356.
#pragma once

#include <string>

#include "files.h"

bool EmbedPackage(const std::wstring& stub, const Bytes& package, const std::wstring& out, std::string& error);
