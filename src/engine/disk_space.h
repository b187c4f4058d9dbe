// The free space of the volume an install writes to, checked against the
// product's size before the first file.
#pragma once

#include <stdint.h>

// Whether the volume holding folder (or its nearest folder that exists) has
// bytes free for this user; freeBytes receives what it has. True when the
// space cannot be measured: the copies then report a full disk themselves.
bool HasRoomFor(const wchar_t* folder, uint64_t bytes, uint64_t& freeBytes);
