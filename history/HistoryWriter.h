// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/BatchRecorder.h"
#include "history/BatchHistory.h"
#include "history/AppendOnlyFile.h"

#include <memory>
#include <string>
#include <string_view>

namespace velmora {

// The history of one batch: a JSON-lines file under stateFolder()/batches,
// appended as the batch goes; a torn last line is ignored when read. Used by
// one thread.
class HistoryWriter : public BatchRecorder {
public:
    using Options = BatchOptions;

    // Starts the history of a new batch; nullptr when the state folder cannot
    // be written (the batch then runs without one, which is logged).
    static std::unique_ptr<HistoryWriter> begin(const Options& options, const std::vector<std::filesystem::path>& paths);
    ~HistoryWriter() override;

    // Records the outcome with the placed file's identity.
    void record(const PhotoOutcome& outcome) override;
    // Makes what is recorded so far durable now.
    void sync() { file_.sync(); }
    // Ends the history: the counts, made durable. Once only. `stopped`: the
    // user stopped the batch or quit, so it is partial.
    void finish(bool stopped = false);
    // Why lines of this batch could not be written or flushed (an errno; 0: they were).
    int writeError() const { return file_.writeError(); }

    const std::string& id() const { return id_; }
    // Whether batch `id` is being recorded by this process: one without its end
    // line may be cut short, or written by a process that had the same id.
    static bool isRunning(const std::string& id);
    size_t renamed() const { return counts_.renamed; }
    size_t withoutDate() const { return counts_.withoutDate; }
    size_t failed() const { return counts_.failed; }
    size_t notReached() const { return counts_.notReached; }

private:
    HistoryWriter(std::string id, const std::filesystem::path& file) : id_(std::move(id)), file_(file, true) {}
    std::optional<FileIdentity> placedIdentity(const PhotoOutcome& outcome);

    std::string id_;
    AppendOnlyFile file_;
    std::string line_; // reused: no allocation per photo
    bool finished_ = false;
    BatchCounts counts_;
    // The last pair of folders seen, and whether a move between them kept the file.
    std::string movedFrom_, movedTo_;
    bool movesKeepFile_ = false;
};

} // namespace velmora
