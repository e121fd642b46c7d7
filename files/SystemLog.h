// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string_view>

namespace velmora {

// Diagnostics: one line per message, to syslog (ident "Velmora") and stderr.
class SystemLog {
public:
    static void write(std::string_view line);

    // Lets a test or a benchmark see the lines as they are written; the line
    // still goes to syslog and stderr. Pass nullptr to remove it.
    using Observer = std::function<void(std::string_view)>;
    static void setObserver(Observer observer);
};

} // namespace velmora
