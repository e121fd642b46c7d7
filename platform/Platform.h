// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>

namespace velmora {

// One-time set-up of the metadata library; call once at start, before any worker thread.
void initializePlatform();

// Whether the desktop has a program for "mailto:" links; nullopt when it cannot tell.
std::optional<bool> hasMailProgram();

} // namespace velmora
