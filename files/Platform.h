// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace velmora {

// One-time set-up of the process for the write-back (how memory is reused); call at
// start, before any worker thread. Calls after the first do nothing.
void initializePlatform();

} // namespace velmora
