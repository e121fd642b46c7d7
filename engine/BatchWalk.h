// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/GoneDevices.h"
#include "engine/PhotoSet.h"
#include "files/FileManager.h"

#include <filesystem>
#include <functional>
#include <stop_token>
#include <vector>

namespace velmora {

// Where a batch reports what the user sees: the window, or a headless sink.
class BatchSink {
public:
    virtual ~BatchSink() = default;
    virtual void setProgress(double value) = 0; // 0 to 100, whole numbers
    virtual void hideIndicator() = 0;
    virtual void setStatusText(const std::string& text) = 0;
    // The batch has ended. The window keeps its summary until the next batch
    // begins, so nothing is scheduled any more; a sink may still react here.
    virtual void setUpTimer() = 0;
};

// The body of a batch's worker thread: hands every file of the batch list,
// named directly or anywhere below a named folder, to `processSet`, with
// progress after each entry, then "Done". Each folder's entries come in byte
// order of their names, the batch list in its own order. With
// `keepSetsTogether` the files of one listing (a folder's, or the batch
// list's) that belong together are handed on as one set at the place of its
// first member; otherwise every file is a set of its own. Stops between
// files once `stop` is requested (the application is quitting).
// `finishSets` runs after the last set, before "Done" (PhotoEngine::finishBatch).
// A file on a file system in `gone` (PhotoEngine::goneDevices) is handed on
// without a look at it, so that the engine records it as not reached; one
// that cannot be looked at because its file system is gone joins them.
void walkBatch(const std::vector<std::filesystem::path>& batchList,
               const std::function<void(const PhotoSet&)>& processSet, BatchSink& sink, std::stop_token stop = {},
               bool keepSetsTogether = false, const std::function<void()>& finishSets = {},
               GoneDevices* gone = nullptr);

} // namespace velmora
