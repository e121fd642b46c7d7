// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/StateFolder.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace velmora {

fs::path stateFolder()
{
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && state[0] == '/')
        return fs::path(state) / "Velmora";
    const char* home = std::getenv("HOME");
    if (!home || home[0] != '/') {
        const struct passwd* pw = ::getpwuid(::getuid());
        home = pw ? pw->pw_dir : "/tmp";
    }
    return fs::path(home) / ".local/state/Velmora";
}

} // namespace velmora
