// SPDX-License-Identifier: GPL-3.0-or-later
#include "metadata/ReadAhead.h"

#include "files/PosixIo.h"
#include "files/UniqueFd.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <utility>

namespace velmora {
namespace {

// Enough files in flight for a disk's queue; enough bytes for the usual
// structure of a photo's metadata (what the kernel reads around a first page anyway).
constexpr size_t kFilesAhead = 32;
constexpr off_t kHeadBytes = 16 * 1024;

thread_local bool coldRead = false;

void readHeadAhead(const std::string& path)
{
    // Only a regular file is opened: opening a device or a FIFO can have effects of its own.
    struct stat st {};
    if (path.empty() || ::fstatat(AT_FDCWD, path.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode))
        return;
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC));
    if (fd.get() >= 0)
        ::posix_fadvise(fd.get(), 0, kHeadBytes, POSIX_FADV_WILLNEED);
}

} // namespace

int preadNotingCold(int fd, void* to, size_t count, uint64_t offset)
{
    iovec part{to, count};
    const ssize_t got = ::preadv2(fd, &part, 1, static_cast<off_t>(offset), RWF_NOWAIT);
    if (got == static_cast<ssize_t>(count))
        return 0;
    // EOPNOTSUPP and the like say nothing about the disk.
    if (got >= 0 || errno == EAGAIN)
        coldRead = true;
    return preadFull(fd, to, count, offset);
}

ReadAhead::ReadAhead(size_t count, std::function<std::string(size_t)> pathAt)
    : count_(count), pathAt_(std::move(pathAt))
{
    coldRead = false; // what an earlier listing met
}

void ReadAhead::before(size_t index)
{
    if (!cold_ && !std::exchange(coldRead, false))
        return;
    if (!std::exchange(cold_, true))
        thread_ = std::jthread([this, index](std::stop_token stop) { readAhead(index, stop); });
    const std::lock_guard lock(mutex_);
    until_ = std::min(count_, index + kFilesAhead);
    moved_.notify_one();
}

void ReadAhead::readAhead(size_t next, std::stop_token stop)
{
    std::unique_lock lock(mutex_);
    for (;;) {
        if (!moved_.wait(lock, stop, [&] { return next < until_; }))
            return;
        const size_t from = std::exchange(next, until_);
        lock.unlock();
        for (size_t i = from; i < next && !stop.stop_requested(); ++i)
            readHeadAhead(pathAt_(i));
        lock.lock();
    }
}

} // namespace velmora
