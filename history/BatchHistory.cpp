// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/BatchHistory.h"

#include "history/HistoryFolder.h"
#include "history/JsonLine.h"

#include <algorithm>
#include <fstream>

namespace fs = std::filesystem;

namespace velmora {
namespace {

// Calls `each` with every whole, well-formed line of the file.
template <typename Each> void forEachLine(const fs::path& file, Each each)
{
    std::ifstream in(file, std::ios::binary);
    std::string line;
    JsonFields fields;
    while (std::getline(in, line)) {
        if (in.eof()) // no newline: torn by a crash
            break;
        if (fields.parse(line))
            each(fields);
    }
}

// The last whole line of a file, read from its end.
std::string lastLine(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary | std::ios::ate);
    const auto size = static_cast<int64_t>(in.tellg());
    if (size <= 0)
        return {};
    const int64_t from = std::max<int64_t>(0, size - 4096);
    std::string tail(static_cast<size_t>(size - from), '\0');
    in.seekg(from);
    in.read(tail.data(), static_cast<std::streamsize>(tail.size()));
    if (tail.back() != '\n')
        return {};
    tail.pop_back();
    return tail.substr(tail.rfind('\n') + 1);
}

} // namespace

std::vector<RecordedPhoto> readBatch(const std::string& id)
{
    std::vector<RecordedPhoto> photos;
    forEachLine(batchFile(id), [&](const JsonFields& f) {
        if (f.text("t") == "photo")
            photos.push_back(readPhotoLine(f));
    });
    return photos;
}

std::vector<std::optional<UndoRecord>> readUndo(const std::string& id, size_t photos)
{
    std::vector<std::optional<UndoRecord>> result(photos);
    forEachLine(undoFile(id), [&](const JsonFields& f) {
        const std::string& type = f.text("t");
        const auto i = static_cast<size_t>(f.number("i"));
        if ((type == "undone" || type == "kept") && i < photos)
            result[i] = UndoRecord{type == "undone", f.text("reason")};
    });
    return result;
}

std::vector<BatchSummary> listBatches()
{
    std::vector<BatchSummary> batches;
    JsonFields f;
    for (const std::string& id : batchIds()) {
        BatchSummary b{.id = id, .startedMs = batchStartMs(id)};
        BatchCounts counts;
        if (f.parse(lastLine(batchFile(id))) && f.text("t") == "end") {
            b.finished = true;
            b.linesLost = !f.text("lost").empty();
            b.stopped = !f.text("stopped").empty();
            counts = {static_cast<size_t>(f.number("renamed")), static_cast<size_t>(f.number("nodate")),
                      static_cast<size_t>(f.number("failed"))};
        } else {
            // Cut short by a crash: counted from its lines.
            for (const RecordedPhoto& p : readBatch(id))
                counts.add(p.outcome);
        }
        b.renamed = counts.renamed;
        b.withoutDate = counts.withoutDate;
        b.failed = counts.failed;
        // Done only when every photo of the batch is known to be back.
        std::error_code ec;
        if (const auto size = fs::file_size(undoFile(id), ec); !ec && size > 0)
            b.undo = f.parse(lastLine(undoFile(id))) && f.text("t") == "end" && f.number("kept") == 0 &&
                             f.text("lost").empty() && !b.linesLost
                         ? BatchSummary::Undo::Done
                         : BatchSummary::Undo::Partly;
        batches.push_back(std::move(b));
    }
    return batches;
}

} // namespace velmora
