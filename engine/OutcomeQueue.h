// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/BatchRecorder.h"
#include "writeback/WriteAheadLog.h"

#include <deque>
#include <functional>
#include <memory>

namespace velmora {

// The outcomes of a batch's photos, handed to the recorder in the order of the
// photos: one whose date waits for its group holds back those after it.
class OutcomeQueue {
public:
    // `writeFailed` runs for a date that its group could not write.
    explicit OutcomeQueue(std::function<void()> writeFailed) : writeFailed_(std::move(writeFailed)) {}
    void setRecorder(BatchRecorder* recorder) { recorder_ = recorder; }
    void deliver(PhotoOutcome outcome, std::shared_ptr<const PatchTicket> ticket = nullptr);
    // Records the outcomes known so far, in order; `all`: ends the group first.
    void drain(bool all);

private:
    struct Waiting {
        PhotoOutcome outcome;
        std::shared_ptr<const PatchTicket> ticket;
    };
    std::function<void()> writeFailed_;
    BatchRecorder* recorder_ = nullptr;
    std::deque<Waiting> waiting_;
};

} // namespace velmora
