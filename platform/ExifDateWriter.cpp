// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ExifDateWriter.h"

#include "platform/DateLocator.h"
#include "platform/Exiv2Access.h"
#include "platform/FileManager.h"
#include "platform/PatchJournal.h"
#include "platform/PosixIo.h"
#include "platform/UniqueFd.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <span>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace velmora {
namespace {

using Status = ExifWriteResult::Status;
using ByteView = std::span<const unsigned char>;

ExifWriteResult fail(Status status, std::string detail)
{
    return {status, std::move(detail)};
}

bool sameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool unchangedSince(const struct stat& now, const struct stat& then)
{
    return sameFile(now, then) && now.st_size == then.st_size && now.st_mtim.tv_sec == then.st_mtim.tv_sec &&
           now.st_mtim.tv_nsec == then.st_mtim.tv_nsec;
}

// ---- Putting the new file in place -----------------------------------------

// Removes a temporary file left by a write-back that was killed. One still
// held (locked) by a running write-back is left alone: EBUSY.
int removeStaleTemp(int dirFd, const std::string& tempName)
{
    struct stat held {};
    struct stat named {};
    int error = 0;
    const UniqueFd stale = openRegularFile(dirFd, tempName.c_str(), O_RDONLY | O_NOFOLLOW, held, error);
    if (error != 0)
        return error == ENOENT ? 0 : EEXIST;
    if (::flock(stale.get(), LOCK_EX | LOCK_NB) != 0)
        return EBUSY;
    if (::fstatat(dirFd, tempName.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 && sameFile(held, named))
        ::unlinkat(dirFd, tempName.c_str(), 0);
    return 0;
}

// A new unnamed file in the folder, or -1 with errno; errno 0 when the file
// system has no unnamed files and a named one must be used instead.
int openUnnamed(int dirFd)
{
    const int fd = ::openat(dirFd, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL))
        errno = 0;
    return fd;
}

int createNamed(int dirFd, const std::string& tempName)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int fd = ::openat(dirFd, tempName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST)
            return fd;
        if (const int err = removeStaleTemp(dirFd, tempName); err != 0) {
            errno = err;
            return -1;
        }
    }
    errno = EEXIST;
    return -1;
}

void copyExtendedAttributes(int from, int to)
{
    // Best effort: ACLs, SELinux labels and user tags follow the photo where
    // the file system and our rights allow it.
    const ssize_t listSize = ::flistxattr(from, nullptr, 0);
    if (listSize <= 0)
        return;
    std::vector<char> names(static_cast<size_t>(listSize));
    const ssize_t got = ::flistxattr(from, names.data(), names.size());
    if (got <= 0)
        return;
    for (size_t at = 0; at < static_cast<size_t>(got);) {
        const char* name = names.data() + at;
        at += std::strlen(name) + 1;
        const ssize_t size = ::fgetxattr(from, name, nullptr, 0);
        if (size < 0)
            continue;
        std::vector<char> value(static_cast<size_t>(size));
        const ssize_t read = ::fgetxattr(from, name, value.data(), value.size());
        if (read >= 0)
            static_cast<void>(::fsetxattr(to, name, value.data(), static_cast<size_t>(read), 0));
    }
}

