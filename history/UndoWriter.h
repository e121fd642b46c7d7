// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/AppendOnlyFile.h"

#include <memory>
#include <string>

namespace velmora {

// The record of undoing one batch, appended to as the undo goes (a resumed
// undo appends to it); durable in groups like a batch's history. An undo
// stopped part way ends without its end line: it shows as partly done.
class UndoWriter {
public:
    // nullptr when the undo cannot be recorded: then nothing may be undone.
    static std::unique_ptr<UndoWriter> begin(const std::string& batchId);
    // Photo number `index` of the batch: taken back, or kept with the reason.
    void record(size_t index, bool undone, const std::string& reason = {});
    void finish();
    // Why lines of this undo could not be written or flushed (an errno; 0: they were).
    int writeError() const { return file_.writeError(); }

private:
    explicit UndoWriter(const std::string& batchId);

    AppendOnlyFile file_;
    std::string line_;
    size_t kept_ = 0;
};

} // namespace velmora
