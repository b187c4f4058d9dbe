// Reading and writing the resources of a Windows program (PE image) as
// bytes, the same on every host: see pe_resources.cpp for the layout.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "files.h"

// True when image starts with an MZ header that points at a PE signature.
bool IsPeFile(const Bytes& image);

// The data of resource type/id in the first language listed; false with
// the reason when the image or its resource tree is unsound or it is absent.
bool ReadPeResource(const Bytes& image, uint16_t type, uint16_t id, Bytes& out, std::string& error);

// Pads image to its file alignment, where tail is to follow it outside
// every section, and writes the offset there and tail's size into the first
// 8 bytes of resource type/id; the checksum then covers image and tail. The
// caller writes tail after image. False with the reason when the resource
// is absent or too small, or the file would pass 4 GiB.
bool PlaceAfterImage(Bytes& image, uint16_t type, uint16_t id, const Bytes& tail, std::string& error);

// One change to an image's resources: type/id/language set to data, or,
// with remove, type/id taken out in every language.
struct ResourceChange {
    uint16_t type, id, language;
    Bytes data;
    bool remove;
};

// A copy of image with the changes made in order, each resource added or
// replaced as UpdateResourceW does; every other resource is kept, byte for
// byte. The data of the last change set lies last in the file. False with
// the reason for an image this cannot lay out.
bool WritePeResources(const Bytes& image, const std::vector<ResourceChange>& changes, Bytes& out, std::string& error);
bool WritePeResource(const Bytes& image, uint16_t type, uint16_t id, uint16_t language, const Bytes& data,
                     Bytes& out, std::string& error);

// The ids of type's resources, ascending.
std::vector<uint16_t> PeResourceIds(const Bytes& image, uint16_t type);
