// SPDX-License-Identifier: GPL-3.0-or-later
// Completing what a killed process or a power cut left in the logs.
#include "files/FileIdentity.h"
#include "writeback/WriteAheadLog.h"
#include "writeback/PatchRecord.h"
#include "files/PosixIo.h"
#include "files/SystemLog.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace velmora {
namespace {

// True when a photo that cannot be opened is provably gone: the nearest
// folder above it that exists is on the file system the record names, so
// that file system is there. Else (a card not inserted: its mount point
// missing, or empty) the photo may come back.
bool isGone(const PatchRecord& r)
{
    for (fs::path folder = fs::path(r.path).parent_path();; folder = folder.parent_path()) {
        struct stat st {};
        if (::stat(folder.c_str(), &st) == 0)
            return st.st_dev == r.dev;
        if ((errno != ENOENT && errno != ENOTDIR) || folder == folder.parent_path())
            return false;
    }
}

// Completes one record left behind, or leaves its photo alone; logs either
// way. False when the photo cannot be reached now: the record stays.
bool complete(const PatchRecord& r)
{
    const auto leaveAlone = [&](const char* why) {
        SystemLog::write("An interrupted date write-back into " + r.path + " was left as it is: " + why);
        return true;
    };
    const auto keep = [&](const std::string& why) {
        SystemLog::write("An interrupted date write-back into " + r.path + " waits for a later start: " + why);
        return false;
    };
    struct stat st {};
    int error = 0;
    const UniqueFd fd = openRegularFile(AT_FDCWD, r.path.c_str(), O_RDWR | O_NOFOLLOW, st, error);
    const bool gone = error == EINVAL || error == ELOOP || error == ENOTDIR || (error == ENOENT && isGone(r));
    if (error != 0 && !gone)
        return keep(errnoText("open", error));
    // Another inode number is another file only where the file system keeps
    // them; a card or a drive put back may get new numbers, so its content
    // decides: the recorded size, and below, our bytes and its time.
    if (error != 0 || st.st_size != r.size || (st.st_ino != r.ino && keepsInodeNumbers(fd.get())))
        return leaveAlone("it is no longer the same file");
    bool allOld = true, allNew = true;
    for (const BytePatch& p : r.patches) {
        std::string now(p.newBytes.size(), '\0');
        if (const int err = preadFull(fd.get(), now.data(), now.size(), p.offset); err != 0)
            return keep(errnoText("read", err));
        for (size_t i = 0; i < now.size(); ++i) {
            if (now[i] != p.oldBytes[i] && now[i] != p.newBytes[i])
                return leaveAlone("its bytes were changed by someone else");
            allOld = allOld && now[i] == p.oldBytes[i];
            allNew = allNew && now[i] == p.newBytes[i];
        }
    }
    // Untouched by us, it has the recorded time, or someone else changed it: not
    // ours to finish. Once a byte is ours, its time is our write's, which no
    // record knows: the bytes decide.
    if (allOld && !allNew && (st.st_mtim.tv_sec != r.mtimeSec || st.st_mtim.tv_nsec != r.mtimeNsec))
        return leaveAlone("it was changed since");
    if (!allNew) {
        for (const BytePatch& p : r.patches)
            if (const int err = pwriteFull(fd.get(), p.newBytes.data(), p.newBytes.size(), p.offset); err != 0)
                return keep(errnoText("write", err));
    }
    if (::fdatasync(fd.get()) != 0)
        return keep(errnoText("flush", errno));
    if (!allNew)
        SystemLog::write("Completed an interrupted date write-back into " + r.path);
    return true;
}

bool isLogName(std::string_view name)
{
    return name.starts_with("patches-") && name.ends_with(".journal");
}

} // namespace

bool recoverLogFile(int fd)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return false;
    std::string slots(std::min<size_t>(kRecordSlot * kLogSlots, static_cast<size_t>(st.st_size)), '\0');
    if (preadFull(fd, slots.data(), slots.size(), 0) != 0)
        return false;
    bool left = false, cleared = false;
    for (size_t at = 0; at < slots.size(); at += kRecordSlot) {
        const std::string_view slot = std::string_view(slots).substr(at, kRecordSlot);
        if (const std::optional<PatchRecord> record = decodeRecord(slot)) {
            const char empty[kSlotMagicSize] = {};
            const bool done = complete(*record) && pwriteFull(fd, empty, sizeof empty, at) == 0;
            left = left || !done;
            cleared = cleared || done;
        }
    }
    return !(cleared && ::fdatasync(fd) != 0) && !left;
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
        if (isLogName(entry->d_name))
            names.emplace_back(entry->d_name);
    ::closedir(listing);
    for (const std::string& name : names) {
        struct stat st {};
        int error = 0;
        const UniqueFd file = openRegularFile(dir.get(), name.c_str(), O_RDWR | O_NOFOLLOW, st, error);
        // A log still locked belongs to a running process.
        if (error != 0 || ::flock(file.get(), LOCK_EX | LOCK_NB) != 0)
            continue;
        if (recoverLogFile(file.get()))
            ::unlinkat(dir.get(), name.c_str(), 0);
    }
}

} // namespace velmora
