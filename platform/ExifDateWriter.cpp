// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ExifDateWriter.h"

#include "platform/AtomicReplace.h"
#include "platform/DatePatch.h"
#include "platform/Exiv2Access.h"
#include "platform/PosixIo.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace velmora {
namespace {

using Status = ExifWriteResult::Status;

ExifWriteResult fail(Status status, std::string detail)
{
    return {status, std::move(detail)};
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
        int err = 0;
        switch (patchDateInPlace(dir.get(), photo, name, date, digitized, err)) {
        case InPlace::Done:
            return {Status::Written, {}};
        case InPlace::Failed:
            return fail(Status::WriteFailed, errnoText("patch", err));
        case InPlace::NotPossible:
            break;
        }
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
