// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace velmora {

// The message table "localizable": texts looked up by key ("#1", "#14", ...).
// A key without a translation yields its default (English) text, an unknown key itself. Thread-safe.
class MessageTable {
public:
    static std::string text(const std::string& key);
};

} // namespace velmora
