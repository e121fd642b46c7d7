// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace velmora {

// The message table "localizable": texts looked up by key ("#1", "#14", ...).
// A key without a translation yields its default text. Thread-safe.
class MessageTable {
public:
    static std::string text(const std::string& key);
    // The default (English) text of a key; the key itself when unknown.
    static std::string defaultText(const std::string& key);
};

} // namespace velmora
