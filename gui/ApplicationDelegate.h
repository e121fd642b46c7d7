// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <vector>

namespace velmora {

// The application-level events. Whoever is the application's current delegate
// receives them: the application delegate until window set-up, the drop zone after.
class ApplicationDelegate {
public:
    virtual ~ApplicationDelegate() = default;
    virtual void applicationWillTerminate() = 0;
    virtual bool applicationShouldTerminateAfterLastWindowClosed() = 0;
    // Only a delegate that can open files gets open-files requests; until one is
    // current, requests wait.
    virtual bool handlesOpenFiles() const { return false; }
    virtual void applicationOpenFiles(const std::vector<std::filesystem::path>& /*paths*/) {}
};

} // namespace velmora
