#include "wizard/banner.h"

#include "app/installer_state.h"
#include "base/byte_buffer.h"
#include "base/disk_file.h"
#include "base/run_log.h"
#include "package/setup_files.h"
#include "ui/memory_bitmap.h"
#include "ui/scale.h"

namespace {

// A banner is a strip of a few hundred pixels; anything past this is not
// worth holding in memory at start.
const uint32_t kBannerLimit = 16 << 20;

}  // namespace

bool DrawBanner(HDC dc, const RECT& room) {
    if (!state.package) return false;
    WString path = WString(state.package->Folder()).Append(L"setup.bmp");
    if (GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES) return false;
    ByteBuffer bytes;
    MemoryBitmap picture;
    if (!ReadWholeFile(path, bytes, kBannerLimit) || !picture.LoadPicture(dc, bytes.Data(), bytes.Size())) {
        RunLog("banner: setup.bmp is no picture the system can read; none shown");
        return false;
    }
    int roomWidth = room.right - room.left, roomHeight = room.bottom - room.top;
    // The loader gives the picture its pixel size; a publisher draws it for
    // 96 dots per inch, as every size of the look is.
    int width = Scale(picture.Width()), height = Scale(picture.Height());
    if (roomWidth <= 0 || roomHeight <= 0 || width <= 0 || height <= 0) return false;
    // The side that overflows most decides the shrink.
    if (width * roomHeight > height * roomWidth) {
        if (width > roomWidth) {
            height = MulDiv(height, roomWidth, width);
            width = roomWidth;
        }
    } else if (height > roomHeight) {
        width = MulDiv(width, roomHeight, height);
        height = roomHeight;
    }
    int mode = SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    BOOL drawn = StretchBlt(dc, room.left, room.top, width, height, picture.MemoryDC(), 0, 0, picture.Width(),
                            picture.Height(), SRCCOPY);
    SetStretchBltMode(dc, mode);
    return drawn != 0;
}
