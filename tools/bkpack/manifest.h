// A package manager's singleton manifest (YAML) for one installer: what it
// needs to download, check, install silently, detect and upgrade it.
#pragma once

#include <string>
#include <vector>

struct ManifestFacts {
    std::string id;         // PUBLISHER.PRODUCT
    std::string url;        // where the installer is downloaded from
    std::string sha256;     // of the installer, upper-case hex
    std::string name;       // "[Project Name]": also the Uninstall key's name
    std::string version;    // "[ProgramVersion]"
    std::string publisher;  // "[UninstallSettings]"
    std::string license;
    // "machine" and/or "user": one installer entry each.
    std::vector<std::string> scopes;
    // The script lets --scope= choose: each entry passes its own.
    bool scopeSwitch = false;
};

std::string WriteManifest(const ManifestFacts& facts);
