// The LZMA ("LZMA alone", .lzma) decoder, as a stream. The format:
//   header    13 bytes: the properties byte, lc + 9 * (lp + 5 * pb); the
//             dictionary size (LE32); the unpacked size (LE64)
//   data      one range-coded stream of bits: a byte 0, the code's first
//             four bytes, then a byte each time the range falls below 2^24.
//             Each bit is decoded against its own 11-bit probability of a
//             0, which moves 1/32 of the way towards each bit it decodes
//   symbols   each in the context of the state (12 kinds of what the last
//             symbols were) and of the output position's low pb bits:
//               literal    8 bits through a tree of 0x300 probabilities
//                          picked by the position's low lp bits and the
//                          previous byte's high lc bits; after a match,
//                          led by the byte at the last distance until
//                          the two differ
//               match      a length, then a distance: a 6-bit slot (per
//                          length 2, 3, 4, 5 or more), the bits below it
//                          in reverse trees up to slot 13, else direct
//                          bits and 4 reversed "align" bits
//               short rep  one byte at the last distance
//               rep 0-3    a length at one of the last four distances
//             A length of 2 to 273 takes 3 bits under 10, 3 more under
//             18, else 8, the first two per position.
//   end       the stated size, or first a match of distance 2^32 (the end
//             marker), after which the code is 0.
#include "package/lzma_decode.h"

#include <string.h>

#include "package/package_format.h"

namespace {

// Large enough that the per-call costs (a system call per chunk, under Wine
// a few more) vanish beside the decoding; small beside any dictionary.
const uint32_t kInputChunk = 256 * 1024;
const uint32_t kOutputChunk = 1024 * 1024;
const uint32_t kSmallestDictionary = 4096;

uint32_t Smaller(uint32_t a, uint32_t b) { return a < b ? a : b; }

// Where each group of probabilities starts in the one array.
enum : uint32_t {
    kIsMatch = 0,                  // [state][position]
    kIsRep = kIsMatch + 192,       // [state], and the next three too
    kIsRepG0 = kIsRep + 12,
    kIsRepG1 = kIsRepG0 + 12,
    kIsRepG2 = kIsRepG1 + 12,
    kIsRep0Long = kIsRepG2 + 12,   // [state][position]
    kSlot = kIsRep0Long + 192,     // [length 2, 3, 4, 5 or more][64]
    kSlotBits = kSlot + 256,       // reverse trees of slots 4 to 13
    kAlign = kSlotBits + 115,
    kMatchLength = kAlign + 16,    // each two choices, then [position][8]
    kRepLength = kMatchLength + 514,  // under 10, [position][8] under 18,
    kLiteral = kRepLength + 514,   // 256 for the rest; literals last
};
const uint32_t kLengthMiddle = 130, kLengthHigh = 258;

// The input, through a buffer that io.read refills.
struct Input {
    const uint8_t* at;
    const uint8_t* end;
    uint8_t* buffer;
    const LzmaStreamIo* io;
    // Set when the input ended while the decoder wanted more; it then reads
    // zeros, and the decoder checks this before it trusts its output.
    bool starved;

