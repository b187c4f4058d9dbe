#include "stub_embed.h"

#include <stdlib.h>

#include <algorithm>

#include "icon_file.h"
#include "package/package_format.h"
#include "pe_resources.h"

namespace {

const uint16_t kIcon = 3, kGroupIcon = 14, kVersion = 16, kRcData = 10;
// The stub's shell icon: the first group, which the shell shows.
const uint16_t kShellIconGroup = 100;

// The stub's shell icon replaced by the file's images, under ids no other
// icon of the stub uses.
bool ReplaceIcon(const Bytes& stub, const std::wstring& path, std::vector<ResourceChange>& changes,
                 std::string& error) {
    Bytes file, group;
    if (!ReadWholeFile(path, file, error)) return false;
    std::vector<uint16_t> old;
    if (ReadPeResource(stub, kGroupIcon, kShellIconGroup, group, error)) old = GroupIconIds(group);
    uint16_t first = 1;
    for (uint16_t id : PeResourceIds(stub, kIcon))
        if (std::find(old.begin(), old.end(), id) == old.end()) first = std::max<uint16_t>(first, id + 1);
    IconResources icon;
    if (!ReadIconFile(file, first, icon, error)) {
        error = "'" + Utf8(path) + "': " + error;
        return false;
    }
    for (uint16_t id : old) changes.push_back({kIcon, id, 0, {}, true});
    for (size_t i = 0; i < icon.images.size(); i++)
        changes.push_back({kIcon, (uint16_t)(first + i), 0, icon.images[i], false});
    changes.push_back({kGroupIcon, kShellIconGroup, 0, icon.group, false});
    return true;
}

// Packages from this size on lie after the image: a 32-bit process maps its
// whole image at start, and one of a gigabyte or more may find no room in
// its address space. BKPACK_OUTSIDE_FROM (bytes) moves the line, so that
// small packages can be laid out so too.
uint64_t OutsideFrom() {
    const char* given = getenv("BKPACK_OUTSIDE_FROM");
    return given && *given ? strtoull(given, nullptr, 10) : 256ull << 20;
}

}  // namespace

bool EmbedPackage(const std::wstring& stub, const Bytes& package, const std::wstring& out, std::string& error,
                  const InstallerLook* look) {
    Bytes stubBytes;
    if (!ReadWholeFile(stub, stubBytes, error)) return false;
    if (!IsPeFile(stubBytes)) {
        error = "the stub '" + Utf8(stub) + "' is not a Windows program (no PE header)";
        return false;
    }
    std::vector<ResourceChange> changes;
    if (look) {
        VersionFields version = look->version;
        std::string build;
        version.build.clear();
        if (ReadVersionString(stubBytes, kBuildKey, build)) version.build.assign(build.begin(), build.end());
        changes.push_back({kVersion, 1, 0, WriteVersionResource(version), false});
        if (!look->icon.empty() && !ReplaceIcon(stubBytes, look->icon, changes, error)) return false;
    }
    // RT_RCDATA, language neutral: where the installer looks for its package,
    // or for the locator of a package after the image. Last, so that it lies
    // last in the file, where the install cuts it off.
    bool outside = package.size() >= OutsideFrom();
    if (outside)
        changes.push_back({kRcData, package_format::kLocatorId, 0, Bytes(package_format::kLocatorSize, 0), false});
    else
        changes.push_back({kRcData, package_format::kResourceId, 0, package, false});
    Bytes installer;
    if (!WritePeResources(stubBytes, changes, installer, error) ||
        (outside && !PlaceAfterImage(installer, kRcData, package_format::kLocatorId, package, error))) {
        error = "cannot add the package to '" + Utf8(stub) + "': " + error;
        return false;
    }
    return WriteFileAtomically(out, outside ? std::vector<const Bytes*>{&installer, &package}
                                            : std::vector<const Bytes*>{&installer},
                               error);
}
