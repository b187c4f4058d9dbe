// A drawing, as res/pictures/vectors.py writes it (numbers little-endian):
//     u8 units                  the side of its square viewbox
//     1 r g b                   fill the shape so far; start one in this colour
//     2 x y          (i16)      a point of the contour
//     3 cx cy r from to (i16)   points along a circle, from..to inclusive
//     4                         close the contour
//     0                         fill the last shape; the end
// A strip (the close button's states side by side): u8 cell width, u8 cell
// height, u8 cells, then each cell's drawing after its u16 length.
// Coordinates in 1/64 unit, angles in 1/16 degree (clockwise on screen). A
// shape is filled by the nonzero rule, anti-aliased: 16 sample lines a
// pixel row, each crossing's span covered exactly along the row.
#include "ui/vector_picture.h"

#include <stdlib.h>
#include <string.h>

#include "base/byte_buffer.h"
#include "res/resource_ids.h"
#include "ui/picture_store.h"

namespace {

struct Edge {
    float x0, y0, x1, y1;  // y0 < y1
    int winding;
};

struct Crossing {
    float x;
    int winding;
};

const int kSampleLines = 16;
// The grey of the dialogs' top, behind the strips' pictures.
const int kBackdrop = 250;

class Filler {
public:
    Filler(int width, int height, uint8_t* bgra) : width_(width), height_(height), bgra_(bgra) {}
    ~Filler() { free(edges_); }
    Filler(const Filler&) = delete;
    Filler& operator=(const Filler&) = delete;

    bool Point(float x, float y);
    bool Close();
    bool Fill(const uint8_t* rgb);

private:
    bool AddEdge(float x0, float y0, float x1, float y1);
    void Cover(float* row, float from, float to) const;

