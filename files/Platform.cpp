// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/Platform.h"

#include <malloc.h>
#include <mutex>

namespace velmora {

void initializePlatform()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // A write-back builds each photo anew in a few buffers of its size. By
        // default glibc maps and unmaps every one of them, and the fresh pages
        // cost more than the copying itself; kept on the heap they are reused
        // from photo to photo. The memory held stays bounded by the largest
        // photo, not by the length of a batch.
        ::mallopt(M_MMAP_THRESHOLD, 32 << 20);
        ::mallopt(M_TRIM_THRESHOLD, 64 << 20);
    });
}

} // namespace velmora
