// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/PhotoEngine.h"

#include "engine/DateReader.h"
#include "engine/ShotGrouping.h"
#include "settings/MessageTable.h"
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
    // One snapshot for the whole set, the stored preferences with it; a
    // preview's plan carries both as they were shown.
    OptionSnapshot options = plan_ ? plan_->options() : options_.snapshot();
    if (!plan_)
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
    std::vector<Shot> shots = groupShots(
        set,
        [&](const fs::path& source) { return readMemberDate(folders_.at(source), options, reports_, set.listed); },
        nullptr,
        [&](const fs::path& companion) {
            if (!gone.covers(companion))
                return false;
            reports_.reportUnreachable(companion);
            return true;
        });
    for (Shot& shot : shots)
        if (!plan_ || matchesPlan(shot))
            placer_.place(shot.items, shot.date, options, plan_ != nullptr);
}

bool PhotoEngine::matchesPlan(Shot& shot)
{
    // A photo the preview showed otherwise (another file now, another date,
    // not shown at all) is reported and left as it is, with its sidecars; a
    // sidecar that came since stays where it is.
    bool same = true;
    for (ShotItem& item : shot.items) {
        const PreviewRow* row = plan_->find(item.source.native());
        if (item.companion) {
            item.target = row && row->fate != PreviewRow::Fate::Stays ? *row->folder + "/" + row->target : "";
            continue;
        }
        same = same && row && !row->companion && row->date == shot.date && item.identity &&
               row->identity == *item.identity && !row->target.empty();
        if (row && !row->target.empty())
            item.target = *row->folder + "/" + row->target;
    }
    std::erase_if(shot.items, [](const ShotItem& item) { return item.companion && item.target.empty(); });
    if (!same)
        for (const ShotItem& item : shot.items)
            if (!item.companion)
                reports_.report(PhotoOutcome::Kind::Failed, item.source,
                                MessageTable::text(message::kChangedSincePreview));
    return same;
}

} // namespace velmora
