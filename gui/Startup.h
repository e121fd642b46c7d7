// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace velmora {

// The whole life of the velmora program: answers usage and version, hands its
// paths to a running instance or brings up the window, and runs until quit.
int runVelmora(int argc, char** argv);

} // namespace velmora
