// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/UndoJournal.h"

#include "platform/JournalFolder.h"
#include "platform/JsonLine.h"

#include <chrono>
#include <cstring>

namespace velmora {

UndoJournal::UndoJournal(const std::string& batchId) : file_(undoFile(batchId), false) {}

std::unique_ptr<UndoJournal> UndoJournal::begin(const std::string& batchId)
{
    using namespace std::chrono;
    std::unique_ptr<UndoJournal> journal(new UndoJournal(batchId));
    if (!journal->file_.open())
        return nullptr;
    const int64_t now = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    journal->file_.append(JsonLine(journal->line_, "undo").num("started", now).end());
    journal->file_.sync();
    return journal->file_.writeError() == 0 ? std::move(journal) : nullptr;
}

void UndoJournal::record(size_t index, bool undone, const std::string& reason)
{
    JsonLine line(line_, undone ? "undone" : "kept");
    line.num("i", static_cast<int64_t>(index));
    if (!undone) {
        line.str("reason", reason);
        ++kept_;
    }
    file_.append(line.end());
}

void UndoJournal::finish()
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
