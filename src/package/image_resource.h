// Where a resource of a loaded module lies in the module's file. Reading a
// resource from the file instead of through the mapped image keeps its
// pages out of the process: every page of an image that is touched stays in
// the working set until the module is unloaded, and an installer's package
// is most of its image.
#pragma once

#include <windows.h>
#include <stdint.h>

// The file offset of size bytes at data inside module's image, found
// through the module's section table; false when they do not lie wholly in
// the file part of one section (a section's zero-filled tail, a bad table).
bool ImageFileOffset(HMODULE module, const void* data, uint32_t size, uint32_t& offset);
