// Puts a package into a copy of the installer stub as its RT_RCDATA
// resource 24356, or a large one after the image with a locator (see
// package_format.h), with the installer's own version resource and icon.
#pragma once

#include <string>

#include "files.h"
#include "version_string.h"

// What the publisher's installer shows of itself in the shell.
struct InstallerLook {
    VersionFields version;  // its build is the stub's, kept whatever else changes
    std::wstring icon;      // an .ico for the shell's icon; empty: the stub's
};

bool EmbedPackage(const std::wstring& stub, const Bytes& package, const std::wstring& out, std::string& error,
                  const InstallerLook* look = nullptr);
