// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/HistoryWriter.h"

#include "history/HistoryFolder.h"
#include "history/JsonLine.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <set>
#include <utility>
#include <unistd.h>

namespace fs = std::filesystem;

namespace velmora {
namespace {

std::string_view folderOf(const fs::path& path)
{
    const std::string_view text = path.native();
    return text.substr(0, text.rfind('/') + 1);
}

std::mutex runningMutex;
std::set<std::string> running; // the batches of this process not yet finished

} // namespace

bool HistoryWriter::isRunning(const std::string& id)
{
    const std::lock_guard lock(runningMutex);
    return running.contains(id);
}

std::unique_ptr<HistoryWriter> HistoryWriter::begin(const Options& options, const std::vector<fs::path>& paths)
{
    using namespace std::chrono;
    const int64_t started = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    // Named by start time, so names sort by age; overlapping batches get their own.
    for (int n = 0; n < 100; ++n) {
        std::string id = std::to_string(started) + "-" + std::to_string(::getpid());
        if (n > 0)
            id += "-" + std::to_string(n);
        std::unique_ptr<HistoryWriter> history(new HistoryWriter(id, batchFile(id)));
        if (history->file_.error() == EEXIST)
            continue;
        if (!history->file_.open())
            return nullptr;
        {
            const std::lock_guard lock(runningMutex);
            running.insert(id);
        }
        std::string& line = history->line_;
        JsonLine header(line, "batch");
        header.num("started", started);
        for (const auto& [key, value] : options)
            header.str("o." + key, value);
        history->file_.append(header.end());
        for (const fs::path& path : paths)
            history->file_.append(JsonLine(line, "open").str("path", path.native()).end());
        // Durable soon, while the first photos are handled: the batch need not wait for the disk.
        history->file_.syncSoon();
        pruneBatches();
        return history;
    }
    return nullptr;
}

HistoryWriter::~HistoryWriter()
{
    if (!finished_)
        finish();
}

// A rename keeps the file, so the identity the reader saw before the move
// stands, without a look at the disk per photo. A copy, a write-back, or a
// move that had to copy (to another file system, or on one without links)
// made a new file: that one is looked at. Whether moves between two folders
// keep the file is seen on the first photo moved between them.
std::optional<FileIdentity> HistoryWriter::placedIdentity(const PhotoOutcome& o)
{
    if (o.copied || !o.newDate.empty() || !o.moreDates.empty() || !o.error.empty() || !o.sourceIdentity)
        return fileIdentity(o.target);
    if (o.target == o.source)
        return o.sourceIdentity;
    const std::string_view from = folderOf(o.source);
    const std::string_view to = folderOf(o.target);
    if (from == movedFrom_ && to == movedTo_)
        return movesKeepFile_ ? o.sourceIdentity : fileIdentity(o.target);
    const auto now = fileIdentity(o.target);
    movedFrom_ = from;
    movedTo_ = to;
    movesKeepFile_ = now == o.sourceIdentity;
    return now;
}

void HistoryWriter::record(const PhotoOutcome& o)
{
    const bool placed = o.kind == PhotoOutcome::Kind::Placed;
    writePhotoLine(line_, o, placed ? placedIdentity(o) : std::nullopt);
    counts_.add(o);
    file_.append(line_);
}

void HistoryWriter::finish(bool stopped)
{
    if (std::exchange(finished_, true) || !file_.open())
        return;
    file_.writeOut();
    JsonLine end(line_, "end");
    end.num("renamed", static_cast<int64_t>(counts_.renamed))
        .num("nodate", static_cast<int64_t>(counts_.withoutDate))
        .num("failed", static_cast<int64_t>(counts_.failed));
    // The counts are the batch's; its lines are not all here, and Undo must know.
    if (const int error = file_.writeError())
        end.str("lost", std::strerror(error));
    if (stopped)
        end.str("stopped", "yes");
    file_.append(end.end());
    file_.sync();
    const std::lock_guard lock(runningMutex);
    running.erase(id_);
}

} // namespace velmora
