// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/UndoWriter.h"

#include "history/HistoryFolder.h"
#include "history/JsonLine.h"

#include <chrono>
#include <cstring>

namespace velmora {

UndoWriter::UndoWriter(const std::string& batchId) : file_(undoFile(batchId), false) {}

std::unique_ptr<UndoWriter> UndoWriter::begin(const std::string& batchId)
{
    using namespace std::chrono;
    std::unique_ptr<UndoWriter> undo(new UndoWriter(batchId));
    if (!undo->file_.open())
        return nullptr;
    const int64_t now = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    undo->file_.append(JsonLine(undo->line_, "undo").num("started", now).end());
    undo->file_.sync();
    return undo->file_.writeError() == 0 ? std::move(undo) : nullptr;
}

void UndoWriter::record(size_t index, bool undone, const std::string& reason)
{
    JsonLine line(line_, undone ? "undone" : "kept");
    line.num("i", static_cast<int64_t>(index));
    if (!undone) {
        line.str("reason", reason);
        ++kept_;
    }
    file_.append(line.end());
}

void UndoWriter::finish()
{
    file_.writeOut();
    JsonLine end(line_, "end");
    end.num("kept", static_cast<int64_t>(kept_));
    // Lines lost: the history cannot tell which photos are back.
    if (const int error = file_.writeError())
        end.str("lost", std::strerror(error));
    file_.append(end.end());
    file_.sync();
}

} // namespace velmora
