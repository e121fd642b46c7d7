#pragma once

#include "platform/FileManager.h"

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
    // Schedules hiding of the status line 4.0 s from now; returns once scheduled.
    virtual void setUpTimer() = 0;
};

// The body of a batch's worker thread: hands every file of the batch list,
// named directly or anywhere below a named folder, to `processFile`, with
// progress after each entry, then "Done". Stops between files once `stop` is
// requested (the application is quitting).
void processFiles(const std::vector<std::filesystem::path>& batchList,
                  const std::function<void(const std::filesystem::path&)>& processFile, BatchSink& sink,
                  std::stop_token stop = {});

} // namespace velmora