    int width_, height_;
    uint8_t* bgra_;
    // Grown as the contours come, keeping what they hold.
    Edge* edges_ = nullptr;
    uint32_t edgeCount_ = 0, edgeRoom_ = 0;
    ByteBuffer crossings_, cover_;
    bool open_ = false;
    float firstX_ = 0, firstY_ = 0, lastX_ = 0, lastY_ = 0;
};

bool Filler::AddEdge(float x0, float y0, float x1, float y1) {
    if (y0 == y1) return true;  // crosses no sample line
    if (edgeCount_ == edgeRoom_) {
        Edge* more = (Edge*)realloc(edges_, (edgeRoom_ + 256) * sizeof(Edge));
        if (!more) return false;
        edges_ = more;
        edgeRoom_ += 256;
    }
    Edge& e = edges_[edgeCount_++];
    e.winding = y0 < y1 ? 1 : -1;
    if (y0 > y1) {
        float t = x0;
        x0 = x1, x1 = t, t = y0, y0 = y1, y1 = t;
    }
    e.x0 = x0, e.y0 = y0, e.x1 = x1, e.y1 = y1;
    return true;
}

bool Filler::Point(float x, float y) {
    bool ok = true;
    if (open_) {
        ok = AddEdge(lastX_, lastY_, x, y);
    } else {
        open_ = true;
        firstX_ = x, firstY_ = y;
    }
    lastX_ = x, lastY_ = y;
    return ok;
}

bool Filler::Close() {
    if (!open_) return true;
    open_ = false;
    return AddEdge(lastX_, lastY_, firstX_, firstY_);
}

// Adds to row what the span from..to covers of each pixel, in one sample
// line's share.
void Filler::Cover(float* row, float from, float to) const {
    const float share = 1.0f / kSampleLines;
    if (from < 0) from = 0;
    if (to > width_) to = (float)width_;
    if (to <= from) return;
    int first = (int)from, last = (int)to;
    if (first == last) {
        row[first] += (to - from) * share;
        return;
    }
    row[first] += (first + 1 - from) * share;
    for (int x = first + 1; x < last; x++) row[x] += share;
    if (last < width_) row[last] += (to - last) * share;
}

bool Filler::Fill(const uint8_t* rgb) {
    if (!Close()) return false;
    uint32_t pixels = (uint32_t)width_ * height_;
    if (!cover_.Resize(pixels * sizeof(float), true) || !crossings_.Resize(edgeCount_ * sizeof(Crossing) + 1, false))
        return false;
    float* cover = (float*)cover_.Data();
    const Edge* edges = edges_;
    Crossing* crossings = (Crossing*)crossings_.Data();
    for (int line = 0; line < height_ * kSampleLines; line++) {
        float y = (line + 0.5f) / kSampleLines;
        int count = 0;
        for (uint32_t i = 0; i < edgeCount_; i++) {
            const Edge& e = edges[i];
            if (y < e.y0 || y >= e.y1) continue;
            Crossing c = {e.x0 + (y - e.y0) * (e.x1 - e.x0) / (e.y1 - e.y0), e.winding};
            int at = count++;
            for (; at > 0 && crossings[at - 1].x > c.x; at--) crossings[at] = crossings[at - 1];
            crossings[at] = c;
        }
        float* row = cover + (line / kSampleLines) * width_;
        int winding = 0;
        for (int i = 0; i + 1 < count; i++) {
            winding += crossings[i].winding;
            if (winding) Cover(row, crossings[i].x, crossings[i + 1].x);
        }
    }
    // Over what is drawn already, as opacity composes.
    for (uint32_t i = 0; i < pixels; i++) {
        float a = cover[i] > 1 ? 1 : cover[i];
        if (a <= 0) continue;
        uint8_t* p = bgra_ + i * 4;
        float below = p[3] / 255.0f * (1 - a), total = a + below;
        for (int c = 0; c < 3; c++) p[c] = (uint8_t)((rgb[2 - c] * a + p[c] * below) / total + 0.5f);
        p[3] = (uint8_t)(total * 255 + 0.5f);
    }
    edgeCount_ = 0;
    return true;
}

int16_t Number(const uint8_t* at) { return (int16_t)(at[0] | at[1] << 8); }

// The processor's own instruction: the C library's sine and cosine would
// bring their own kilobyte of code.
void SineCosine(double angle, float* sine, float* cosine) {
    double s, c;
    __asm__("fsincos" : "=t"(c), "=u"(s) : "0"(angle));
    *sine = (float)s, *cosine = (float)c;
}

// A 32-bit bitmap whose rows run top first, its pixels at *bits.
HBITMAP CreateTopDownBitmap(int width, int height, uint8_t** bits) {
    BITMAPINFOHEADER header = {sizeof header, width, -height, 1, 32, BI_RGB};
    return CreateDIBSection(nullptr, (BITMAPINFO*)&header, DIB_RGB_COLORS, (void**)bits, nullptr, 0);
}

}  // namespace

bool DrawVectorPicture(const uint8_t* drawing, uint32_t size, int width, int height, uint8_t* bgra) {
    if (size < 1 || !drawing[0] || width <= 0 || height <= 0) return false;
    // Scaled alike both ways and centred, as the bitmaps were drawn.
    const float scale = (width < height ? width : height) / (drawing[0] * 64.0f);
    const float left = (width - drawing[0] * 64 * scale) / 2, top = (height - drawing[0] * 64 * scale) / 2;
    Filler filler(width, height, bgra);
    const uint8_t* colour = nullptr;
    static const uint8_t kOperands[5] = {0, 3, 4, 10, 0};
    for (uint32_t at = 1; at < size;) {
        uint8_t op = drawing[at++];
        if (op > 4 || size - at < kOperands[op]) return false;
        const uint8_t* v = drawing + at;
        at += kOperands[op];
        bool ok = true;
        if (op == 0 || op == 1) {
            ok = !colour || filler.Fill(colour);
            colour = v;
            if (op == 0) return ok;
        } else if (op == 2) {
            ok = filler.Point(left + Number(v) * scale, top + Number(v + 2) * scale);
        } else if (op == 3) {
            float cx = left + Number(v) * scale, cy = top + Number(v + 2) * scale, r = Number(v + 4) * scale;
            float from = Number(v + 6) / 16.0f, to = Number(v + 8) / 16.0f;
            // Segments enough that a chord strays under a fifth of a pixel.
            int perCircle = 4 + (int)r;
            if (perCircle > 160) perCircle = 160;
            if (perCircle < 8) perCircle = 8;
            float turn = to > from ? to - from : from - to;
            int steps = (int)(turn * perCircle / 360) + 1;
            for (int k = 0; ok && k <= steps; k++) {
                float sine, cosine;
                SineCosine((from + (to - from) * k / steps) * (3.14159265358979 / 180), &sine, &cosine);
                ok = filler.Point(cx + r * cosine, cy + r * sine);
            }
        } else {
            ok = filler.Close();
        }
        if (!ok) return false;
    }
    return false;
}

