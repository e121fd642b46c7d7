// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/LocalSocket.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace velmora::localsocket {
namespace {

bool addressOf(const std::string& path, sockaddr_un& address)
{
    address = {};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path || path.find('\0') != std::string::npos)
        return false;
    std::memcpy(address.sun_path, path.data(), path.size());
    return true;
}

bool waitFor(int fd, short events, int timeoutMs)
{
    pollfd p{fd, events, 0};
    int n;
    while ((n = ::poll(&p, 1, timeoutMs)) < 0 && errno == EINTR) {
    }
    return n > 0;
}

} // namespace

UniqueFd connectTo(const std::string& path)
{
    sockaddr_un address;
    if (!addressOf(path, address))
        return UniqueFd();
    // Not blocking: a listener whose queue is full counts as none.
    UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (fd.get() < 0 || ::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return UniqueFd();
    return fd;
}

UniqueFd listenAt(const std::string& path)
{
    // Bound under a name of its own, made the owner's, then put in place:
    // nobody else can connect in between, and a stale socket is replaced whole.
    const std::string staged = path + "." + std::to_string(::getpid());
    sockaddr_un address;
    if (!addressOf(staged, address))
        return UniqueFd();
    UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    ::unlink(staged.c_str());
    if (fd.get() < 0 || ::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return UniqueFd();
    if (::chmod(staged.c_str(), S_IRUSR | S_IWUSR) != 0 || ::listen(fd.get(), 16) != 0 ||
        std::rename(staged.c_str(), path.c_str()) != 0) {
        ::unlink(staged.c_str());
        return UniqueFd();
    }
    return fd;
}

void removeSocket(const std::string& path)
{
    ::unlink(path.c_str());
}

UniqueFd accept(int fd)
{
    int client;
    while ((client = ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK)) < 0 && errno == EINTR) {
    }
    return UniqueFd(client);
}

bool sendAll(int fd, std::string_view data, int timeoutMs)
{
    while (!data.empty()) {
        const ssize_t n = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            data.remove_prefix(static_cast<size_t>(n));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!waitFor(fd, POLLOUT, timeoutMs))
                return false;
        } else {
            return false;
        }
    }
    return true;
}

Received receive(int fd, std::string& out, int timeoutMs)
{
    if (timeoutMs > 0 && !waitFor(fd, POLLIN, timeoutMs))
        return Received::Nothing;
    char buffer[4096];
    bool some = false;
    for (;;) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n > 0) {
            out.append(buffer, static_cast<size_t>(n));
            some = true;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return some ? Received::Some : Received::Nothing;
        } else {
            return some ? Received::Some : Received::Ended;
        }
    }
}

} // namespace velmora::localsocket
