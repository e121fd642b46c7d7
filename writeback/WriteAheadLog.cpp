// SPDX-License-Identifier: GPL-3.0-or-later
#include "writeback/WriteAheadLog.h"

#include "files/FileIdentity.h"
#include "files/FlushRule.h"
#include "files/PosixIo.h"
#include "files/SystemLog.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <mutex>
#include <random>
#include <sys/file.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace velmora {
namespace {

// A group ends when its records fill the log or when its first photo has
// waited this long for its flush.
constexpr auto kGroupAge = std::chrono::seconds(1);

std::atomic<void (*)(PatchStep)> stepHook{nullptr};
std::atomic<bool> logOpen{false};

void reached(PatchStep step)
{
    if (auto hook = stepHook.load())
        hook(step);
}

// This process's log, opened (and the records of dead processes
// completed) at the first patch. Its slots hold the records of the present
// group: photos staged, to be patched and flushed when the group ends.
class Log {
public:
    static Log& instance()
    {
        static Log log;
        return log;
    }

    ~Log()
    {
        const std::lock_guard lock(mutex_);
        endGroup();
    }

    std::shared_ptr<PatchTicket> stage(int fd, const fs::path& path, const struct stat& identity,
                                       const std::vector<BytePatch>& patches, int& error)
    {
        const std::lock_guard lock(mutex_);
        if ((error = error_) != 0)
            return nullptr;
        // One record per photo at most: recovery then has one answer.
        const bool stagedAlready = std::any_of(staged_.begin(), staged_.end(), [&](const Staged& p) {
            return identityOf(p.identity) == identityOf(identity);
        });
        if (stagedAlready || groupIsOld())
            endGroup();
        auto free = std::find(used_.begin(), used_.end(), false);
        if (free == used_.end()) {
            // Every slot holds a record left for recovery: this log is
            // handed over to it (closed, so unlocked) and a new one begun.
            file_.reset();
            if ((error = error_ = create()) != 0)
                return nullptr;
            free = used_.begin();
        }
        const size_t slot = static_cast<size_t>(free - used_.begin());
        // Taken before the record is written: a record whose patch is given
        // up must not stay, or a later flush and a crash would complete it.
        UniqueFd photo(::fcntl(fd, F_DUPFD_CLOEXEC, 0));
        if (photo.get() < 0) {
            error = errno;
            return nullptr;
        }
        const std::string record = encodeRecord(PatchRecord::of(path.native(), identity, patches));
        if (record.size() > kRecordSlot)
            error = ENAMETOOLONG;
        else if ((error = pwriteFull(file_.get(), record.data(), record.size(), slot * kRecordSlot)) != 0)
            clearSlot(slot); // a part of it may have been written
        if (error != 0)
            return nullptr;
        used_[slot] = true;
        if (staged_.empty())
            groupStart_ = std::chrono::steady_clock::now();
        auto ticket = std::make_shared<PatchTicket>();
        staged_.push_back({slot, std::move(photo), identity, path.native(), patches, ticket});
        if (std::find(used_.begin(), used_.end(), false) == used_.end())
            endGroup();
        return ticket;
    }

    void sync(bool onlyOld)
    {
        const std::lock_guard lock(mutex_);
        if (!onlyOld || groupIsOld())
            endGroup();
    }

    int error() const { return error_; }

private:
    struct Staged {
        size_t slot;
        UniqueFd photo;
        struct stat identity;
        std::string path;
        std::vector<BytePatch> patches;
        std::shared_ptr<PatchTicket> ticket;
    };

    Log()
    {
        error_ = open();
        logOpen = true;
    }

