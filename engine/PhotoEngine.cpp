// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/PhotoEngine.h"

#include "engine/DateReader.h"
#include "writeback/WriteAheadLog.h"

#include <algorithm>

namespace fs = std::filesystem;

namespace velmora {

PhotoEngine::PhotoEngine(const LiveOptions& options, std::atomic<bool>& alertLatch, EngineHost& host)
    : options_(options), host_(host), reports_(alertLatch, host), placer_(reports_, folders_)
{
}

PhotoEngine::~PhotoEngine()
{
    syncPatchedPhotos();
}

void PhotoEngine::finishBatch()
{
    reports_.finish();
    folders_.close();
}

void PhotoEngine::processFile(const fs::path& path)
{
    processSet({{path}, {}});
    finishBatch();
}

void PhotoEngine::processSet(const PhotoSet& set)
{
    // One snapshot for the whole set, the stored preferences with it.
    OptionSnapshot options = options_.snapshot();
    options.stored = host_.storedPreferences();
    // A set on a file system found gone is not looked at again.
    GoneDevices& gone = reports_.gone();
    if (!set.members.empty() && gone.covers(set.members.front())) {
        for (const auto* paths : {&set.members, &set.companions})
            for (const fs::path& path : *paths)
                reports_.reportUnreachable(cleanPathText(path));
        return;
    }
    // Members of one capture date (and one folder and old name, as the walk
    // groups them) form one shot; shots in the order of their first member.
    struct Shot {
        std::string date;
        fs::path withoutExtension;
        std::vector<ShotItem> items;
    };
    std::vector<Shot> shots;
    std::vector<std::optional<std::pair<size_t, size_t>>> placeOf; // member -> (shot, item), none when undated
    for (const fs::path& member : set.members) {
        const fs::path source = cleanPathText(member);
        placeOf.emplace_back();
        std::optional<MemberDate> date = readMemberDate(folders_.at(source), options, reports_, set.listed);
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
    }
    // A companion goes with the member whose whole name it extends (IMG_0001.CR2.xmp),
    // else with the first shot (IMG_0001.xmp, IMG_0001.MOV). One whose photo has no
    // date stays where it is, silently: it is not a photo of its own.
    for (const fs::path& path : set.companions) {
        const fs::path companion = cleanPathText(path);
        if (gone.covers(companion)) {
            reports_.reportUnreachable(companion);
            continue;
        }
        const std::string name = companion.filename().native();
        const auto member = std::find_if(set.members.begin(), set.members.end(), [&](const fs::path& m) {
            return name.starts_with(cleanPathText(m).filename().native() + ".");
        });
        if (member != set.members.end()) {
            if (const auto at = placeOf[static_cast<size_t>(member - set.members.begin())])
                shots[at->first].items.emplace_back(companion, true, at->second);
        } else if (!shots.empty()) {
            shots.front().items.emplace_back(companion, true);
        }
    }
    for (Shot& shot : shots)
        placer_.place(shot.items, shot.date, options);
}

} // namespace velmora