HICON LoadVectorIcon(int id, int side) {
    DWORD size = 0;
    const BYTE* drawing = PictureData(MAKEINTRESOURCEW(DRAWING_RECORD), id, &size);
    if (!drawing || side <= 0) return nullptr;
    uint8_t* bits = nullptr;
    HBITMAP colour = CreateTopDownBitmap(side, side, &bits);
    ByteBuffer maskBits;
    const int stride = (side + 15) / 16 * 2;
    HICON icon = nullptr;
    if (colour && maskBits.Resize(stride * side, true)) {
        const uint8_t* pixel = bits;
        ZeroMemory(bits, (SIZE_T)side * side * 4);
        if (DrawVectorPicture(drawing, size, side, side, bits)) {
            // Where the opacity is not read, the clear pixels stay clear.
            for (int y = 0; y < side; y++)
                for (int x = 0; x < side; x++, pixel += 4)
                    if (!pixel[3]) maskBits.Data()[y * stride + x / 8] |= 0x80 >> (x % 8);
            HBITMAP mask = CreateBitmap(side, side, 1, 1, maskBits.Data());
            ICONINFO info = {TRUE, 0, 0, mask, colour};
            if (mask) icon = CreateIconIndirect(&info);
            if (mask) DeleteObject(mask);
        }
    }
    if (colour) DeleteObject(colour);
    return icon;
}

HBITMAP LoadVectorStrip(int id) {
    DWORD size = 0;
    const BYTE* strip = PictureData(MAKEINTRESOURCEW(STRIP_RECORD), id, &size);
    if (!strip || size < 3) return nullptr;
    const int cellWidth = strip[0], cellHeight = strip[1], cells = strip[2], width = cellWidth * cells;
    uint8_t* bits = nullptr;
    HBITMAP bitmap = CreateTopDownBitmap(width, 2 * cellHeight, &bits);
    ByteBuffer cell;
    bool ok = bitmap && cell.Resize(cellWidth * cellHeight * 4, false);
    const BYTE* drawing = strip + 3;
    for (int n = 0; ok && n < cells; n++) {
        DWORD left = size - (DWORD)(drawing - strip), length = left >= 2 ? drawing[0] | drawing[1] << 8 : 0;
        memset(cell.Data(), 0, cell.Size());
        ok = length && length <= left - 2 && DrawVectorPicture(drawing + 2, length, cellWidth, cellHeight, cell.Data());
        drawing += 2 + length;
        // The picture above, blended over the dialogs' near-white top where
        // it is mostly ink and black elsewhere; below it the mask: black ink
        // on white.
        for (int y = 0; ok && y < cellHeight; y++)
            for (int x = 0; x < cellWidth; x++) {
                const uint8_t* p = cell.Data() + (y * cellWidth + x) * 4;
                uint8_t* picture = bits + (y * width + n * cellWidth + x) * 4;
                uint8_t* mask = picture + cellHeight * width * 4;
                bool ink = p[3] >= 128;
                for (int c = 0; c < 3; c++) {
                    picture[c] = ink ? (uint8_t)((p[c] * p[3] + kBackdrop * (255 - p[3])) / 255) : 0;
                    mask[c] = ink ? 0 : 255;
                }
                picture[3] = mask[3] = 0;
            }
    }
    if (!ok && bitmap) DeleteObject(bitmap);
    return ok ? bitmap : nullptr;
}
