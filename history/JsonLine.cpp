// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/JsonLine.h"

#include <charconv>

namespace velmora {

JsonLine::JsonLine(std::string& out, std::string_view type) : out_(out)
{
    out_.clear();
    out_ += "{\"t\":\"";
    out_ += type;
    out_ += '"';
}

JsonLine& JsonLine::str(std::string_view key, std::string_view value)
{
    static constexpr char hex[] = "0123456789abcdef";
    appendKey(key);
    out_ += '"';
    for (const char c : value) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u >= 0x7f) {
            const char escaped[] = {'\\', 'u', '0', '0', hex[u >> 4], hex[u & 15]};
            out_.append(escaped, sizeof escaped);
        } else {
            if (c == '"' || c == '\\')
                out_ += '\\';
            out_ += c;
        }
    }
    out_ += '"';
    return *this;
}

JsonLine& JsonLine::num(std::string_view key, int64_t value)
{
    appendKey(key);
    char digits[24];
    out_.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
    return *this;
}

std::string& JsonLine::end()
{
    out_ += "}\n";
    return out_;
}

void JsonLine::appendKey(std::string_view key)
{
    out_ += ",\"";
    out_ += key;
    out_ += "\":";
}

namespace {

// Reads the string that starts at `at` into `out`, moving `at` past it.
bool readString(std::string_view line, size_t& at, std::string& out)
{
    if (at >= line.size() || line[at] != '"')
        return false;
    for (++at; at < line.size(); ++at) {
        char c = line[at];
        if (c == '"') {
            ++at;
            return true;
        }
        if (c == '\\') {
            if (++at >= line.size())
                return false;
            c = line[at];
            if (c == 'u') {
                unsigned value = 0;
                const char* digits = line.data() + at + 1;
                if (at + 4 >= line.size() || std::from_chars(digits, digits + 4, value, 16).ptr != digits + 4 ||
                    value > 0xff)
                    return false;
                c = static_cast<char>(value);
                at += 4;
            }
        }
        out += c;
    }
    return false;
}

} // namespace

bool JsonFields::parse(std::string_view line)
{
    fields_.clear();
    if (line.empty() || line[0] != '{' || line.back() != '}')
        return false;
    size_t at = 1;
    while (at < line.size() && line[at] != '}') {
        std::string key, value;
        if (!readString(line, at, key) || at >= line.size() || line[at++] != ':')
            return false;
        if (at < line.size() && line[at] == '"') {
            if (!readString(line, at, value))
                return false;
        } else {
            const size_t end = line.find_first_of(",}", at);
            if (end == std::string_view::npos)
                return false;
            value = line.substr(at, end - at);
            at = end;
        }
        fields_.emplace_back(std::move(key), std::move(value));
        if (at < line.size() && line[at] == ',')
            ++at;
    }
    return at + 1 == line.size();
}

const std::string& JsonFields::text(std::string_view key) const
{
    static const std::string none;
    for (const auto& [k, v] : fields_)
        if (k == key)
            return v;
    return none;
}

int64_t JsonFields::number(std::string_view key) const
{
    const std::string& digits = text(key);
    int64_t value = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return value;
}

} // namespace velmora
