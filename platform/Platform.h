#pragma once

namespace velmora {

// One-time set-up of the metadata library; call once at start, before any worker thread.
void initializePlatform();

} // namespace velmora
