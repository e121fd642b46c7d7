// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/FileIdentity.h"
#include "metadata/CaptureDates.h"

#include <filesystem>
#include <optional>

namespace velmora {

// Reads the capture dates. Never throws and never blocks on a FIFO or device:
// only regular files are opened. `identity`, when given, gets the identity of
// the file read, as it was opened.
CaptureDates readCaptureDates(const std::filesystem::path& path, std::optional<FileIdentity>* identity = nullptr);

} // namespace velmora