    int open()
    {
        const fs::path folder = stateFolder();
        std::error_code ec;
        fs::create_directories(folder, ec);
        if (ec)
            return ec.value();
        recoverInterruptedPatches();
        dir_.reset(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        return dir_.get() < 0 ? errno : create();
    }

    // A new log, locked before another process can see it: made under a
    // name that recovery passes over, then given its own (unique to it, so
    // never one that a dead process left).
    int create()
    {
        char id[9];
        std::snprintf(id, sizeof id, "%08x", std::random_device{}());
        const std::string name = "patches-" + std::to_string(::getpid()) + "-" + id + ".journal", temp = "." + name;
        file_.reset(::openat(dir_.get(), temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (file_.get() < 0)
            return errno;
        // Every slot written once now: later records overwrite allocated blocks.
        const std::string zeros(kRecordSlot * kLogSlots, '\0');
        int err = ::flock(file_.get(), LOCK_EX | LOCK_NB) != 0 ? errno
                                                               : pwriteFull(file_.get(), zeros.data(), zeros.size(), 0);
        if (err == 0 && ::fsync(file_.get()) != 0)
            err = errno;
        if (err == 0 && ::renameat(dir_.get(), temp.c_str(), dir_.get(), name.c_str()) == 0) {
            if ((err = syncFolder(dir_.get())) == 0) {
                used_.fill(false);
                return 0;
            }
            ::unlinkat(dir_.get(), name.c_str(), 0);
        } else {
            err = err != 0 ? err : errno;
            ::unlinkat(dir_.get(), temp.c_str(), 0);
        }
        file_.reset();
        return err;
    }

    bool groupIsOld() const
    {
        return !staged_.empty() && std::chrono::steady_clock::now() - groupStart_ > kGroupAge;
    }

    // Emptied without a flush: a record that outlives a power cut finds its
    // photo already patched, or unchanged when it was never patched, and is dropped.
    void clearSlot(size_t slot)
    {
        const char empty[kSlotMagicSize] = {};
        if (pwriteFull(file_.get(), empty, sizeof empty, slot * kRecordSlot) == 0)
            used_[slot] = false;
    }

    // The group's records made durable with one flush, then its photos
    // patched, then made durable (flushRuleFor: one syncfs per file system
    // where it counts, else, or when it fails, each photo's own flush), and
    // only then their records emptied.
    void endGroup()
    {
        if (staged_.empty())
            return;
        const int flushError = ::fdatasync(file_.get()) != 0 ? errno : 0;
        if (flushError == 0)
            reached(PatchStep::RecordDurable);
        std::vector<Staged*> patched;
        for (Staged& p : staged_) {
            bool wrote = false;
            const int err = flushError != 0 ? flushError : swapBytes(p.photo.get(), p.identity, p.patches, wrote);
            if (err == 0)
                patched.push_back(&p);
            else
                finish(p, err, wrote);
        }
        if (!patched.empty())
            reached(PatchStep::PhotoPatched);
        std::vector<dev_t> synced, failed;
        const auto among = [](const std::vector<dev_t>& devs, dev_t dev) {
            return std::find(devs.begin(), devs.end(), dev) != devs.end();
        };
        for (const Staged* p : patched) {
            const dev_t dev = p->identity.st_dev;
            if (flushRuleFor(p->photo.get()) == FlushRule::WholeFileSystem && !among(synced, dev) &&
                !among(failed, dev))
                (::syncfs(p->photo.get()) == 0 ? synced : failed).push_back(dev);
        }
        for (Staged* p : patched)
            finish(*p, among(synced, p->identity.st_dev) || ::fdatasync(p->photo.get()) == 0 ? 0 : errno, true);
        staged_.clear();
    }

    // A failure is reported as "not written": where the photo may hold new
    // bytes, it gets the old ones back, and its record stays (turned to take
    // the patch back) until they are flushed, so that recovery makes it the
    // old photo too.
    void finish(Staged& p, int error, bool wrote)
    {
        if (error == 0 || !wrote || takeBack(p))
            clearSlot(p.slot);
        p.ticket->finish(error);
    }

    bool takeBack(const Staged& p)
    {
        std::vector<BytePatch> back = p.patches;
        for (BytePatch& b : back)
            std::swap(b.oldBytes, b.newBytes);
        struct stat now = p.identity;
        ::fstat(p.photo.get(), &now);
        const std::string record = encodeRecord(PatchRecord::of(p.path, now, back));
        if (pwriteFull(file_.get(), record.data(), record.size(), p.slot * kRecordSlot) != 0 ||
            ::fdatasync(file_.get()) != 0)
            SystemLog::write("The record of a failed date write-back into " + p.path + " could not be turned back");
        for (const BytePatch& b : back)
            if (pwriteFull(p.photo.get(), b.newBytes.data(), b.newBytes.size(), b.offset) != 0)
                return false;
        return ::fdatasync(p.photo.get()) == 0;
    }

    std::mutex mutex_;
    UniqueFd dir_;
    UniqueFd file_;
    int error_ = 0;
    std::array<bool, kLogSlots> used_{};
    std::vector<Staged> staged_;
    std::chrono::steady_clock::time_point groupStart_;
};

} // namespace

int openWriteAheadLog()
{
    return Log::instance().error();
}

int patchLogged(int fd, const fs::path& path, const struct stat& identity, const std::vector<BytePatch>& patches)
{
    int error = 0;
    const auto ticket = Log::instance().stage(fd, path, identity, patches, error);
    if (!ticket)
        return error;
    Log::instance().sync(false);
    return ticket->error();
}

std::shared_ptr<const PatchTicket> stagePatch(int fd, const fs::path& path, const struct stat& identity,
                                              const std::vector<BytePatch>& patches, int& error)
{
    return Log::instance().stage(fd, path, identity, patches, error);
}

void syncPatchedPhotos()
{
    if (logOpen)
        Log::instance().sync(false);
}

void endOldGroup()
{
    if (logOpen)
        Log::instance().sync(true);
}

void setPatchStepHook(void (*hook)(PatchStep step))
{
    stepHook.store(hook);
}

} // namespace velmora
