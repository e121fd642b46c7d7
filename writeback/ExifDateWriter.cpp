// SPDX-License-Identifier: GPL-3.0-or-later
#include "writeback/ExifDateWriter.h"

#include "writeback/AtomicReplace.h"
#include "writeback/DatePatch.h"
#include "exiv2/Exiv2Access.h"
#include "files/PosixIo.h"
#include "files/SystemLog.h"

#include <algorithm>

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

// True while the file open on `fd` is the photo as it was read: a rename
// keeps its size and time everywhere, its inode number only where the file
// system keeps numbers (a FUSE one may number a renamed file anew).
bool isAsRead(int fd, const struct stat& st, const FileIdentity& read)
{
    const FileIdentity now = identityOf(st);
    return now.dev == read.dev && now.size == read.size && now.mtimeNs == read.mtimeNs &&
           (now.ino == read.ino || !keepsInodeNumbers(fd));
}

// The photo opened for writing by every route, relative to its folder.
struct OpenPhoto {
    UniqueFd ownDir;
    int dir = AT_FDCWD;
    std::string name;
    UniqueFd file;
    struct stat st {};
    struct stat entry {}; // the photo's own directory entry
    bool link = false;
    bool logOpen = false;
};

// Opens the photo; a failure's result when it cannot be written.
std::optional<ExifWriteResult> openPhoto(const FileAt& photo, const ExifWriteOptions& options, OpenPhoto& open)
{
    // Everything relative to the folder: a rename of the folder meanwhile
    // cannot misplace the photo. Named by its path, the photo's folder is opened here.
    open.dir = photo.dir;
    open.name = photo.name;
    if (open.dir == AT_FDCWD) {
        const fs::path folder = photo.path.has_parent_path() ? photo.path.parent_path() : fs::path(".");
        open.ownDir.reset(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (open.ownDir.get() < 0)
            return fail(Status::NoImageSource, errnoText("open folder", errno));
        open.dir = open.ownDir.get();
        open.name = photo.path.filename().native();
    }
    const int dir = open.dir;
    const std::string& name = open.name;
    // The log before the photo: opening it completes the write-backs that
    // dead processes left half done, this photo's among them.
    open.logOpen = options.patchInPlace && openWriteAheadLog() == 0;
    // One descriptor for every route, opened for writing: never a way around
    // a permission, so a photo the user may not write is written by no route
    // (the whole-file one would only need the folder).
    struct stat& st = open.st;
    int error = 0;
    open.file = openRegularFile(dir, name.c_str(), O_RDWR | O_NOFOLLOW, st, error);
    open.entry = st;
    open.link = error == ELOOP;
    if (open.link) {
        // A symbolic link is replaced by the rewritten photo, and what it points
        // to stays as it is. Its target must be a regular file before it is
        // opened (opening a device can have effects of its own).
        struct stat target {};
        if (::fstatat(dir, name.c_str(), &open.entry, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISLNK(open.entry.st_mode) ||
            ::fstatat(dir, name.c_str(), &target, 0) != 0 || !S_ISREG(target.st_mode))
            return fail(Status::NoImageSource, "not a regular file");
        open.file = openRegularFile(dir, name.c_str(), O_RDWR, st, error);
    }
    if (isPermissionError(error))
        return fail(Status::WriteFailed, errnoText("open", error));
    if (error != 0)
        return fail(Status::NoImageSource, error == EINVAL ? "not a regular file" : errnoText("open", error));
    if (options.unchangedSince && !isAsRead(open.file.get(), st, *options.unchangedSince))
        return fail(Status::WriteFailed, errnoText("changed since it was read", EAGAIN));
    return std::nullopt;
}

ExifWriteResult placeRebuilt(OpenPhoto& open, Exiv2Rebuild rebuilt, const ExifWriteOptions& options)
{
    if (rebuilt.status != Status::Written)
        return fail(rebuilt.status, std::move(rebuilt.detail));
    if (const int err = replaceAtomically(open.dir, open.name, open.file.get(), open.st, open.entry, rebuilt.bytes,
                                          options.unnamedTempFile);
        err != 0)
        return fail(Status::WriteFailed, errnoText("write", err));
    return {Status::Written, {}};
}

ExifWriteResult inPlaceResult(InPlace done, int err)
{
    return done == InPlace::Done ? ExifWriteResult{Status::Written, {}}
                                 : fail(Status::WriteFailed, errnoText("patch", err));
}

} // namespace

ExifWriteResult writeExifDate(const FileAt& photo, const std::string& date, bool digitized,
                              const ExifWriteOptions& options)
{
    OpenPhoto open;
    if (auto failed = openPhoto(photo, options, open))
        return std::move(*failed);
    if (open.logOpen && !open.link) {
        int err = 0;
        const InPlace done =
            patchDateInPlace(open.file.get(), open.st, photo.path, date, digitized, err, options.staged);
        if (done != InPlace::NotPossible)
            return inPlaceResult(done, err);
    }
    return placeRebuilt(open, exiv2RebuildWithDate(open.file.get(), date, digitized), options);
}

ExifWriteResult writeExifDates(const FileAt& photo, const DateEdit& edit, std::vector<DateChange>& changes,
                               const ExifWriteOptions& options, const DateApproval& approve)
{
    changes.clear();
    OpenPhoto open;
    if (auto failed = openPhoto(photo, options, open))
        return std::move(*failed);
    const int fd = open.file.get();
    // What each field holds: as we read it ourselves, where we can.
    std::optional<DateLocation> location = locateDates(fd, static_cast<uint64_t>(open.st.st_size));
    std::optional<std::string> now[3];
    if (location) {
        for (const DateTag tag : {DateTag::Original, DateTag::Digitized, DateTag::Modified})
            if (const auto& field = location->field(tag))
                now[int(tag)] = field->text;
    } else {
        const CaptureDates dates = exiv2ReadDates(fd);
        now[int(DateTag::Original)] = dates.dateTimeOriginal;
        now[int(DateTag::Digitized)] = dates.dateTimeDigitized;
    }
    if (!location || location->modifiedUnread)
        SystemLog::write("DateTime of " + photo.path.native() + " left as it is: it cannot be read plainly");
    for (const DateTag tag : {DateTag::Original, DateTag::Digitized, DateTag::Modified})
        if (now[int(tag)])
            if (std::optional<std::string> text = edit(tag, *now[int(tag)]); text && *text != *now[int(tag)])
                changes.push_back({tag, *now[int(tag)], std::move(*text)});
    if (changes.empty())
        return {Status::Written, {}};
    if (approve && !approve(changes)) {
        changes.clear();
        return fail(Status::WriteFailed, errnoText("changed since it was written", EAGAIN));
    }
    std::vector<DateWrite> writes;
    for (const DateChange& c : changes)
        writes.push_back({c.tag, c.newText});
    if (open.logOpen && !open.link && location) {
        int err = 0;
        const InPlace done = patchDatesInPlace(fd, open.st, photo.path, *location, writes, err, options.staged);
        if (done != InPlace::NotPossible)
            return inPlaceResult(done, err);
    }
    // One new file with every field: exiv2 is told one capture field first,
    // a changed one, else one that stays.
    auto main =
        std::find_if(writes.begin(), writes.end(), [](const DateWrite& w) { return w.tag != DateTag::Modified; });
    if (main == writes.end()) {
        const DateTag kept = now[int(DateTag::Original)] ? DateTag::Original : DateTag::Digitized;
        if (!now[int(kept)])
            return fail(Status::NoImageDestination, "DateTime alone is not written");
        main = writes.insert(writes.begin(), {kept, *now[int(kept)]});
    }
    std::vector<std::pair<DateTag, std::string>> more;
    for (const DateWrite& w : writes)
        if (&w != &*main)
            more.emplace_back(w.tag, w.text);
    return placeRebuilt(open, exiv2RebuildWithDate(fd, main->text, main->tag == DateTag::Digitized, more), options);
}

} // namespace velmora
