// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/ShotGrouping.h"

#include "files/FileManager.h"

#include <algorithm>

namespace fs = std::filesystem;

namespace velmora {

std::vector<Shot> groupShots(const PhotoSet& set, const std::function<std::optional<MemberDate>(const fs::path&)>& readDate,
                             std::vector<fs::path>* staying, const std::function<bool(const fs::path&)>& skip)
{
    std::vector<Shot> shots;
    std::vector<std::optional<std::pair<size_t, size_t>>> placeOf; // member -> (shot, item), none when undated
    for (const fs::path& member : set.members) {
        const fs::path source = cleanPathText(member);
        placeOf.emplace_back();
        std::optional<MemberDate> date = readDate(source);
        if (!date)
            continue;
        const fs::path withoutExtension = fs::path(source).replace_extension();
        auto shot = std::find_if(shots.begin(), shots.end(), [&](const Shot& s) {
            return s.date == date->shifted && s.withoutExtension == withoutExtension;
        });
        if (shot == shots.end())
            shot = shots.insert(shot, {date->shifted, withoutExtension, {}});
        placeOf.back() = {{static_cast<size_t>(shot - shots.begin()), shot->items.size()}};
        shot->items.emplace_back(source);
        shot->items.back().oldDate = std::move(date->original);
        shot->items.back().digitized = date->digitized;
        shot->items.back().identity = date->identity;
        shot->items.back().video = date->video;
    }
    for (const fs::path& path : set.companions) {
        const fs::path companion = cleanPathText(path);
        if (skip && skip(companion))
            continue;
        const std::string name = companion.filename().native();
        const auto member = std::find_if(set.members.begin(), set.members.end(), [&](const fs::path& m) {
            return name.starts_with(cleanPathText(m).filename().native() + ".");
        });
        std::optional<std::pair<size_t, size_t>> at;
        if (member != set.members.end())
            at = placeOf[static_cast<size_t>(member - set.members.begin())];
        if (at)
            shots[at->first].items.emplace_back(companion, true, at->second);
        else if (member == set.members.end() && !shots.empty())
            shots.front().items.emplace_back(companion, true);
        else if (staying)
            staying->push_back(companion);
    }
    return shots;
}

} // namespace velmora
