// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <vector>

namespace velmora {

// The application-level events. Whoever is the application's current delegate
// receives them: the application delegate until window set-up, the batch controller after.
class ApplicationDelegate {
public:
    virtual ~ApplicationDelegate() = default;
    // The application is about to quit.
    virtual void aboutToQuit() = 0;
    virtual bool quitOnLastWindowClosed() = 0;
    // Only a delegate that can open files gets open-files requests; until one is
    // current, requests wait.
    virtual bool handlesOpenFiles() const { return false; }
    // `preview`: show what the batch would do first, whatever the preference says.
    virtual void openFiles(const std::vector<std::filesystem::path>& /*paths*/, bool /*preview*/ = false) {}
};

} // namespace velmora
