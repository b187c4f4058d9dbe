// Where a resource of a loaded module lies in the module's file, and the
// copying of spans of that file. Reading a
// resource from the file instead of through the mapped image keeps its
// pages out of the process: every page of an image that is touched stays in
// the working set until the module is unloaded, and an installer's package
// is most of its image.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "base/disk_file.h"
#include "package/resource_stream.h"

// The NT headers of an image (mapped, or the file's first bytes).
IMAGE_NT_HEADERS* ImageHeaders(const void* image);

// The file offset of size bytes at data inside module's image, found
// through the module's section table; false when they do not lie wholly in
// the file part of one section (a section's zero-filled tail, a bad table).
bool ImageFileOffset(HMODULE module, const void* data, uint32_t size, uint32_t& offset);

// Copies size bytes from offset of the file at path (the rest of the file
// for kToEnd) onto copy, a chunk at a time; true when every byte was copied.
// bodySum, when given, receives the package body sum of the bytes copied
// (all but the last trailer's), so a package is checked as it is copied.
const uint32_t kToEnd = 0xFFFFFFFF;
bool CopyFileRange(const wchar_t* path, uint32_t offset, uint32_t size, DiskFile& copy, uint32_t* bodySum = nullptr);
