// Reading and writing the resources of a Windows program (PE image) as
// bytes, the same on every host: see pe_resources.cpp for the layout.
#pragma once

#include <stdint.h>

#include <string>

#include "files.h"

// True when image starts with an MZ header that points at a PE signature.
bool IsPeFile(const Bytes& image);

// The data of resource type/id in the first language listed; false with
// the reason when the image or its resource tree is unsound or it is absent.
bool ReadPeResource(const Bytes& image, uint16_t type, uint16_t id, Bytes& out, std::string& error);

// A copy of image whose resource type/id/language holds data, added or
// replaced as UpdateResourceW does; every other resource is kept, byte for
// byte. False with the reason for an image this cannot lay out.
bool WritePeResource(const Bytes& image, uint16_t type, uint16_t id, uint16_t language, const Bytes& data,
                     Bytes& out, std::string& error);
