// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/DateReader.h"
#include "engine/PhotoSet.h"
#include "engine/ShotPlacer.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace velmora {

// The files of a set that get one name: members of one capture date and their companions.
struct Shot {
    std::string date; // shifted
    std::filesystem::path withoutExtension;
    std::vector<ShotItem> items;
};

// A set's shots, in the order of their first member. `readDate` reads a
// member (nullopt: it has no usable date, or is gone; it stays). A companion
// goes with the member whose whole name it extends (IMG_0001.CR2.xmp), else
// with the first shot (IMG_0001.xmp, IMG_0001.MOV); one whose photo has no
// date goes to `staying`, as does one `skip` turns away.
std::vector<Shot> groupShots(const PhotoSet& set,
                             const std::function<std::optional<MemberDate>(const std::filesystem::path&)>& readDate,
                             std::vector<std::filesystem::path>* staying = nullptr,
                             const std::function<bool(const std::filesystem::path&)>& skip = {});

} // namespace velmora