    uint8_t Refill() {
        uint32_t got = starved ? 0 : io->read(io->context, buffer, kInputChunk);
        if (got == 0) {
            starved = true;
            return 0;
        }
        at = buffer + 1;
        end = buffer + got;
        return buffer[0];
    }
    uint8_t Next() { return at != end ? *at++ : Refill(); }
};

// The decoding proper, from in into the window, out[size].
DecodeResult Decode(const LzmaHeader& header, Input& in, uint16_t* probabilities, uint8_t* out, uint32_t size) {
    const unsigned lc = header.properties % 9, lp = header.properties / 9 % 5, pb = header.properties / 45;
    const LzmaStreamIo& io = *in.io;
    if (in.Next() != 0) return kDecodeReadError;
    // The range coder's state stays in locals, which the helpers below,
    // all inlined, keep in registers: the decoder's time is in them.
    uint32_t range = 0xFFFFFFFF, code = 0;
    for (int i = 0; i < 4; i++) code = (code << 8) | in.Next();
    auto normalize = [&]() __attribute__((always_inline)) {
        if (range < (1u << 24)) {
            range <<= 8;
            code = (code << 8) | in.Next();
        }
    };
    auto bit = [&](uint16_t* p) __attribute__((always_inline)) -> unsigned {
        normalize();
        uint32_t bound = (range >> 11) * *p;
        if (code < bound) {
            range = bound;
            *p += (2048 - *p) >> 5;
            return 0;
        }
        range -= bound;
        code -= bound;
        *p -= *p >> 5;
        return 1;
    };
    // A tree's probabilities are indexed from 1; the reverse tree's bits
    // come lowest first.
    auto tree = [&](uint16_t* p, unsigned bits) __attribute__((always_inline)) -> unsigned {
        unsigned m = 1;
        for (unsigned i = 0; i < bits; i++) m = (m << 1) | bit(p + m);
        return m - (1u << bits);
    };
    auto reverse = [&](uint16_t* p, unsigned bits) __attribute__((always_inline)) -> unsigned {
        unsigned m = 1, symbol = 0;
        for (unsigned i = 0; i < bits; i++) {
            unsigned b = bit(p + m);
            m = (m << 1) | b;
            symbol |= b << i;
        }
        return symbol;
    };

    const uint32_t pbMask = (1u << pb) - 1, lpMask = (1u << lp) - 1;
    // The last four distances, less 1.
    uint32_t state = 0, reps[4] = {0, 0, 0, 0};
    uint32_t& rep0 = reps[0];
    // The window: pos is where the next byte goes, flushed where the bytes
    // not yet written start; base counts the bytes before the window's
    // start, for the position's low bits; full once it has wrapped; pending
    // is what is left of a match that a stretch's end cut.
    uint32_t pos = 0, flushed = 0, base = 0, pending = 0, left = header.unpackedSize;
    bool full = false, ended = false;
    for (;;) {
        // A stretch ends at the window's end, a chunk's or the stated size.
        uint32_t stop = size - flushed > kOutputChunk ? flushed + kOutputChunk : size;
        if (stop - flushed > left) stop = flushed + left;
        while (pos < stop) {
            if (pending == 0) {
                const uint32_t position = (base + pos) & pbMask;
                if (!bit(probabilities + kIsMatch + state * 16 + position)) {
                    unsigned previous = pos != 0 ? out[pos - 1] : full ? out[size - 1] : 0;
                    uint16_t* p = probabilities + kLiteral +
                                  0x300 * ((((base + pos) & lpMask) << lc) + (previous >> (8 - lc)));
                    unsigned symbol = 1;
                    if (state >= 7) {
                        unsigned match = out[pos > rep0 ? pos - rep0 - 1 : pos + size - rep0 - 1];
                        do {
                            unsigned matchBit = (match >> 7) & 1;
                            match <<= 1;
                            unsigned b = bit(p + 0x100 + (matchBit << 8) + symbol);
                            symbol = (symbol << 1) | b;
                            if (b != matchBit) break;
                        } while (symbol < 0x100);
                    }
                    while (symbol < 0x100) symbol = (symbol << 1) | bit(p + symbol);
                    out[pos++] = (uint8_t)symbol;
                    state = state < 4 ? 0 : state < 10 ? state - 3 : state - 6;
                    continue;
                }
                // Which of the last distances comes first again: all move
                // down one for a match, which then takes the first.
                uint16_t* lengths = probabilities + kMatchLength;
                unsigned again = 3;
                if (bit(probabilities + kIsRep + state)) {
                    lengths = probabilities + kRepLength;
                    again = 0;
                    if (!bit(probabilities + kIsRepG0 + state)) {
                        if (!bit(probabilities + kIsRep0Long + state * 16 + position)) {
                            state = state < 7 ? 9 : 11;
                            pending = 1;
                        }
                    } else {
                        for (again = 1; again < 3 && bit(probabilities + kIsRepG1 + (again - 1) * 12 + state);)
                            again++;
                    }
                }
                const uint32_t distance = reps[again];
                for (; again != 0; again--) reps[again] = reps[again - 1];
                reps[0] = distance;
                if (pending == 0) {
                    uint16_t* p = lengths + 2 + position * 8;
                    unsigned bits = 3, length = 0;
                    if (bit(lengths)) {
                        length = 8;
                        p += kLengthMiddle - 2;
                        if (bit(lengths + 1)) {
                            length = 16;
                            p = lengths + kLengthHigh;
                            bits = 8;
                        }
                    }
                    length += tree(p, bits);
                    pending = length + 2;
                    if (lengths == probabilities + kRepLength) {
                        state = state < 7 ? 8 : 11;
                    } else {
                        state = state < 7 ? 7 : 10;
                        unsigned slot = tree(probabilities + kSlot + Smaller(length, 3) * 64, 6);
                        rep0 = slot;
                        if (slot >= 4) {
                            bits = (slot >> 1) - 1;
                            rep0 = (2 | (slot & 1)) << bits;
                            p = probabilities + kSlotBits + rep0 - slot;
                            if (slot >= 14) {
                                uint32_t direct = 0;
                                for (bits -= 4; bits != 0; bits--) {
                                    normalize();
                                    range >>= 1;
                                    uint32_t b = code >= range;
                                    if (b) code -= range;
                                    direct = (direct << 1) | b;
                                }
                                rep0 += direct << 4;
                                p = probabilities + kAlign;
                                bits = 4;
                            }
                            rep0 += reverse(p, bits);
                        }
                        if (rep0 == 0xFFFFFFFF) {
                            // With the stream's last byte, the code is 0.
                            normalize();
                            ended = true;
                            break;
                        }
                    }
                }
                // Never further back than decoded: corrupt data must not
                // reach outside the window.
                if (rep0 >= (full ? size : pos)) return kDecodeReadError;
            }
            uint32_t n = Smaller(pending, stop - pos);
            pending -= n;
            uint32_t from = pos > rep0 ? pos - rep0 - 1 : pos + size - rep0 - 1;
            do {
                out[pos++] = out[from++];
                if (from == size) from = 0;
            } while (--n);
        }
        // Zeros read past the input's end decoded nothing to trust.
        if (in.starved || (ended && code != 0)) return kDecodeReadError;
        if (pos != flushed && !io.write(io.context, out + flushed, pos - flushed)) return kDecodeWriteError;
        left -= pos - flushed;
        if (ended || left == 0) return kDecoded;
        if (pos == size) {
            base += size;
            pos = 0;
            full = true;
        }
        flushed = pos;
    }
}
struct MemoryInOut {
    const uint8_t* at;
    uint32_t left;
    ByteBuffer* out;
    uint32_t written;
};

uint32_t ReadMemory(void* context, uint8_t* buffer, uint32_t size) {
    MemoryInOut* io = static_cast<MemoryInOut*>(context);
    size = Smaller(size, io->left);
    memcpy(buffer, io->at, size);
    io->at += size;
    io->left -= size;
    return size;
}

// Into the buffer, sized beforehand to the stated unpacked size.
bool WriteBuffer(void* context, const uint8_t* data, uint32_t size) {
    MemoryInOut* io = static_cast<MemoryInOut*>(context);
    if (size > io->out->Size() - io->written) return false;
    memcpy(io->out->Data() + io->written, data, size);
    io->written += size;
    return true;
}

}  // namespace

