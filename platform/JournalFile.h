// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/UniqueFd.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <thread>

namespace velmora {

// An append-only file written in groups of lines: a killed process loses at
// most the last tenth of a second, a power cut the last second. A system call
// per line would cost a batch more than the journal is worth.
class JournalFile {
public:
    // Opens `file` for appending, its folder created; `exclusive`: only a new
    // file. When that fails, error() tells why; it is logged unless the file
    // exists (EEXIST).
    JournalFile(const std::filesystem::path& file, bool exclusive);
    ~JournalFile();
    bool open() const { return fd_.get() >= 0; }
    int error() const { return error_; }
    void append(std::string_view line);
    // Writes out what is held and makes it durable.
    void sync();

private:
    void writeOut();

    UniqueFd fd_;
    int error_ = 0;
    std::string buffer_;
    // Lines written out since the last flush.
    std::atomic<bool> unflushed_{false};
    std::chrono::steady_clock::time_point lastWrite_ = std::chrono::steady_clock::now();
    // Flushes once a second beside the batch: a flush waits for the file
    // system to commit everything pending, the batch's renames too, and the
    // batch must not wait with it.
    std::jthread flusher_;
};

} // namespace velmora
