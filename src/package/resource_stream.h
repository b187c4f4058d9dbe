// A resource of the program's own image (RT_RCDATA) holding one LZMA stream
// whose header states its unpacked size: the built-in translations and the
// dialogs' pictures, packed so because one stream compresses far better than
// the separate resources would.
#pragma once

#include "base/byte_buffer.h"

// The stream decoded whole into out; false, with out empty, when the
// resource is missing or does not decode.
bool DecodeResourceStream(int id, ByteBuffer& out);
