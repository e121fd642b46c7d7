// SPDX-License-Identifier: GPL-3.0-or-later
#include "exiv2/HelperTransport.h"

#include <array>
#include <cerrno>
#include <poll.h>
#include <sys/socket.h>

namespace velmora {
namespace {

using Outcome = HelperAnswer::Outcome;

thread_local const std::stop_token* currentStop = nullptr;

// Reads exactly `size` bytes, unless the deadline passes, the stop is
// requested or the helper closes its end.
Outcome readExact(int fd, void* data, size_t size, HelperClock::time_point deadline)
{
    auto* at = static_cast<unsigned char*>(data);
    while (size > 0) {
        if (helperStopRequested())
            return Outcome::Stopped;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - HelperClock::now()).count();
        if (left <= 0)
            return Outcome::TimedOut;
        // Short slices: a stop request is seen within 50 ms.
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(std::min<long long>(left, 50)));
        if (ready < 0 && errno != EINTR)
            return Outcome::Died;
        if (ready <= 0)
            continue;
        const ssize_t n = ::recv(fd, at, size, MSG_DONTWAIT);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR))
            return Outcome::Died;
        if (n > 0) {
            at += n;
            size -= static_cast<size_t>(n);
        }
    }
    return Outcome::Answered;
}

// Header, texts and payload of one reply.
} // namespace

Outcome readReply(int socket, uint64_t maxPayload, HelperClock::time_point deadline, HelperAnswer& answer)
{
    std::array<uint8_t, helper::kReplyHeaderSize> header{};
    if (const Outcome o = readExact(socket, header.data(), header.size(), deadline); o != Outcome::Answered)
        return o;
    uint32_t firstSize = 0;
    uint32_t secondSize = 0;
    const auto reply = helper::parseReplyHeader(header, maxPayload, firstSize, secondSize);
    if (!reply)
        return Outcome::Garbled;
    answer.reply = *reply;
    answer.reply.first.resize(firstSize);
    answer.reply.second.resize(secondSize);
    answer.payload.resize(reply->payloadSize);
    for (auto [data, size] : {std::pair<void*, size_t>{answer.reply.first.data(), firstSize},
                              {answer.reply.second.data(), secondSize},
                              {answer.payload.data(), answer.payload.size()}})
        if (const Outcome o = readExact(socket, data, size, deadline); o != Outcome::Answered)
            return o;
    return Outcome::Answered;
}

bool helperStopRequested()
{
    return currentStop && currentStop->stop_requested();
}

HelperStopScope::HelperStopScope(std::stop_token stop) : stop_(std::move(stop)), previous_(currentStop)
{
    currentStop = &stop_;
}

HelperStopScope::~HelperStopScope()
{
    currentStop = previous_;
}

} // namespace velmora
