// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/LiveOptions.h"
#include <filesystem>
#include <functional>
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
// A shot that already has its name, numbered or not, keeps it. `held(name, i)`:
// true when `name` is another file's than the shot's i-th (it is never asked
// of a file's own name).
std::vector<std::string> nameShot(const std::vector<ShotFile>& files, const std::string& shiftedCaptureDate,
                                  const OptionSnapshot& options,
                                  const std::function<bool(const std::string&, size_t)>& held);

} // namespace velmora
