// SPDX-License-Identifier: GPL-3.0-or-later
#include "writeback/ExifDateWriter.h"

#include "writeback/AtomicReplace.h"
#include "writeback/DatePatch.h"
#include "exiv2/Exiv2Access.h"
#include "files/PosixIo.h"

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

bool isPermissionError(int error)
{
    return error == EACCES || error == EPERM || error == EROFS;
}

} // namespace

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

    // Never a way around a permission: a photo the user may not write is
    // written by no route (the whole-file one would only need the folder).
    int error = 0;
    struct stat st {};
    if (openRegularFile(dir.get(), name.c_str(), O_RDWR, st, error); isPermissionError(error))
        return fail(Status::WriteFailed, errnoText("open", error));

    if (options.patchInPlace) {
        int err = 0;
        switch (patchDateInPlace(dir.get(), photo, name, date, digitized, err, options.staged)) {
        case InPlace::Done:
            return {Status::Written, {}};
        case InPlace::Failed:
            return fail(Status::WriteFailed, errnoText("patch", err));
        case InPlace::NotPossible:
            break;
        }
    }

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
