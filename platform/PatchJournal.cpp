// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PatchJournal.h"

#include "platform/DateLocator.h"
#include "platform/PosixIo.h"
#include "platform/SystemLog.h"
#include "platform/UniqueFd.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <pwd.h>
#include <sys/file.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace velmora {
namespace {

// One slot per process, overwritten in place: its size never changes, so
// making a record durable is a data flush, not a metadata one.
constexpr size_t kSlot = 8192;
constexpr char kMagic[8] = {'V', 'L', 'M', 'P', 'A', 'T', 'C', 'H'};
constexpr size_t kHeader = sizeof kMagic + 8; // magic, payload length, CRC-32

std::atomic<void (*)(PatchStep)> stepHook{nullptr};

void reached(PatchStep step)
{
    if (auto hook = stepHook.load())
        hook(step);
}

struct Record {
    std::string path;
    uint64_t dev = 0, ino = 0;
    int64_t size = 0, mtimeSec = 0, mtimeNsec = 0;
    std::vector<BytePatch> patches;
};

template <typename T> void put(std::string& out, T value)
{
    out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

template <typename T> bool take(const std::string& in, size_t& at, T& value)
{
    if (in.size() - at < sizeof value)
        return false;
    std::memcpy(&value, in.data() + at, sizeof value);
    at += sizeof value;
    return true;
}

bool takeBytes(const std::string& in, size_t& at, uint32_t size, std::string& out)
{
    if (in.size() - at < size)
        return false;
    out.assign(in, at, size);
    at += size;
    return true;
}

// The slot's bytes for `record`: header, then the payload.
std::string encode(const Record& r)
{
    std::string payload;
    for (const uint64_t v : {r.dev, r.ino})
        put(payload, v);
    for (const int64_t v : {r.size, r.mtimeSec, r.mtimeNsec})
        put(payload, v);
    put(payload, static_cast<uint32_t>(r.path.size()));
    payload += r.path;
    put(payload, static_cast<uint32_t>(r.patches.size()));
    for (const BytePatch& p : r.patches) {
        put(payload, p.offset);
        put(payload, static_cast<uint32_t>(p.newBytes.size()));
        payload += p.oldBytes;
        payload += p.newBytes;
    }
    std::string slot(kMagic, sizeof kMagic);
    put(slot, static_cast<uint32_t>(payload.size()));
    put(slot, crc32(0, reinterpret_cast<const uint8_t*>(payload.data()), payload.size()));
    return slot + payload;
}

// A record from a slot; nullopt for a cleared slot or one whose writing was cut short.
std::optional<Record> decode(const std::string& slot)
{
    uint32_t length = 0, crc = 0;
    size_t at = sizeof kMagic;
    if (slot.size() < kHeader || std::memcmp(slot.data(), kMagic, sizeof kMagic) != 0 || !take(slot, at, length) ||
        !take(slot, at, crc) || length > slot.size() - kHeader)
        return std::nullopt;
    const std::string payload = slot.substr(kHeader, length);
    if (crc32(0, reinterpret_cast<const uint8_t*>(payload.data()), payload.size()) != crc)
        return std::nullopt;
    Record r;
    uint32_t pathSize = 0, count = 0;
    at = 0;
    if (!take(payload, at, r.dev) || !take(payload, at, r.ino) || !take(payload, at, r.size) ||
        !take(payload, at, r.mtimeSec) || !take(payload, at, r.mtimeNsec) || !take(payload, at, pathSize) ||
        !takeBytes(payload, at, pathSize, r.path) || !take(payload, at, count))
        return std::nullopt;
    for (uint32_t i = 0; i < count; ++i) {
        BytePatch p;
        uint32_t size = 0;
        if (!take(payload, at, p.offset) || !take(payload, at, size) || !takeBytes(payload, at, size, p.oldBytes) ||
            !takeBytes(payload, at, size, p.newBytes))
            return std::nullopt;
        r.patches.push_back(std::move(p));
    }
    return r;
}

// Completes one record left behind, or leaves its photo alone; logs either way.
void complete(const Record& r)
{
    const auto leaveAlone = [&](const char* why) {
        SystemLog::write("An interrupted date write-back into " + r.path + " was left as it is: " + why);
    };
    struct stat st {};
    int error = 0;
    const UniqueFd fd = openRegularFile(AT_FDCWD, r.path.c_str(), O_RDWR | O_NOFOLLOW, st, error);
    if (error != 0 && error != EINVAL)
        return leaveAlone("the photo cannot be opened");
    if (error != 0 || st.st_dev != r.dev || st.st_ino != r.ino || st.st_size != r.size)
        return leaveAlone("it is no longer the same file");
    bool allOld = true, allNew = true;
    for (const BytePatch& p : r.patches) {
        std::string now(p.newBytes.size(), '\0');
        if (preadFull(fd.get(), now.data(), now.size(), p.offset) != 0)
            return leaveAlone("the photo cannot be read");
        for (size_t i = 0; i < now.size(); ++i) {
            if (now[i] != p.oldBytes[i] && now[i] != p.newBytes[i])
                return leaveAlone("its bytes were changed by someone else");
            allOld = allOld && now[i] == p.oldBytes[i];
            allNew = allNew && now[i] == p.newBytes[i];
        }
    }
    // Untouched by us, yet modified since the record: not ours to finish.
    if (allOld && !allNew && (st.st_mtim.tv_sec != r.mtimeSec || st.st_mtim.tv_nsec != r.mtimeNsec))
        return leaveAlone("it was changed since");
    if (!allNew) {
        for (const BytePatch& p : r.patches)
            if (pwriteFull(fd.get(), p.newBytes.data(), p.newBytes.size(), p.offset) != 0)
                return leaveAlone("the photo cannot be written");
    }
    if (::fdatasync(fd.get()) != 0)
        return leaveAlone("the photo cannot be synced");
    if (!allNew)
        SystemLog::write("Completed an interrupted date write-back into " + r.path);
}

// Completes the record in an open journal file and clears it.
void recoverSlot(int fd)
{
    std::string slot(kSlot, '\0');
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return;
    slot.resize(std::min<size_t>(kSlot, static_cast<size_t>(st.st_size)));
    if (preadFull(fd, slot.data(), slot.size(), 0) != 0)
        return;
    if (const std::optional<Record> record = decode(slot)) {
        complete(*record);
        const char zeros[sizeof kMagic] = {};
        if (pwriteFull(fd, zeros, sizeof zeros, 0) == 0)
            ::fdatasync(fd);
    }
}

bool isJournalName(const char* name)
{
    const std::string_view n(name);
    return n.starts_with("patches-") && n.ends_with(".journal");
}

// This process's journal: opened, and the records of dead processes
// completed, at the first patch.
class Journal {
public:
    static Journal& instance()
    {
        static Journal journal;
        return journal;
    }

    int patch(int fd, const fs::path& path, const struct stat& identity, const std::vector<BytePatch>& patches)
    {
        const std::lock_guard lock(mutex_);
        if (error_ != 0)
            return error_;
        Record record{path.native(),           identity.st_dev,          identity.st_ino, identity.st_size,
                      identity.st_mtim.tv_sec, identity.st_mtim.tv_nsec, patches};
        const std::string slot = encode(record);
        if (slot.size() > kSlot)
            return ENAMETOOLONG;
        if (const int err = pwriteFull(file_.get(), slot.data(), slot.size(), 0); err != 0)
            return err;
        if (::fdatasync(file_.get()) != 0)
            return errno;
        reached(PatchStep::RecordDurable);

        // Compare and swap: the same file, still holding the bytes that were read.
        int err = 0;
        struct stat now {};
        if (::fstat(fd, &now) != 0)
            err = errno;
        else if (now.st_dev != identity.st_dev || now.st_ino != identity.st_ino || now.st_size != identity.st_size ||
                 now.st_mtim.tv_sec != identity.st_mtim.tv_sec || now.st_mtim.tv_nsec != identity.st_mtim.tv_nsec)
            err = EAGAIN;
        for (size_t i = 0; err == 0 && i < patches.size(); ++i) {
            std::string bytes(patches[i].oldBytes.size(), '\0');
            err = preadFull(fd, bytes.data(), bytes.size(), patches[i].offset);
            if (err == 0 && bytes != patches[i].oldBytes)
                err = EAGAIN;
        }
        for (size_t i = 0; err == 0 && i < patches.size(); ++i) {
            err = pwriteFull(fd, patches[i].newBytes.data(), patches[i].newBytes.size(), patches[i].offset);
            // Back to the old bytes where we can; otherwise the record stays, for recovery.
            if (err != 0)
                for (size_t j = 0; j <= i; ++j)
                    if (pwriteFull(fd, patches[j].oldBytes.data(), patches[j].oldBytes.size(), patches[j].offset) != 0)
                        return err;
        }
        if (err == 0) {
            reached(PatchStep::PhotoPatched);
            if (::fdatasync(fd) != 0)
                return errno; // whether the new bytes are on disk is unknown: recovery settles it
        }
        if (err == 0)
            reached(PatchStep::PhotoSynced);
        // Cleared without a flush: a record that outlives a power cut finds
        // its photo already patched and is dropped.
        const char zeros[sizeof kMagic] = {};
        static_cast<void>(pwriteFull(file_.get(), zeros, sizeof zeros, 0));
        return err;
    }

    int error() const { return error_; }

private:
    Journal() { error_ = open(); }

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
        recoverSlot(file_.get());
        const std::string zeros(kSlot, '\0');
        if (const int err = pwriteFull(file_.get(), zeros.data(), zeros.size(), 0); err != 0)
            return err;
        if (::fsync(file_.get()) != 0 || ::fsync(dir.get()) != 0)
            return errno;
        return 0;
    }

    std::mutex mutex_;
    UniqueFd file_;
    int error_ = 0;
};

} // namespace

