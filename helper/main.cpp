// SPDX-License-Identifier: GPL-3.0-or-later
// velmora-helper: runs exiv2 for Velmora on one photo at a time, confined,
// in a process of its own. Started by Velmora with its socket as descriptor 3.
#include "helper/Confinement.h"
#include "helper/HelperChannel.h"
#include "exiv2/Exiv2Access.h"

#include <csignal>
#include <cstring>
#include <unistd.h>

using namespace velmora;
using namespace velmora::helper;

namespace {

bool answer(int socket, const Request& request, int photo)
{
    Reply reply;
    if (request.kind == RequestKind::ReadDates) {
        const CaptureDates dates = exiv2ReadDates(photo);
        reply.status = static_cast<uint8_t>(dates.source);
        reply.flags =
            (dates.dateTimeOriginal ? Reply::kHasFirst : 0) | (dates.dateTimeDigitized ? Reply::kHasSecond : 0);
        reply.first = dates.dateTimeOriginal.value_or("").substr(0, kMaxReplyText);
        reply.second = dates.dateTimeDigitized.value_or("").substr(0, kMaxReplyText);
        return sendReply(socket, reply, nullptr);
    }
    const Exiv2Rebuild rebuilt = exiv2RebuildWithDate(photo, request.date, request.digitized, request.more);
    reply.status = static_cast<uint8_t>(rebuilt.status);
    reply.first = rebuilt.detail.substr(0, kMaxReplyText);
    if (rebuilt.status == ExifWriteResult::Status::Written)
        reply.payloadSize = rebuilt.bytes.size();
    return sendReply(socket, reply, rebuilt.bytes.data());
}

} // namespace

int main(int argc, char** argv)
{
    if ((argc == 2 || argc == 3) && std::strcmp(argv[1], "--check-confinement") == 0)
        return checkConfinement(argc == 3 ? argv[2] : "");

    constexpr int kSocket = 3;
    ::close_range(kSocket + 1, ~0U, 0);
    std::signal(SIGPIPE, SIG_IGN);
    if (!sendHello(kSocket, confine(), sanitizerBuild()))
        return 1;
    for (;;) {
        UniqueFd photo;
        const std::optional<Request> request = receiveRequest(kSocket, photo);
        if (!request || !answer(kSocket, *request, photo.get()))
            return 0;
    }
}
