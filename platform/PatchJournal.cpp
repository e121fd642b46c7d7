// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PatchJournal.h"

#include "platform/FileIdentity.h"
#include "platform/PosixIo.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace velmora {
namespace {

// A group ends when its records fill the journal or when its first photo has
// waited this long for its flush.
constexpr auto kGroupAge = std::chrono::seconds(1);

std::atomic<void (*)(PatchStep)> stepHook{nullptr};
std::atomic<bool> journalOpen{false};

void reached(PatchStep step)
{
    if (auto hook = stepHook.load())
        hook(step);
}

// Compare and swap: the same file, still holding the bytes that were read,
// gets the new ones. 0, EAGAIN when it changed, or errno; on a failed write
// the old bytes are put back where possible (`restored`).
int swapBytes(int fd, const struct stat& identity, const std::vector<BytePatch>& patches, bool& restored)
{
    restored = true;
    struct stat now {};
    if (::fstat(fd, &now) != 0)
        return errno;
    if (identityOf(now) != identityOf(identity))
        return EAGAIN;
    for (const BytePatch& p : patches) {
        std::string bytes(p.oldBytes.size(), '\0');
        if (const int err = preadFull(fd, bytes.data(), bytes.size(), p.offset); err != 0)
            return err;
        if (bytes != p.oldBytes)
            return EAGAIN;
    }
    for (size_t i = 0; i < patches.size(); ++i) {
        const int err = pwriteFull(fd, patches[i].newBytes.data(), patches[i].newBytes.size(), patches[i].offset);
        if (err == 0)
            continue;
        for (size_t j = 0; j <= i; ++j)
            restored = restored &&
                       pwriteFull(fd, patches[j].oldBytes.data(), patches[j].oldBytes.size(), patches[j].offset) == 0;
        return err;
    }
    return 0;
}

// This process's journal, opened (and the records of dead processes
// completed) at the first patch. Its slots hold the records of the present
// group: photos staged, to be patched and flushed when the group ends.
class Journal {
public:
    static Journal& instance()
    {
        static Journal journal;
        return journal;
    }

    ~Journal()
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
        const auto free = std::find(used_.begin(), used_.end(), false);
        if (free == used_.end()) {
            error = ENOSPC; // every slot holds a photo whose flush failed
            return nullptr;
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
        staged_.push_back({slot, std::move(photo), identity, patches, ticket});
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
        std::vector<BytePatch> patches;
        std::shared_ptr<PatchTicket> ticket;
    };

    Journal()
    {
        error_ = open();
        journalOpen = true;
    }

    int open()
    {
        const fs::path folder = stateFolder();
        std::error_code ec;
        fs::create_directories(folder, ec);
        if (ec)
            return ec.value();
        recoverInterruptedPatches();
        const UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        const std::string name = "patches-" + std::to_string(::getpid()) + ".journal";
        file_.reset(::openat(dir.get(), name.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (dir.get() < 0 || file_.get() < 0)
            return errno;
        if (::flock(file_.get(), LOCK_EX | LOCK_NB) != 0)
            return errno;
        // Left by a dead process that had our process ID.
        recoverJournalFile(file_.get());
        // Every slot written once now: later records overwrite allocated blocks.
        const std::string zeros(kRecordSlot * kJournalSlots, '\0');
        if (const int err = pwriteFull(file_.get(), zeros.data(), zeros.size(), 0); err != 0)
            return err;
        if (::fsync(file_.get()) != 0 || ::fsync(dir.get()) != 0)
            return errno;
        return 0;
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
    // patched, then made durable with one syncfs per file system (a photo
    // whose file system fails it gets a flush of its own), then their records
    // emptied. A record whose photo could not be flushed stays for recovery.
    void endGroup()
    {
        if (staged_.empty())
            return;
        const int flushError = ::fdatasync(file_.get()) != 0 ? errno : 0;
        if (flushError == 0)
            reached(PatchStep::RecordDurable);
        std::vector<Staged*> patched;
        for (Staged& p : staged_) {
            bool restored = true;
            const int err = flushError != 0 ? flushError : swapBytes(p.photo.get(), p.identity, p.patches, restored);
            if (err == 0) {
                patched.push_back(&p);
                continue;
            }
            // Otherwise the record stays, for recovery at the next start.
            if (restored)
                clearSlot(p.slot);
            p.ticket->finish(err);
        }
        if (!patched.empty())
            reached(PatchStep::PhotoPatched);
        std::vector<dev_t> synced, failed;
        for (const Staged* p : patched) {
            const dev_t dev = p->identity.st_dev;
            if (std::find(synced.begin(), synced.end(), dev) == synced.end() &&
                std::find(failed.begin(), failed.end(), dev) == failed.end())
                (::syncfs(p->photo.get()) == 0 ? synced : failed).push_back(dev);
        }
        for (Staged* p : patched) {
            if (std::find(synced.begin(), synced.end(), p->identity.st_dev) != synced.end() ||
                ::fdatasync(p->photo.get()) == 0)
                clearSlot(p->slot);
            p->ticket->finish(0);
        }
        staged_.clear();
    }

    std::mutex mutex_;
    UniqueFd file_;
    int error_ = 0;
    std::array<bool, kJournalSlots> used_{};
    std::vector<Staged> staged_;
    std::chrono::steady_clock::time_point groupStart_;
};

} // namespace

int openPatchJournal()
{
    return Journal::instance().error();
}

int patchJournaled(int fd, const fs::path& path, const struct stat& identity, const std::vector<BytePatch>& patches)
{
    int error = 0;
    const auto ticket = Journal::instance().stage(fd, path, identity, patches, error);
    if (!ticket)
        return error;
    Journal::instance().sync(false);
    return ticket->error();
}

std::shared_ptr<const PatchTicket> stagePatch(int fd, const fs::path& path, const struct stat& identity,
                                              const std::vector<BytePatch>& patches, int& error)
{
    return Journal::instance().stage(fd, path, identity, patches, error);
}

void syncPatchedPhotos()
{
    if (journalOpen)
        Journal::instance().sync(false);
}

void endOldGroup()
{
    if (journalOpen)
        Journal::instance().sync(true);
}

void setPatchStepHook(void (*hook)(PatchStep step))
{
    stepHook.store(hook);
}

} // namespace velmora
