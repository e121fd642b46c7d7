// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/PhotoSet.h"

#include "files/FileSystemTraits.h"

#include <algorithm>

namespace velmora {
namespace {

enum class Kind { Photo, Sidecar, Video };

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

Kind kindOf(std::string_view path)
{
    const std::string_view stem = stemOf(path);
    const std::string_view extension = stem.size() < path.size() ? path.substr(stem.size() + 1) : std::string_view();
    if (equalsIgnoringCase(extension, "xmp") || equalsIgnoringCase(extension, "pp3") ||
        equalsIgnoringCase(extension, "dop"))
        return Kind::Sidecar;
    return equalsIgnoringCase(extension, "mov") ? Kind::Video : Kind::Photo;
}

} // namespace

std::string_view stemOf(std::string_view path)
{
    const size_t slash = path.rfind('/');
    const size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    const size_t dot = path.rfind('.');
    return dot == std::string_view::npos || dot <= nameStart ? path : path.substr(0, dot);
}

bool isCompanionName(std::string_view path)
{
    return kindOf(path) != Kind::Photo;
}

PhotoSets::PhotoSets(size_t count, const std::function<std::string_view(size_t)>& pathAt, bool ignoreCase)
    : next_(count, npos), flags_(count, 0)
{
    auto less = [ignoreCase](std::string_view a, std::string_view b) {
        return ignoreCase ? std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                                         [](char x, char y) { return lower(x) < lower(y); })
                          : a < b;
    };
    auto same = [ignoreCase](std::string_view a, std::string_view b) {
        return ignoreCase ? equalsIgnoringCase(a, b) : a == b;
    };
    // A stem is the start of its path: its length is all to keep (a large folder's peak memory).
    std::vector<uint32_t> stemLengths(count);
    auto stem = [&](uint32_t i) { return pathAt(i).substr(0, stemLengths[i]); };
    auto path = [&](uint32_t i) { return pathAt(i); };
    auto find = [&](const std::vector<uint32_t>& sorted, const auto& keyOf, std::string_view key) -> uint32_t {
        const auto it = std::lower_bound(sorted.begin(), sorted.end(), key,
                                         [&](uint32_t a, std::string_view k) { return less(keyOf(a), k); });
        return it != sorted.end() && same(keyOf(*it), key) ? *it : npos;
    };
    std::vector<Kind> kinds(count);
    std::vector<uint32_t> byStem;
    for (uint32_t i = 0; i < count; ++i) {
        stemLengths[i] = static_cast<uint32_t>(stemOf(pathAt(i)).size());
        kinds[i] = kindOf(pathAt(i));
        if (!pathAt(i).empty() && kinds[i] == Kind::Photo)
            byStem.push_back(i);
    }
    std::stable_sort(byStem.begin(), byStem.end(), [&](uint32_t a, uint32_t b) { return less(stem(a), stem(b)); });
    // The members twice, by whole path and by path without extension (stable,
    // so the members of one shot stay in listing order): the photos, and each
    // video without a photo of its name, so that its sidecars follow it.
    std::vector<uint32_t> byPath;
    for (uint32_t i = 0; i < count; ++i) {
        if (!pathAt(i).empty() && kinds[i] == Kind::Video && find(byStem, stem, stem(i)) == npos)
            kinds[i] = Kind::Photo;
        if (!pathAt(i).empty() && kinds[i] == Kind::Photo)
            byPath.push_back(i);
    }
    byStem = byPath;
    std::stable_sort(byPath.begin(), byPath.end(), [&](uint32_t a, uint32_t b) { return less(pathAt(a), pathAt(b)); });
    std::stable_sort(byStem.begin(), byStem.end(), [&](uint32_t a, uint32_t b) { return less(stem(a), stem(b)); });

    // Members of one shot chained; `firstOf` and `lastOf` lead from any member to its set's ends.
    std::vector<uint32_t> firstOf(count, npos);
    std::vector<uint32_t> lastOf(count, npos);
    for (size_t k = 0; k < byStem.size(); ++k) {
        const uint32_t i = byStem[k];
        if (k > 0 && same(stem(byStem[k - 1]), stem(i))) {
            const uint32_t first = firstOf[byStem[k - 1]];
            next_[lastOf[first]] = i;
            lastOf[first] = i;
            firstOf[i] = first;
        } else {
            flags_[i] = kFirst;
            firstOf[i] = lastOf[i] = i;
        }
    }

    // Companions after the members: IMG_0001.CR2.xmp belongs to IMG_0001.CR2,
    // IMG_0001.xmp and IMG_0001.MOV to the shot IMG_0001.
    for (uint32_t i = 0; i < count; ++i) {
        if (pathAt(i).empty())
            continue;
        const Kind kind = kinds[i];
        if (kind == Kind::Photo)
            continue;
        const std::string_view key = stem(i);
        uint32_t owner = kind == Kind::Sidecar ? find(byPath, path, key) : npos;
        const bool byBaseName = kind == Kind::Video || equalsIgnoringCase(pathAt(i).substr(key.size()), ".xmp");
        if (owner == npos && byBaseName)
            owner = find(byStem, stem, key);
        if (owner == npos) {
            flags_[i] = kFirst;
            continue;
        }
        const uint32_t first = firstOf[owner];
        next_[lastOf[first]] = i;
        lastOf[first] = i;
        flags_[i] = kCompanion;
    }
}

} // namespace velmora
