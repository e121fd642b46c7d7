// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/OutcomeQueue.h"

#include "settings/MessageTable.h"
#include "files/PosixIo.h"
#include "files/SystemLog.h"

namespace velmora {

void OutcomeQueue::deliver(PhotoOutcome outcome, std::shared_ptr<const PatchTicket> ticket)
{
    waiting_.push_back({std::move(outcome), std::move(ticket)});
    drain(false);
}

void OutcomeQueue::drain(bool all)
{
    while (!waiting_.empty()) {
        // The write-ahead log is asked only while an outcome waits for its group.
        if (const auto& ticket = waiting_.front().ticket; ticket && !ticket->done()) {
            all ? syncPatchedPhotos() : endOldGroup();
            if (!ticket->done())
                return;
        }
        PhotoOutcome outcome = std::move(waiting_.front().outcome);
        const int error = waiting_.front().ticket ? waiting_.front().ticket->error() : 0;
        waiting_.pop_front();
        if (error != 0) {
            SystemLog::write("***Could not write the image file " + outcome.target.native() + ": " +
                             errnoText("patch", error) + " ***");
            writeFailed_();
            outcome.oldDate.clear();
            outcome.newDate.clear();
            outcome.moreDates.clear();
            outcome.error = MessageTable::text(message::kWriteFailed);
        }
        if (recorder_)
            recorder_->record(outcome);
    }
}

} // namespace velmora