fs::path stateFolder()
{
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && state[0] == '/')
        return fs::path(state) / "Velmora";
    const char* home = std::getenv("HOME");
    if (!home || home[0] != '/') {
        const struct passwd* pw = ::getpwuid(::getuid());
        home = pw ? pw->pw_dir : "/tmp";
    }
    return fs::path(home) / ".local/state/Velmora";
}

int openPatchJournal()
{
    return Journal::instance().error();
}

int patchJournaled(int fd, const fs::path& path, const struct stat& identity, const std::vector<BytePatch>& patches)
{
    return Journal::instance().patch(fd, path, identity, patches);
}

void recoverInterruptedPatches()
{
    const UniqueFd dir(::open(stateFolder().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0)
        return;
    DIR* listing = ::fdopendir(::dup(dir.get()));
    if (!listing)
        return;
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(listing))
        if (isJournalName(entry->d_name))
            names.emplace_back(entry->d_name);
    ::closedir(listing);
    for (const std::string& name : names) {
        const UniqueFd file(::openat(dir.get(), name.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        // A journal still locked belongs to a running process.
        if (file.get() < 0 || ::flock(file.get(), LOCK_EX | LOCK_NB) != 0)
            continue;
        recoverSlot(file.get());
        ::unlinkat(dir.get(), name.c_str(), 0);
    }
}

void setPatchStepHook(void (*hook)(PatchStep step))
{
    stepHook.store(hook);
}

} // namespace velmora
