// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

namespace velmora {

// The per-user preference store: QSettings("Velmora", "Velmora"), the INI file
// $XDG_CONFIG_HOME/Velmora/Velmora.conf (~/.config/... when unset). Reads give
// the absent key's result for a value of the wrong type, so a hand-edited file
// cannot crash anything; a key reads the same in the process that wrote it and
// after a restart. Every write is on disk when the call returns. Safe to use
// from any thread: each call works on its own QSettings instance.
class PreferenceStore {
public:
    static bool boolForKey(const std::string& key);
    static long long integerForKey(const std::string& key);
    static std::optional<std::string> stringForKey(const std::string& key);
    static bool hasObjectForKey(const std::string& key);

    static void setBool(const std::string& key, bool value);
    static void setInteger(const std::string& key, long long value);
    static void setString(const std::string& key, const std::string& value);

    // Writes pending values to disk; QSettings also does this on its own.
    static void sync();
};

} // namespace velmora
