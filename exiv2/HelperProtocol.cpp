// SPDX-License-Identifier: GPL-3.0-or-later
#include "exiv2/HelperProtocol.h"

#include <cerrno>
#include <cstring>
#include <sys/socket.h>

namespace velmora::helper {
namespace {

constexpr uint32_t kRequestMagic = 0x31514d56; // "VMQ1"
constexpr uint32_t kReplyMagic = 0x31504d56;   // "VMP1"

void putLe(std::string& out, uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

uint64_t getLe(std::span<const uint8_t> in, size_t at, int bytes)
{
    uint64_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= uint64_t(in[at + i]) << (8 * i);
    return value;
}

constexpr uint8_t kListed = 2; // flag of a rebuild that sets several fields

// A rebuild's fields: its main one first, then one to two others, each tag at most once.
std::optional<Request> parseList(std::span<const uint8_t> message, bool digitized)
{
    Request request;
    request.kind = RequestKind::Rebuild;
    request.digitized = digitized;
    if (message.size() != 8 + getLe(message, 6, 2))
        return std::nullopt;
    unsigned seen = 0;
    for (size_t at = 8; at < message.size();) {
        if (message.size() - at < 2)
            return std::nullopt;
        const uint64_t tag = getLe(message, at, 1);
        const uint64_t size = getLe(message, at + 1, 1);
        if (tag > 2 || (seen & (1u << tag)) || size > kMaxDateLength || message.size() - at - 2 < size)
            return std::nullopt;
        std::string text(reinterpret_cast<const char*>(message.data()) + at + 2, size);
        if (seen == 0 && tag != (digitized ? 1u : 0u))
            return std::nullopt;
        if (seen == 0)
            request.date = std::move(text);
        else
            request.more.emplace_back(static_cast<DateTag>(tag), std::move(text));
        seen |= 1u << tag;
        at += 2 + size;
    }
    if (request.more.empty())
        return std::nullopt;
    return request;
}

} // namespace

std::string encodeRequest(const Request& request)
{
    std::string out;
    putLe(out, kRequestMagic, 4);
    putLe(out, static_cast<uint8_t>(request.kind), 1);
    if (request.more.empty()) {
        putLe(out, request.digitized ? 1 : 0, 1);
        putLe(out, request.date.size(), 2);
        out += request.date;
        return out;
    }
    // Several fields: each as its tag, its length and its text, the main one first.
    std::string list;
    const DateTag main = request.digitized ? DateTag::Digitized : DateTag::Original;
    const auto put = [&](DateTag tag, const std::string& text) {
        putLe(list, static_cast<uint8_t>(tag), 1);
        putLe(list, text.size(), 1);
        list += text;
    };
    put(main, request.date);
    for (const auto& [tag, text] : request.more)
        put(tag, text);
    putLe(out, kListed | (request.digitized ? 1 : 0), 1);
    putLe(out, list.size(), 2);
    out += list;
    return out;
}

std::optional<Request> parseRequest(std::span<const uint8_t> message)
{
    if (message.size() < 8 || getLe(message, 0, 4) != kRequestMagic)
        return std::nullopt;
    Request request;
    const uint64_t kind = getLe(message, 4, 1);
    const uint64_t digitized = getLe(message, 5, 1);
    const uint64_t dateSize = getLe(message, 6, 2);
    if (kind == 2 && (digitized | 1) == (kListed | 1))
        return parseList(message, digitized & 1);
    if ((kind != 1 && kind != 2) || digitized > 1 || dateSize > kMaxDateLength || message.size() != 8 + dateSize)
        return std::nullopt;
    request.kind = static_cast<RequestKind>(kind);
    request.digitized = digitized == 1;
    request.date.assign(reinterpret_cast<const char*>(message.data()) + 8, dateSize);
    if (request.kind == RequestKind::ReadDates && (request.digitized || !request.date.empty()))
        return std::nullopt;
    return request;
}

std::string encodeReply(const Reply& reply)
{
    std::string out;
    putLe(out, kReplyMagic, 4);
    putLe(out, reply.status, 1);
    putLe(out, reply.flags, 1);
    putLe(out, 0, 2);
    putLe(out, reply.first.size(), 4);
    putLe(out, reply.second.size(), 4);
    putLe(out, reply.payloadSize, 8);
    out += reply.first;
    out += reply.second;
    return out;
}

std::optional<Reply> parseReplyHeader(std::span<const uint8_t, kReplyHeaderSize> header, uint64_t maxPayload,
                                      uint32_t& firstSize, uint32_t& secondSize)
{
    if (getLe(header, 0, 4) != kReplyMagic || getLe(header, 6, 2) != 0)
        return std::nullopt;
    Reply reply;
    reply.status = static_cast<uint8_t>(getLe(header, 4, 1));
    reply.flags = static_cast<uint8_t>(getLe(header, 5, 1));
    const uint64_t first = getLe(header, 8, 4);
    const uint64_t second = getLe(header, 12, 4);
    reply.payloadSize = getLe(header, 16, 8);
    if (first > kMaxReplyText || second > kMaxReplyText || reply.payloadSize > maxPayload)
        return std::nullopt;
    firstSize = static_cast<uint32_t>(first);
    secondSize = static_cast<uint32_t>(second);
    return reply;
}

bool sendWithDescriptor(int socket, std::string_view message, int fd)
{
    iovec iov{const_cast<char*>(message.data()), message.size()};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    msghdr msg{};
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    cmsghdr* cmsg = CMSG_FIRSTHDR(&msg);
    cmsg->cmsg_level = SOL_SOCKET;
    cmsg->cmsg_type = SCM_RIGHTS;
    cmsg->cmsg_len = CMSG_LEN(sizeof(int));
    std::memcpy(CMSG_DATA(cmsg), &fd, sizeof fd);
    ssize_t n;
    while ((n = ::sendmsg(socket, &msg, MSG_NOSIGNAL)) < 0 && errno == EINTR) {
    }
    return n == static_cast<ssize_t>(message.size());
}

} // namespace velmora::helper