bool ParseLzmaHeader(const uint8_t* header, LzmaHeader& out) {
    out.properties = header[0];
    out.dictionarySize = package_format::Get32(header + 1);
    out.unpackedSize = package_format::Get32(header + 5);
    if (out.unpackedSize == 0xFFFFFFFF) return false;
    for (int i = 9; i < 13; i++)
        if (header[i] != 0) return false;
    return out.properties < package_format::kLzmaPropertiesLimit;
}

uint32_t UsableDictionary(uint64_t packedSize) {
    // No stream refers further back than it has decoded, and none decodes
    // much per input byte: the decoder's probabilities stop at 2017/2048, so
    // each decision costs at least 0.022 bits, and the cheapest output, a
    // repeated 273-byte match, takes 14 decisions. That is under 7,100
    // bytes per input byte; 8,192 leaves room.
    const uint64_t kMostPerByte = 8192;
    uint64_t most = (packedSize + 1) * kMostPerByte;
    return most < 0xFFFFFFFFull ? (uint32_t)most : 0xFFFFFFFF;
}

DecodeResult DecodeLzmaStream(const LzmaHeader& header, const LzmaStreamIo& io) {
    if (header.unpackedSize == 0) return kDecoded;
    const unsigned lc = header.properties % 9, lp = header.properties / 9 % 5;
    // As liblzma, which encodes no other: it keeps the literals' tables at
    // 24 KB.
    if (lc + lp > 4) return kDecodeReadError;
    // The dictionary is also the output's buffer; it never needs to exceed
    // the output, and a header asking for more would only allocate it.
    const uint32_t size = Smaller(header.dictionarySize < kSmallestDictionary ? kSmallestDictionary
                                                                               : header.dictionarySize,
                                  header.unpackedSize);
    const uint32_t probabilityCount = kLiteral + (0x300u << (lc + lp));
    ByteBuffer window, input, model;
    if (!window.Resize(size, false) || !input.Resize(kInputChunk, false) ||
        !model.Resize(probabilityCount * 2, false))
        return kDecodeWriteError;
    uint16_t* const probabilities = (uint16_t*)model.Data();
    for (uint32_t i = 0; i < probabilityCount; i++) probabilities[i] = 1024;
    Input in = {nullptr, nullptr, input.Data(), &io, false};
    return Decode(header, in, probabilities, window.Data(), size);
}

bool DecodeLzmaBuffer(const uint8_t* stream, uint32_t size, uint32_t limit, ByteBuffer& out) {
    out.Free();
    LzmaHeader header;
    if (size < package_format::kLzmaHeaderSize || !ParseLzmaHeader(stream, header) || header.unpackedSize > limit)
        return false;
    uint32_t usable = UsableDictionary(size);
    if (header.dictionarySize > usable) header.dictionarySize = usable;
    MemoryInOut memory = {stream + package_format::kLzmaHeaderSize, size - package_format::kLzmaHeaderSize, &out, 0};
    LzmaStreamIo io = {ReadMemory, WriteBuffer, &memory};
    // An early end marker is no error to the stream decoder; here the stated
    // size is what the caller relies on.
    if (!out.Resize(header.unpackedSize, false) || DecodeLzmaStream(header, io) != kDecoded ||
        memory.written != header.unpackedSize) {
        out.Free();
        return false;
    }
    return true;
}
