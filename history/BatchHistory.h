// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/PhotoRecord.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace velmora {

// The options in force for a batch, as the history keeps them.
using BatchOptions = std::vector<std::pair<std::string, std::string>>;

// A batch as the history lists it.
struct BatchSummary {
    std::string id;
    int64_t startedMs = 0;  // since the epoch
    bool finished = false;  // false: the process ended during the batch
    bool linesLost = false; // lines could not be written: Undo cannot take all of it back
    bool stopped = false;   // stopped by the user or a quit: partial
    size_t renamed = 0, withoutDate = 0, failed = 0;
    enum class Undo { None, Partly, Done } undo = Undo::None;
};

// What the undo history files of a batch say about one photo: the last word
// (true: taken back; false: kept, with the reason).
struct UndoRecord {
    bool undone = false;
    std::string reason;
};

// Every batch kept, newest first.
std::vector<BatchSummary> listBatches();
// The photos of batch `id` in the order they were handled; empty when unknown.
std::vector<RecordedPhoto> readBatch(const std::string& id);
// Per photo number of batch `id`, what its undo history files say, if anything.
std::vector<std::optional<UndoRecord>> readUndo(const std::string& id, size_t photos);

} // namespace velmora
