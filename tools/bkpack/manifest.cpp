// The manifest, one document:
//   the package: identifier, version, locale, publisher, name, licence,
//     description, the manifest's type and version
//   Installers: one per scope: architecture x86 (the installer is a 32-bit
//     program), type exe, URL, SHA-256, scope, the switches (silent, silent
//     with progress, install location, the scope's), the exit codes that
//     mean something other than a failure, and the Uninstall entry it makes
//     (its key's name is the product code, with the display version)
// Strings are single-quoted YAML scalars, so no value can break the layout.
#include "manifest.h"

namespace {

std::string Quoted(const std::string& value) {
    std::string out = "'";
    for (char c : value) {
        if (c == '\'') out += '\'';
        if (c == '\r' || c == '\n') continue;
        out += c;
    }
    return out + "'";
}

struct ReturnCode {
    int code;
    const char* response;
};

// The installer's exit codes (docs/deployment.md) in the manifest's terms;
// 0 is success to every package manager.
const ReturnCode kReturnCodes[] = {{1602, "cancelledByUser"},
                                   {1603, "contactSupport"},
                                   {1633, "systemNotSupported"},
                                   {1641, "rebootInitiated"},
                                   {3010, "rebootRequiredToFinish"}};

}  // namespace

std::string WriteManifest(const ManifestFacts& f) {
    std::string y = "# A singleton manifest written by bkpack manifest.\n";
    y += "PackageIdentifier: " + Quoted(f.id) + "\n";
    y += "PackageVersion: " + Quoted(f.version) + "\n";
    y += "PackageLocale: en-US\n";
    y += "Publisher: " + Quoted(f.publisher) + "\n";
    y += "PackageName: " + Quoted(f.name) + "\n";
    y += "License: " + Quoted(f.license) + "\n";
    y += "ShortDescription: " + Quoted(f.name) + "\n";
    y += "InstallModes:\n- interactive\n- silent\n- silentWithProgress\n";
    y += "UpgradeBehavior: install\n";
    y += "Installers:\n";
    for (const std::string& scope : f.scopes) {
        y += "- Architecture: x86\n";
        y += "  InstallerType: exe\n";
        y += "  InstallerUrl: " + Quoted(f.url) + "\n";
        y += "  InstallerSha256: " + f.sha256 + "\n";
        y += "  Scope: " + scope + "\n";
        y += "  InstallerSwitches:\n";
        y += "    Silent: --silent\n";
        y += "    SilentWithProgress: --silent\n";
        y += "    InstallLocation: '--installto=\"<INSTALLPATH>\"'\n";
        if (f.scopeSwitch) y += "    Custom: --scope=" + scope + "\n";
        y += "  ExpectedReturnCodes:\n";
        for (const ReturnCode& r : kReturnCodes)
            y += "  - InstallerReturnCode: " + std::to_string(r.code) + "\n    ReturnResponse: " + r.response + "\n";
        y += "  ProductCode: " + Quoted(f.name) + "\n";
        y += "  AppsAndFeaturesEntries:\n";
        y += "  - DisplayName: " + Quoted(f.name) + "\n";
        y += "    Publisher: " + Quoted(f.publisher) + "\n";
        y += "    DisplayVersion: " + Quoted(f.version) + "\n";
        y += "    ProductCode: " + Quoted(f.name) + "\n";
    }
    y += "ManifestType: singleton\n";
    y += "ManifestVersion: 1.6.0\n";
    return y;
}
