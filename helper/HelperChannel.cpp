// SPDX-License-Identifier: GPL-3.0-or-later
#include "helper/HelperChannel.h"

#include "files/PosixIo.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <vector>

namespace velmora::helper {
namespace {

// send() with MSG_NOSIGNAL, not write(): a helper whose parent is gone must
// not die of SIGPIPE before it can end cleanly.
bool sendAll(int socket, const void* data, size_t size)
{
    const auto* at = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::send(socket, at, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        at += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool receiveAll(int socket, void* data, size_t size)
{
    return readFull(socket, data, size) == 0;
}

// The request's fixed part, with exactly one descriptor attached to it.
bool receiveHead(int socket, std::array<uint8_t, 8>& head, UniqueFd& photo)
{
    iovec iov{head.data(), head.size()};
    alignas(cmsghdr) char control[CMSG_SPACE(4 * sizeof(int))];
    msghdr msg{};
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    ssize_t n;
    while ((n = ::recvmsg(socket, &msg, MSG_CMSG_CLOEXEC)) < 0 && errno == EINTR) {
    }
    if (n <= 0)
        return false;
    size_t fds = 0;
    for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
        if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SCM_RIGHTS)
            continue;
        const size_t count = (c->cmsg_len - CMSG_LEN(0)) / sizeof(int);
        for (size_t i = 0; i < count; ++i, ++fds) {
            int fd;
            std::memcpy(&fd, CMSG_DATA(c) + i * sizeof(int), sizeof fd);
            if (fds == 0)
                photo.reset(fd);
            else
                ::close(fd);
        }
    }
    if (fds != 1 || (msg.msg_flags & MSG_CTRUNC))
        return false;
    return receiveAll(socket, head.data() + n, head.size() - static_cast<size_t>(n));
}

} // namespace

bool sendHello(int socket, const std::string& unconfined, bool sanitizerBuild)
{
    Reply hello;
    hello.flags = (unconfined.empty() ? Reply::kConfined : 0) | (sanitizerBuild ? Reply::kSanitizerBuild : 0);
    hello.first = unconfined.substr(0, kMaxReplyText);
    return sendReply(socket, hello, nullptr);
}

std::optional<Request> receiveRequest(int socket, UniqueFd& photo)
{
    std::array<uint8_t, 8> head{};
    if (!receiveHead(socket, head, photo))
        return std::nullopt;
    const size_t dateSize = head[6] | size_t(head[7]) << 8;
    if (dateSize > kMaxRequestSize - head.size())
        return std::nullopt;
    std::vector<uint8_t> message(head.begin(), head.end());
    message.resize(head.size() + dateSize);
    if (!receiveAll(socket, message.data() + head.size(), dateSize))
        return std::nullopt;
    return parseRequest(message);
}

bool sendReply(int socket, const Reply& reply, const unsigned char* payload)
{
    const std::string head = encodeReply(reply);
    return sendAll(socket, head.data(), head.size()) && sendAll(socket, payload, reply.payloadSize);
}

} // namespace velmora::helper
