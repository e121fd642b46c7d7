// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <functional>
#include <stop_token>
#include <string>

namespace velmora {

// Why a photo was not taken back; stored in the undo record as these words,
// shown to the user by the history window in their own language.
namespace undo_reason {
inline constexpr const char* kOldNameTaken = "old-name-taken"; // a file appeared at the old name
inline constexpr const char* kChanged = "changed";             // changed, moved or removed since the batch
inline constexpr const char* kOriginalGone = "original-gone";  // a copy whose original is gone: kept
inline constexpr const char* kDateNotRestored = "date-not-restored";
inline constexpr const char* kMoveFailed = "move-failed";
inline constexpr const char* kNotRecorded = "no-journal"; // the undo cannot be recorded: nothing done
} // namespace undo_reason

struct UndoResult {
    size_t undone = 0;
    size_t kept = 0;
    bool recorded = true; // false: the undo could not be recorded in full (none done when not at all)
};

// Takes batch `batchId` back, its last photo first: moves each photo back to
// its old name, removes a copy it made, writes the old date back; only where
// the photo is still as the batch left it, never over a file at the old name.
// Each step is recorded, so an undo cut short can be run again and goes on
// where it stopped. Runs on a worker thread; `progress` gets 0 to 100.
UndoResult undoBatch(const std::string& batchId, const std::function<void(double)>& progress = {},
                     std::stop_token stop = {});

} // namespace velmora
