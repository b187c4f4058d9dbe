// An icon file (.ico) as the resources a program carries it in: each image
// an RT_ICON of its own, and an RT_GROUP_ICON that lists them.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "files.h"

struct IconResources {
    Bytes group;                // the RT_GROUP_ICON data
    std::vector<Bytes> images;  // the RT_ICON data, ids firstId, firstId + 1, ...
};

// False with the reason when file is not a sound icon file.
bool ReadIconFile(const Bytes& file, uint16_t firstId, IconResources& out, std::string& error);
// The RT_ICON ids an RT_GROUP_ICON's data lists.
std::vector<uint16_t> GroupIconIds(const Bytes& group);
