// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "exiv2/HelperProtocol.h"

#include <chrono>
#include <cstdint>
#include <stop_token>
#include <string>
#include <sys/types.h>
#include <vector>

namespace velmora {

// exiv2 runs in helper processes (velmora-helper), never in Velmora's own:
// a crafted file that hangs or crashes it costs one photo, not the batch.
// Helpers are started on demand and kept in a pool, one per thread that
// needs one at the same moment, and reused across photos and batches.

struct HelperAnswer {
    enum class Outcome {
        Answered,
        TimedOut,    // over the time limit: killed
        Died,        // crashed, killed by a limit, or exited
        Stopped,     // the thread's stop was requested (quit): killed
        Unavailable, // could not be started
        Garbled,     // a reply that does not parse: killed
    };
    Outcome outcome = Outcome::Unavailable;
    std::string what; // what happened, for the log, when not Answered
    pid_t helper = 0; // the process asked
    helper::Reply reply;
    std::vector<unsigned char> payload;
};

// Hands the photo `fd` (a regular file of `size` bytes) to a helper with
// `request` and waits for the reply. A helper that does not answer in time,
// or answers nonsense, is killed and reaped; the next request gets a fresh one.
// A rebuild runs in a helper that has read no other photo, and ends it.
HelperAnswer askExifHelper(const helper::Request& request, int fd, uint64_t size);

// The time a helper may take for one photo: `base` plus one second per
// 32 MiB of photo. Five seconds by default.
void setExifHelperTimeLimit(std::chrono::milliseconds base);

// Makes sure one helper is running and idle, so that its start does not fall
// within the first photo that needs it. Without `wait` it returns at once and
// the helper loads meanwhile; with it, the helper has also sent its first
// message (and a note about its confinement is in the log).
void startExifHelper(bool wait = false);

// While it lives, waits on a helper on this thread end once `stop` is
// requested: a quitting application does not wait for a photo being parsed.
class HelperStopScope {
public:
    explicit HelperStopScope(std::stop_token stop);
    ~HelperStopScope();
    HelperStopScope(const HelperStopScope&) = delete;
    HelperStopScope& operator=(const HelperStopScope&) = delete;

private:
    std::stop_token stop_;
    const std::stop_token* previous_;
};

} // namespace velmora
