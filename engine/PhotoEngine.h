// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/BatchPreview.h"
#include "engine/LiveOptions.h"
#include "engine/PhotoReports.h"
#include "engine/PhotoSet.h"
#include "engine/ShotPlacer.h"
#include "files/OpenFolders.h"

#include <atomic>
#include <filesystem>
#include <string>

namespace velmora {

struct Shot;

// The per-photo operation: read the capture date, shift it, compose the new
// name, move or copy the photo there and, when asked, write the date back.
// Runs on a batch's worker thread; takes one snapshot of the options for each
// photo set, so a change during a batch applies to the sets still to come and
// never to half of one.
class PhotoEngine {
public:
    PhotoEngine(const LiveOptions& options, std::atomic<bool>& alertLatch, EngineHost& host);
    ~PhotoEngine(); // the batch's dates written back made durable

    // One file, its date written back (when asked) before it returns.
    void processFile(const std::filesystem::path& path);
    // The members of one shot that share a capture date get one new base name
    // and one collision number, free for all of them and their companions;
    // the companions follow their photo. Members of other dates, or without
    // one, are handled as separate shots (in the order of the set).
    // A date written in place is made with its group, so its outcome reaches
    // the recorder later, in the order of the photos: see finishBatch.
    void processSet(const PhotoSet& set);
    // Ends the group of dates written in place, and tells the recorder (and
    // the user, of a failure) what became of the photos that waited for it.
    // Called after a batch's last set, before it says "Done".
    void finishBatch();
    // Where each photo's outcome goes from now on; none by default.
    void setRecorder(BatchRecorder* recorder) { reports_.setRecorder(recorder); }
    // The names and options the user saw in a preview, from now on: a photo
    // is renamed only as shown, and one changed since is reported.
    void followPlan(std::shared_ptr<const PreviewPlan> plan) { plan_ = std::move(plan); }
    // The file systems found gone so far: the walk does not look at their files again.
    GoneDevices& goneDevices() { return reports_.gone(); }

private:
    // False (the shot's photos reported) when the shot is not as the preview showed it.
    bool matchesPlan(Shot& shot);

    const LiveOptions& options_; // the drop zone's options, read once per photo set
    EngineHost& host_;
    PhotoReports reports_;
    OpenFolders folders_; // the batch's folders, each opened once
    ShotPlacer placer_;
    std::shared_ptr<const PreviewPlan> plan_;
};

} // namespace velmora
