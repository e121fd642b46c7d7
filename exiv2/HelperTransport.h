// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "exiv2/ExifHelper.h"

#include <chrono>

// The application's end of the conversation with one helper: waiting for its
// reply within a deadline, and giving up at once when the thread is stopped.
namespace velmora {

using HelperClock = std::chrono::steady_clock;

// Whether the stop of this thread's HelperStopScope has been requested.
bool helperStopRequested();

// One reply (header, texts, payload of at most `maxPayload` bytes) from the
// helper at `socket` into `answer`, unless the deadline passes, the stop is
// requested, the helper closes its end or the header does not parse.
HelperAnswer::Outcome readReply(int socket, uint64_t maxPayload, HelperClock::time_point deadline,
                                HelperAnswer& answer);

} // namespace velmora
