// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/GoneDevices.h"

#include "files/DeviceReach.h"
#include "files/PosixIo.h"
#include "files/SystemLog.h"

namespace fs = std::filesystem;

namespace velmora {

const GoneDevices::Gone* GoneDevices::find(const fs::path& path) const
{
    for (const Gone& g : gone_)
        if (liesOn(g.mountPoint, path.native()))
            return &g;
    return nullptr;
}

bool GoneDevices::covers(const fs::path& path) const
{
    return !gone_.empty() && find(path);
}

int GoneDevices::codeFor(const fs::path& path) const
{
    const Gone* g = covers(path) ? find(path) : nullptr;
    return g ? g->code : 0;
}

bool GoneDevices::check(const fs::path& path, int code)
{
    if (covers(path))
        return true;
    if (code == 0)
        code = reachError(path);
    if (!isGoneDeviceError(code))
        return false;
    gone_.push_back({mountPointOf(path).native(), code});
    SystemLog::write("*** " + errnoText("The file system at " + gone_.back().mountPoint + " is gone", code) +
                     ": its photos are not tried again in this batch ***");
    return true;
}

} // namespace velmora
