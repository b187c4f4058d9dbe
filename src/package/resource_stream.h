// The program's own RT_RCDATA resources, and those of them holding one LZMA
// stream whose header states its unpacked size: the built-in translations
// and the dialogs' pictures, packed so because one stream compresses far
// better than the separate resources would.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "base/byte_buffer.h"

// The data of this program's RT_RCDATA resource id and its size; null when
// it has none. found, when given, receives the resource's handle.
const uint8_t* OwnResource(uint16_t id, uint32_t& size, HRSRC* found = nullptr);

// The stream decoded whole into out; false, with out empty, when the
// resource is missing or does not decode.
bool DecodeResourceStream(int id, ByteBuffer& out);
