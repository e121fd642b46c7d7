// SPDX-License-Identifier: GPL-3.0-or-later
#include "exiv2/ExifHelper.h"

#include "exiv2/HelperPool.h"
#include "exiv2/HelperTransport.h"

#include <atomic>

namespace velmora {
namespace {

using Outcome = HelperAnswer::Outcome;

std::atomic<long long> baseLimitMs{5000};

} // namespace

HelperAnswer askExifHelper(const helper::Request& request, int fd, uint64_t size)
{
    HelperAnswer answer;
    if (helperStopRequested()) {
        answer.outcome = Outcome::Stopped;
        answer.what = "the exiv2 helper was stopped: Velmora is quitting";
        return answer;
    }
    // A rebuilt photo is written over the photo: a helper that has read
    // another file, perhaps a hostile one, must not decide its bytes. So a
    // rebuild runs in a helper that has read no other file and reads none after.
    const bool rebuild = request.kind == helper::RequestKind::Rebuild;
    std::unique_ptr<HelperProcess> p = helperPool().take(answer.what, rebuild);
    if (!p) {
        answer.what = "the exiv2 helper could not be started: " + helperPath() + ": " + answer.what;
        return answer;
    }
    const auto limit = std::chrono::milliseconds(baseLimitMs.load()) + std::chrono::seconds(size >> 25);
    // A rebuilt photo gains its metadata, never more than its own size.
    const uint64_t maxPayload = rebuild ? 2 * size + (1 << 20) : 0;
    answer.helper = p->pid;
    answer.outcome = helper::sendWithDescriptor(p->socket.get(), helper::encodeRequest(request), fd)
                         ? readReply(p->socket.get(), maxPayload, HelperClock::now() + limit, answer)
                         : Outcome::Died;
    switch (answer.outcome) {
    case Outcome::Answered:
        if (rebuild)
            endHelper(*p, true);
        else
            helperPool().giveBack(std::move(p));
        return answer;
    case Outcome::TimedOut:
        endHelper(*p, true);
        answer.what = "the exiv2 helper took longer than " +
                      std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(limit).count()) +
                      " ms and was killed";
        break;
    case Outcome::Stopped:
        endHelper(*p, true);
        answer.what = "the exiv2 helper was stopped: Velmora is quitting";
        break;
    case Outcome::Garbled:
        endHelper(*p, true);
        answer.what = "the exiv2 helper sent a malformed reply and was killed";
        break;
    default:
        answer.what = "the exiv2 helper " + endHelper(*p, false);
        break;
    }
    answer.payload.clear();
    return answer;
}

void setExifHelperTimeLimit(std::chrono::milliseconds base)
{
    baseLimitMs = base.count();
}

void startExifHelper(bool wait)
{
    helperPool().startOne(wait);
}

} // namespace velmora
