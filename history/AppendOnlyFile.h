// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/UniqueFd.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace velmora {

// An append-only file written in groups of lines: a killed process loses at
// most the last tenth of a second, a power cut the last second. A system call
// per line would cost a batch more than the history is worth.
class AppendOnlyFile {
public:
    // Opens `file` for appending, its folder created; `exclusive`: only a new
    // file. When that fails, error() tells why; it is logged unless the file
    // exists (EEXIST).
    AppendOnlyFile(const std::filesystem::path& file, bool exclusive);
    ~AppendOnlyFile();
    bool open() const { return fd_.get() >= 0; }
    int error() const { return error_; }
    // The first write or flush that failed (an errno; 0: none): lines are
    // missing. Later lines are still written, each whole or not at all.
    int writeError() const { return writeError_; }
    void append(std::string_view line);
    // Writes out what is held, without waiting for the disk.
    void writeOut();
    // Writes out what is held and makes it durable.
    void sync();
    // Writes out what is held; the flush comes at once, beside the caller.
    void syncSoon();

private:
    void failed(int error);

    UniqueFd fd_;
    int error_ = 0;
    std::atomic<int> writeError_{0};
    std::string buffer_;
    int64_t whole_ = 0; // the length of the file's whole lines
    // Lines written out since the last flush.
    std::atomic<bool> unflushed_{false};
    std::chrono::steady_clock::time_point lastWrite_ = std::chrono::steady_clock::now();
    // Flushes once a second beside the batch: a flush waits for the file
    // system to commit everything pending, the batch's renames too, and the
    // batch must not wait with it.
    std::mutex flushMutex_;
    std::condition_variable flushTick_;
    bool stopping_ = false;
    bool soon_ = false;
    std::thread flusher_;
};

} // namespace velmora
