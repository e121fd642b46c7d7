// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/LiveOptions.h"
#include "files/FileManager.h"

#include <filesystem>
#include <string>
#include <vector>

namespace velmora {

// A file of one shot: a member (photo) or a companion (sidecar, live-photo video).
struct ShotFile {
    const std::filesystem::path& source;
    bool companion = false;
};

// The new names of the files of one shot, in their order: one base (folder,
// prefix, date stem, old name) and one collision number free for all of them.
// A shot that already has its name, numbered or not, keeps it.
std::vector<std::string> nameShot(const std::vector<ShotFile>& files, const std::string& shiftedCaptureDate,
                                  const OptionSnapshot& options, const FileManager& manager);

} // namespace velmora
