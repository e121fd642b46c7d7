// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "gui/GuiHandOver.h"

#include <atomic>
#include <functional>
#include <memory>
#include <stop_token>
#include <thread>
#include <vector>

namespace velmora {

// The worker threads of the running batches, one per batch, side by side when
// batches overlap: starts them, asks them to stop, and joins them at quit.
// GUI thread only.
class BatchRunner {
public:
    explicit BatchRunner(GuiHandOver& handOver) : handOver_(handOver) {}
    ~BatchRunner() { stopAll(); }
    BatchRunner(const BatchRunner&) = delete;
    BatchRunner& operator=(const BatchRunner&) = delete;

    // Runs `batch` on a new worker thread; `ended` runs on that thread after it.
    void start(std::function<void(std::stop_token)> batch, std::function<void()> ended);
    // The user's Stop: every running batch ends after the photo in hand. Returns at once.
    void stopAfterPhotoInHand();
    // Quit: every batch stops after the photo in hand, a worker waiting on the
    // window is released, and all of them are joined.
    void stopAll();
    int running();

private:
    struct Worker {
        std::jthread thread;
        std::shared_ptr<std::atomic<bool>> finished;
    };
    void reapFinished();

    GuiHandOver& handOver_;
    std::vector<Worker> workers_;
};

} // namespace velmora
