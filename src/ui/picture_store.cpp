#include "ui/picture_store.h"

#include "base/byte_buffer.h"
#include "package/resource_stream.h"
#include "res/resource_ids.h"

namespace {

ByteBuffer g_pictures;
bool g_decoded = false;

// The record header: type, id, then the size of the bytes that follow.
const DWORD kHeaderSize = 8;

}  // namespace

const BYTE* PictureData(LPCWSTR type, int id, DWORD* size) {
    *size = 0;
    if (!g_decoded) {
        g_decoded = true;
        DecodeResourceStream(IDR_PICTURES, g_pictures);
    }
    const BYTE* at = g_pictures.Data();
    DWORD left = g_pictures.Size();
    while (left >= kHeaderSize) {
        WORD kind = *(const WORD*)at, ident = *(const WORD*)(at + 2);
        DWORD bytes = *(const DWORD*)(at + 4);
        if (bytes > left - kHeaderSize) return nullptr;
        if (kind == (WORD)(ULONG_PTR)type && ident == id) {
            *size = bytes;
            return at + kHeaderSize;
        }
        at += kHeaderSize + bytes;
        left -= kHeaderSize + bytes;
    }
    return nullptr;
}
