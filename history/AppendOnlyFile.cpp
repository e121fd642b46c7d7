// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/AppendOnlyFile.h"

#include "files/PosixIo.h"
#include "files/SystemLog.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

using namespace std::chrono;

namespace velmora {
namespace {

// Lines are written in groups of a few hundred (or what a tenth of a second
// brought); the flush to the disk, which costs milliseconds, once a second.
constexpr size_t kGroupBytes = 64 * 1024;
constexpr auto kWriteTime = milliseconds(100);
constexpr auto kSyncTime = milliseconds(1000);

} // namespace

AppendOnlyFile::AppendOnlyFile(const std::filesystem::path& file, bool exclusive)
{
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    fd_.reset(
        ::open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW | (exclusive ? O_EXCL : 0), 0600));
    error_ = open() ? 0 : errno;
    if (error_ != 0 && error_ != EEXIST)
        SystemLog::write("*** The history cannot be written to " + file.native() + ": " + std::strerror(error_) +
                         " ***");
    buffer_.reserve(kGroupBytes + 4096);
    if (!open())
        return;
    whole_ = ::lseek(fd_.get(), 0, SEEK_END);
    flusher_ = std::thread([this] {
        std::unique_lock lock(flushMutex_);
        while (!stopping_) {
            flushTick_.wait_for(lock, kSyncTime, [this] { return stopping_ || soon_; });
            soon_ = false;
            if (!stopping_ && unflushed_.exchange(false) && ::fdatasync(fd_.get()) != 0)
                failed(errno);
        }
    });
}

AppendOnlyFile::~AppendOnlyFile()
{
    if (flusher_.joinable()) {
        {
            const std::lock_guard lock(flushMutex_);
            stopping_ = true;
        }
        flushTick_.notify_one();
        flusher_.join();
    }
    sync();
}

void AppendOnlyFile::append(std::string_view line)
{
    buffer_ += line;
    const auto now = steady_clock::now();
    if (buffer_.size() >= kGroupBytes || now - lastWrite_ >= kWriteTime)
        writeOut();
}

void AppendOnlyFile::writeOut()
{
    if (!buffer_.empty()) {
        if (const int e = writeFull(fd_.get(), buffer_.data(), buffer_.size())) {
            // A full disk: these lines are lost. A torn one must not run into the next.
            failed(e);
            if (::ftruncate(fd_.get(), whole_) != 0)
                failed(errno);
        } else {
            whole_ += static_cast<int64_t>(buffer_.size());
        }
        unflushed_ = true;
    }
    buffer_.clear();
    lastWrite_ = steady_clock::now();
}

void AppendOnlyFile::sync()
{
    writeOut();
    if (unflushed_.exchange(false) && ::fdatasync(fd_.get()) != 0)
        failed(errno);
}

void AppendOnlyFile::syncSoon()
{
    writeOut();
    {
        const std::lock_guard lock(flushMutex_);
        soon_ = true;
    }
    flushTick_.notify_one();
}

void AppendOnlyFile::failed(int error)
{
    int none = 0;
    if (writeError_.compare_exchange_strong(none, error))
        SystemLog::write(std::string("*** The history misses lines: ") + std::strerror(error) + " ***");
}

} // namespace velmora