// Writes `data` into a new file in the folder `dirFd` and renames it over
// `name`. 0 on success, else errno; on failure the photo is untouched and no
// temporary file is left.
int replaceAtomically(int dirFd, const std::string& name, int originalFd, const struct stat& original,
                      const struct stat& entry, ByteView data, bool unnamed)
{
    const std::string tempName = writeBackTempName(name);
    UniqueFd temp(unnamed ? openUnnamed(dirFd) : -1);
    if (temp.get() < 0 && unnamed && errno != 0)
        return errno;
    bool named = false;
    if (temp.get() < 0) {
        temp.reset(createNamed(dirFd, tempName));
        if (temp.get() < 0)
            return errno;
        named = true;
    }
    // Held until the rename is done: a locked temporary file is never taken for a stale one.
    if (::flock(temp.get(), LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        if (named)
            ::unlinkat(dirFd, tempName.c_str(), 0);
        return err;
    }
    auto removeNamed = [&] {
        struct stat ours {};
        struct stat there {};
        if (named && ::fstat(temp.get(), &ours) == 0 &&
            ::fstatat(dirFd, tempName.c_str(), &there, AT_SYMLINK_NOFOLLOW) == 0 && sameFile(ours, there))
            ::unlinkat(dirFd, tempName.c_str(), 0);
    };

    int err = writeFull(temp.get(), data.data(), data.size());
    if (err == 0) {
        // Owner first: a change of owner clears the set-user-ID and set-group-ID bits.
        static_cast<void>(::fchown(temp.get(), ::geteuid() == 0 ? original.st_uid : uid_t(-1), original.st_gid));
        if (::fchmod(temp.get(), original.st_mode & 07777) != 0)
            err = errno;
    }
    if (err == 0) {
        copyExtendedAttributes(originalFd, temp.get());
        if (::fsync(temp.get()) != 0)
            err = errno;
    }
    if (err == 0 && !named) {
        err = linkUnnamed(temp.get(), dirFd, tempName.c_str());
        if (err == EEXIST && (err = removeStaleTemp(dirFd, tempName)) == 0)
            err = linkUnnamed(temp.get(), dirFd, tempName.c_str());
        named = err == 0;
    }
    if (err == 0) {
        // Someone else's change to the photo since we read it is not ours to overwrite.
        struct stat now {};
        if (::fstatat(dirFd, name.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0)
            err = errno;
        else if (!unchangedSince(now, entry))
            err = EAGAIN;
    }
    if (err == 0 && ::renameat(dirFd, tempName.c_str(), dirFd, name.c_str()) != 0)
        err = errno;
    if (err != 0) {
        removeNamed();
        return err;
    }
    temp.reset();
    // The rename itself must survive a power cut too.
    ::fsync(dirFd);
    return 0;
}

} // namespace

namespace {
constexpr std::string_view kTempSuffix = ".velmora-tmp";
}

bool isWriteBackTempName(std::string_view name)
{
    return name.size() > kTempSuffix.size() + 1 && name.front() == '.' && name.ends_with(kTempSuffix);
}

std::string writeBackTempName(const std::string& photoName)
{
    const std::string suffix(kTempSuffix);
    if (photoName.size() + 1 + suffix.size() <= NAME_MAX)
        return "." + photoName + suffix;
    // No room for the decoration: a name derived from a hash of the photo's name (FNV-1a).
    uint64_t hash = 14695981039346656037ull;
    for (const unsigned char c : photoName)
        hash = (hash ^ c) * 1099511628211ull;
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return std::string(".velmora-") + hex + suffix;
}

namespace {

// The patch that writes `date` over the field's value, and over the CRC of the
// PNG chunk that holds it; empty when the value has no room for exactly the
// date (absent, another length) or the chunk's CRC was wrong already.
std::vector<BytePatch> datePatches(int fd, const DateLocation& location, const std::string& date, bool digitized)
{
    const std::optional<DateField>& field = digitized ? location.digitized : location.original;
    if (!field || field->count != date.size() + 1)
        return {};
    BytePatch value{field->offset, std::string(field->count, '\0'), date + '\0'};
    if (preadFull(fd, value.oldBytes.data(), field->count, field->offset) != 0)
        return {};
    std::vector<BytePatch> patches{value};
    if (const auto& chunk = location.checksum) {
        constexpr uint32_t kMaxChunk = 16u << 20;
        std::string bytes(chunk->length, '\0');
        uint8_t stored[4];
        if (chunk->length > kMaxChunk || field->offset < chunk->dataOffset ||
            field->offset + field->count > chunk->dataOffset + chunk->length ||
            preadFull(fd, bytes.data(), bytes.size(), chunk->dataOffset) != 0 ||
            preadFull(fd, stored, 4, chunk->crcOffset) != 0)
            return {};
        const auto bigEndian = [](uint32_t v) {
            return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
        };
        const auto crcOf = [&] { return crc32(0, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()); };
        const std::string old(reinterpret_cast<const char*>(stored), 4);
        if (bigEndian(crcOf()) != old)
            return {};
        bytes.replace(field->offset - chunk->dataOffset, value.newBytes.size(), value.newBytes);
        patches.push_back({chunk->crcOffset, old, bigEndian(crcOf())});
    }
    return patches;
}

enum class InPlace { Done, NotPossible, Failed };

// The date written over the old one, where the photo allows it: a regular
// file with one link whose field has room for exactly the new text.
InPlace writeInPlace(int dirFd, const fs::path& photo, const std::string& name, const std::string& date, bool digitized,
                     ExifWriteResult& result)
{
    if (date.size() != 19 || openPatchJournal() != 0)
        return InPlace::NotPossible;
    struct stat st {};
    int error = 0;
    const UniqueFd file = openRegularFile(dirFd, name.c_str(), O_RDWR | O_NOFOLLOW, st, error);
    if (error != 0 || st.st_nlink != 1)
        return InPlace::NotPossible;
    const std::optional<DateLocation> location = locateDates(file.get(), static_cast<uint64_t>(st.st_size));
    if (!location)
        return InPlace::NotPossible;
    const std::vector<BytePatch> patches = datePatches(file.get(), *location, date, digitized);
    if (patches.empty())
        return InPlace::NotPossible;
    if (patches.front().oldBytes == patches.front().newBytes)
        return InPlace::Done;
    std::error_code ec;
    const fs::path absolute = fs::absolute(photo, ec);
    if (const int err = patchJournaled(file.get(), ec ? photo : absolute, st, patches); err != 0) {
        result = fail(Status::WriteFailed, errnoText("patch", err));
        return InPlace::Failed;
    }
    return InPlace::Done;
}

} // namespace

ExifWriteResult writeExifDateIntoUnnamed(int fd, const std::string& date, bool digitized)
{
    struct stat st {};
    if (statRegularFile(fd, st) != 0)
        return fail(Status::NoImageSource, "not a regular file");
    if (const auto location = locateDates(fd, static_cast<uint64_t>(st.st_size)); location && date.size() == 19) {
        const std::vector<BytePatch> patches = datePatches(fd, *location, date, digitized);
        bool written = !patches.empty();
        for (const BytePatch& p : patches)
            written = written && pwriteFull(fd, p.newBytes.data(), p.newBytes.size(), p.offset) == 0;
        if (written)
            return {Status::Written, {}};
    }
    Exiv2Rebuild rebuilt = exiv2RebuildWithDate(fd, date, digitized);
    if (rebuilt.status != Status::Written)
        return fail(rebuilt.status, std::move(rebuilt.detail));
    int err = ::ftruncate(fd, 0) != 0 || ::lseek(fd, 0, SEEK_SET) != 0 ? errno : 0;
    if (err == 0)
        err = writeFull(fd, rebuilt.bytes.data(), rebuilt.bytes.size());
    if (err != 0)
        return fail(Status::WriteFailed, errnoText("write", err));
    return {Status::Written, {}};
}

ExifWriteResult writeExifDate(const fs::path& photo, const std::string& date, bool digitized,
                              const ExifWriteOptions& options)
{
    // The photo's own directory entry: a symbolic link is replaced by the
    // rewritten photo, and what it points to stays as it is.
    const std::string name = photo.filename().native();
    const fs::path folder = photo.has_parent_path() ? photo.parent_path() : fs::path(".");
    // Everything relative to the folder: a rename of the folder meanwhile cannot misplace the photo.
    const UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0)
        return fail(Status::NoImageSource, errnoText("open folder", errno));
    struct stat entry {};
    if (::fstatat(dir.get(), name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) != 0)
        return fail(Status::NoImageSource, errnoText("stat", errno));
    // A regular file, or a link to one, before any open (opening a device can
    // have effects of its own); checked again on the descriptor after it.
    struct stat target {};
    if (::fstatat(dir.get(), name.c_str(), &target, 0) != 0 || !S_ISREG(target.st_mode))
        return fail(Status::NoImageSource, "not a regular file");

    if (options.patchInPlace) {
        ExifWriteResult result{Status::Written, {}};
        if (writeInPlace(dir.get(), photo, name, date, digitized, result) != InPlace::NotPossible)
            return result;
    }

    struct stat st {};
    int error = 0;
    const UniqueFd file = openRegularFile(dir.get(), name.c_str(), O_RDONLY, st, error);
    if (error != 0)
        return fail(Status::NoImageSource, error == EINVAL ? "not a regular file" : errnoText("open", error));

    Exiv2Rebuild rebuilt = exiv2RebuildWithDate(file.get(), date, digitized);
    if (rebuilt.status != Status::Written)
        return fail(rebuilt.status, std::move(rebuilt.detail));

    if (const int err =
            replaceAtomically(dir.get(), name, file.get(), st, entry, rebuilt.bytes, options.unnamedTempFile);
        err != 0)
        return fail(Status::WriteFailed, errnoText("write", err));
    return {Status::Written, {}};
}

} // namespace velmora
