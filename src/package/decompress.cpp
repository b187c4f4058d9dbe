#include <windows.h>

#include "app/installer_state.h"
#include "base/folders.h"
#include "base/message_box.h"
#include "base/texts.h"
#include "package/install_package.h"
#include "package/lzma_decode.h"
#include "package/package_format.h"

namespace {

bool CreateEmpty(const wchar_t* destination) {
    DiskFile out;
    out.SetPath(destination);
    out.Open(GENERIC_WRITE, CREATE_ALWAYS, false);
    return out.IsOpen();
}

bool Fail(const wchar_t* fmt, const wchar_t* destination, const wchar_t* second) {
    WString text;
    text.Format(fmt, destination, second);
    ShowMessage(nullptr, text, state.caption, MB_TOPMOST | MB_ICONERROR);
    return false;
}

bool ReadError(const wchar_t* destination, const wchar_t* source) {
    return Fail(Text(kUncompressRead), destination, source);
}

bool WriteError(const wchar_t* destination) {
    return Fail(Text(kUncompressWrite), destination, destination);
}

struct Files {
    DiskFile* in;
    DiskFile* out;
};

uint32_t ReadFrom(void* context, uint8_t* buffer, uint32_t size) {
    return static_cast<Files*>(context)->in->Read(buffer, size);
}

bool WriteTo(void* context, const uint8_t* data, uint32_t size) {
    return static_cast<Files*>(context)->out->Write(data, size);
}

}  // namespace

bool Decompress(const wchar_t* source, const wchar_t* destination) {
    uint64_t packedSize = FileSizeByPath(source);
    if (packedSize == 0) {
        // An empty entry has no stream at all; success even if the create
        // failed, as the installer has always done.
        CreateEmpty(destination);
        return true;
    }
    DiskFile in;
    in.SetPath(source);
    in.Open(GENERIC_READ, OPEN_EXISTING, false);
    if (!in.IsOpen()) return ReadError(destination, source);
    uint8_t headerBytes[package_format::kLzmaHeaderSize];
    LzmaHeader header;
    if (in.Read(headerBytes, sizeof headerBytes) != sizeof headerBytes || !ParseLzmaHeader(headerBytes, header))
        return ReadError(destination, source);
    uint32_t usable = UsableDictionary(packedSize);
    if (header.dictionarySize > usable) header.dictionarySize = usable;

    // Decoded straight into the destination chunk by chunk: neither the
    // packed nor the unpacked entry is ever held whole.
    DiskFile out;
    out.SetPath(destination);
    out.Open(GENERIC_WRITE, CREATE_ALWAYS, false);
    if (!out.IsOpen()) return WriteError(destination);
    LzmaStreamIo io = {ReadFrom, WriteTo, nullptr};
    Files files = {&in, &out};
    io.context = &files;
    DecodeResult result = DecodeLzmaStream(header, io);
    if (result == kDecodeReadError) return ReadError(destination, source);
    if (result == kDecodeWriteError) return WriteError(destination);
    return true;
}
