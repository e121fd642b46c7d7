// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/PosixIo.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace velmora {
namespace {

// Repeats `step(done)` (bytes moved, or -1 with errno) until `size` bytes are moved.
template <typename Step> int transferAll(size_t size, Step step)
{
    for (size_t done = 0; done < size;) {
        const ssize_t n = step(done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return EIO;
        done += static_cast<size_t>(n);
    }
    return 0;
}

} // namespace

int readFull(int fd, void* out, size_t size)
{
    auto* to = static_cast<char*>(out);
    return transferAll(size, [&](size_t done) { return ::read(fd, to + done, size - done); });
}

int writeFull(int fd, const void* data, size_t size)
{
    const auto* from = static_cast<const char*>(data);
    return transferAll(size, [&](size_t done) { return ::write(fd, from + done, size - done); });
}

int preadFull(int fd, void* out, size_t size, uint64_t offset)
{
    auto* to = static_cast<char*>(out);
    return transferAll(
        size, [&](size_t done) { return ::pread(fd, to + done, size - done, static_cast<off_t>(offset + done)); });
}

int pwriteFull(int fd, const void* data, size_t size, uint64_t offset)
{
    const auto* from = static_cast<const char*>(data);
    return transferAll(
        size, [&](size_t done) { return ::pwrite(fd, from + done, size - done, static_cast<off_t>(offset + done)); });
}

std::string errnoText(std::string_view what, int err)
{
    return std::string(what) + ": " + std::strerror(err) + " (errno " + std::to_string(err) + ")";
}

int statRegularFile(int fd, struct stat& st)
{
    if (::fstat(fd, &st) != 0)
        return errno;
    return S_ISREG(st.st_mode) ? 0 : EINVAL;
}

UniqueFd openRegularFile(int dirFd, const char* name, int flags, struct stat& st, int& error)
{
    UniqueFd fd(::openat(dirFd, name, flags | O_NONBLOCK | O_CLOEXEC));
    error = fd.get() < 0 ? errno : statRegularFile(fd.get(), st);
    if (error != 0)
        fd.reset();
    return fd;
}

} // namespace velmora
