// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>

namespace velmora {

// Where Velmora keeps its records (the history, the write-ahead logs):
// $XDG_STATE_HOME/Velmora, by default ~/.local/state/Velmora.
std::filesystem::path stateFolder();

} // namespace velmora
