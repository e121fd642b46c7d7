// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/BatchRunner.h"

namespace velmora {

void BatchRunner::start(std::function<void(std::stop_token)> batch, std::function<void()> ended)
{
    reapFinished();
    auto finished = std::make_shared<std::atomic<bool>>(false);
    workers_.push_back(
        {std::jthread([batch = std::move(batch), ended = std::move(ended), finished](std::stop_token stop) {
             batch(stop);
             finished->store(true);
             ended();
         }),
         finished});
}

void BatchRunner::reapFinished()
{
    std::erase_if(workers_, [](const Worker& w) { return w.finished->load(); });
}

int BatchRunner::running()
{
    reapFinished();
    return static_cast<int>(workers_.size());
}

void BatchRunner::stopAfterPhotoInHand()
{
    for (Worker& worker : workers_)
        worker.thread.request_stop();
}

void BatchRunner::stopAll()
{
    handOver_.refuseWaits(true);
    stopAfterPhotoInHand();
    workers_.clear(); // joins
    handOver_.refuseWaits(false);
}

} // namespace velmora
