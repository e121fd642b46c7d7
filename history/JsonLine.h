// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velmora {

// Writes one flat JSON object into `out` (cleared first): a type under "t",
// then keys to strings or bare integers. Every byte of a string outside
// printable ASCII is written as \u00XX, so any path, UTF-8 or not, comes back
// byte for byte.
class JsonLine {
public:
    JsonLine(std::string& out, std::string_view type);
    JsonLine& str(std::string_view key, std::string_view value);
    JsonLine& num(std::string_view key, int64_t value);
    // Closes the object and the line.
    std::string& end();

private:
    void appendKey(std::string_view key);
    std::string& out_;
};

// A line read back: keys to the strings or the numbers' text.
class JsonFields {
public:
    // False when `line` is not such an object, as a line torn by a crash.
    bool parse(std::string_view line);
    // The value, or an empty text when the key is absent.
    const std::string& text(std::string_view key) const;
    int64_t number(std::string_view key) const;
    const std::vector<std::pair<std::string, std::string>>& all() const { return fields_; }

private:
    std::vector<std::pair<std::string, std::string>> fields_;
};

} // namespace velmora
