// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/BatchRecorder.h"
#include "platform/UniqueFd.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace velmora {

// What tells a file from any other that took its place or changed it since.
struct FileIdentity {
    uint64_t dev = 0;
    uint64_t ino = 0;
    int64_t size = 0;
    int64_t mtimeNs = 0;
    bool operator==(const FileIdentity&) const = default;
};
// The identity of the regular file at `path` (links not followed), or nullopt.
std::optional<FileIdentity> fileIdentity(const std::filesystem::path& path);

// One photo as the journal holds it: the outcome, and the identity the placed
// file had right after the batch was done with it.
struct JournalPhoto {
    PhotoOutcome outcome;
    std::optional<FileIdentity> placed;
};

// An append-only file written in groups of lines: a killed process loses at
// most the last tenth of a second, a power cut the last second. A system call
// per line would cost a batch more than the journal is worth.
class JournalFile {
public:
    explicit JournalFile(UniqueFd fd) : fd_(std::move(fd)) {}
    ~JournalFile() { sync(); }
    void append(const std::string& line);
    // Writes out what is held and makes it durable.
    void sync();

private:
    void writeOut();

    UniqueFd fd_;
    std::string buffer_;
    bool written_ = false;
    std::chrono::steady_clock::time_point lastWrite_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point lastSync_ = lastWrite_;
};

// The journal of one batch: a JSON-lines file under stateFolder()/batches,
// appended as the batch goes; a torn last line is ignored when read. Used by
// one thread.
class BatchJournal : public BatchRecorder {
public:
    using Options = std::vector<std::pair<std::string, std::string>>;

    // Starts the journal of a new batch; nullptr when the state folder cannot
    // be written (the batch then runs without one, which is logged).
    static std::unique_ptr<BatchJournal> begin(const Options& options, const std::vector<std::filesystem::path>& paths);
    ~BatchJournal() override;

    // Records the outcome with the placed file's identity, taken now.
    void record(const PhotoOutcome& outcome) override;
    // Makes what is recorded so far durable now.
    void sync();
    // Ends the journal: the counts, made durable.
    void finish();

    const std::string& id() const { return id_; }
    size_t renamed() const { return renamed_; }
    size_t withoutDate() const { return withoutDate_; }
    size_t failed() const { return failed_; }

private:
    BatchJournal(std::string id, UniqueFd fd) : id_(std::move(id)), file_(std::move(fd)) {}

    std::string id_;
    JournalFile file_;
    bool finished_ = false;
    size_t renamed_ = 0, withoutDate_ = 0, failed_ = 0;
};

// A batch as the history lists it.
struct BatchSummary {
    std::string id;
    int64_t startedMs = 0; // since the epoch
    bool finished = false; // false: the process ended during the batch
    size_t renamed = 0, withoutDate = 0, failed = 0;
    enum class Undo { None, Partly, Done } undo = Undo::None;
};

// Every batch kept, newest first.
std::vector<BatchSummary> listBatches();
// The photos of batch `id` in the order they were handled; empty when unknown.
std::vector<JournalPhoto> readBatch(const std::string& id);
// The paths opened and the options in force for batch `id`.
BatchJournal::Options readBatchHeader(const std::string& id, std::vector<std::filesystem::path>* paths = nullptr);

// The record of undoing one batch, appended to as the undo goes (a resumed
// undo appends to it); durable in groups like a batch's journal.
class UndoJournal {
public:
    static std::unique_ptr<UndoJournal> begin(const std::string& batchId);
    ~UndoJournal();
    // Photo number `index` of the batch: taken back, or kept with the reason.
    void record(size_t index, bool undone, const std::string& reason = {});
    void finish();

private:
    explicit UndoJournal(UniqueFd fd) : file_(std::move(fd)) {}
    JournalFile file_;
    size_t kept_ = 0;
};

// What the undo journals of batch `id` say: per photo number, the last word
// (true: taken back; false: kept, with the reason).
struct UndoRecord {
    bool undone = false;
    std::string reason;
};
std::vector<std::optional<UndoRecord>> readUndo(const std::string& id, size_t photos);

// Drops the journals beyond the newest `keep` batches and those older than
// `maxAgeDays`. Called when a batch begins.
void pruneBatches(size_t keep = 100, int maxAgeDays = 30);

} // namespace velmora
