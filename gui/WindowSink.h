// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/BatchWalk.h"
#include "engine/PhotoEngine.h"

#include <stop_token>

namespace velmora {

class HistoryWriter;
class BatchController;
class GuiHandOver;

// Shows one batch's progress and summary in the main window, beside those of
// the batches that overlap it: each is handed to the GUI thread by value, in
// order. After a stop the summary says so.
class WindowSink : public BatchSink {
public:
    WindowSink(BatchController& batches, int serial, std::stop_token stop, HistoryWriter* history)
        : batches_(batches), serial_(serial), stop_(std::move(stop)), history_(history)
    {
    }
    void setProgress(double value) override;
    void hideIndicator() override;
    void setStatusText(const std::string& text) override;
    void setUpTimer() override;

private:
    BatchController& batches_;
    int serial_;
    std::stop_token stop_;
    HistoryWriter* history_; // ended when the batch is done, to tell whether all of it was written
    double lastProgress_ = -1;
};

// The stored preferences a photo set or a preview is handled with, read at once.
// Every set asks, and reading the store costs file look-ups per key: a copy is
// kept until Velmora writes a preference. `fresh` reads the store again, as a
// batch starts, so that the file edited from outside counts from the next batch.
StoredPreferences storedPreferences(bool fresh = false);

// The engine's host for one batch: that batch's alerts, until the user silences them.
class WindowHost : public EngineHost {
public:
    explicit WindowHost(GuiHandOver& handOver) : handOver_(handOver) {}
    void showAlert(const AlertRequest& request) override;
    StoredPreferences storedPreferences() override;

private:
    GuiHandOver& handOver_;
    bool silenced_ = false;
};

} // namespace velmora
