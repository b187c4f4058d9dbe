#include "stub_embed.h"

#include "package/package_format.h"
#include "pe_resources.h"

bool EmbedPackage(const std::wstring& stub, const Bytes& package, const std::wstring& out, std::string& error) {
    Bytes stubBytes;
    if (!ReadWholeFile(stub, stubBytes, error)) return false;
    if (!IsPeFile(stubBytes)) {
        error = "the stub '" + Utf8(stub) + "' is not a Windows program (no PE header)";
        return false;
    }
    // RT_RCDATA, language neutral: where the installer looks for its package.
    Bytes installer;
    if (!WritePeResource(stubBytes, 10, package_format::kResourceId, 0, package, installer, error)) {
        error = "cannot add the package to '" + Utf8(stub) + "': " + error;
        return false;
    }
    return WriteFileAtomically(out, installer, error);
}
