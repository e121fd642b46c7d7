// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace velmora {

// Reads like preadFull; when the bytes were not in memory, notes that this
// thread reads from a cold disk (see ReadAhead). 0, or errno.
int preadNotingCold(int fd, void* to, size_t count, uint64_t offset);

// Reading ahead while the disk is cold (photos fresh from a card, or not read
// for long): a thread of its own asks for the first bytes of the next files
// of a listing, so that the disk serves many requests at a time instead of
// one per photo, and the batch does not wait for the asking. Nothing is read
// ahead until the reader has met a cold photo, so a warm listing costs nothing.
class ReadAhead {
public:
    // `pathAt(i)`: entry i of the listing, or empty for one that is not to be
    // read; called on the thread, so it may only read what does not change.
    ReadAhead(size_t count, std::function<std::string(size_t)> pathAt);
    // Called before entry `index` is handled.
    void before(size_t index);

private:
    // Reads ahead from entry `next` on, as far as before() allows.
    void readAhead(size_t next, std::stop_token stop);

    const size_t count_;
    const std::function<std::string(size_t)> pathAt_;
    bool cold_ = false;
    std::mutex mutex_;
    std::condition_variable_any moved_;
    size_t until_ = 0; // the thread reads ahead up to this entry
    std::jthread thread_; // last: stopped and joined before the rest goes
};

} // namespace velmora
