// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/BatchUndo.h"

#include "history/BatchHistory.h"
#include "writeback/ExifDateWriter.h"
#include "files/FileManager.h"
#include "engine/DateReader.h"
#include "writeback/WriteAheadLog.h"
#include "files/SystemLog.h"
#include "history/UndoWriter.h"

#include <cerrno>
#include <cstdio>

namespace fs = std::filesystem;

namespace velmora {
namespace {

// Puts the old date back into the photo at `path`. Nothing to do when the batch
// wrote none or it is back already (an undo cut short after this step).
const char* restoreDate(const PhotoOutcome& o, const fs::path& path)
{
    if (o.newDate.empty())
        return nullptr;
    const CaptureDates dates = readCaptureDates(path);
    const std::optional<std::string>& now = o.digitized ? dates.dateTimeDigitized : dates.dateTimeOriginal;
    if (now == o.oldDate)
        return nullptr;
    if (now != o.newDate)
        return undo_reason::kChanged;
    const ExifWriteResult result = writeExifDate(path, o.oldDate, o.digitized);
    if (result.status == ExifWriteResult::Status::Written)
        return nullptr;
    SystemLog::write("*** The old date could not be written back into " + path.native() + ": " + result.detail +
                     " ***");
    return undo_reason::kDateNotRestored;
}

// The photo at `path` holds the old date already: an undo cut short after that step.
bool holdsOldDate(const PhotoOutcome& o, const fs::path& path)
{
    const CaptureDates dates = readCaptureDates(path);
    return (o.digitized ? dates.dateTimeDigitized : dates.dateTimeOriginal) == o.oldDate;
}

// The photo at `path` is the one the batch left (then its date goes back),
// or the same file with its old date back already; anything else is changed.
const char* restoreAt(const PhotoOutcome& o, const fs::path& path, const FileIdentity& then)
{
    const auto now = matchFileAt(path, then);
    if (now && now->unchanged)
        return restoreDate(o, path);
    if (!o.newDate.empty() && now && now->same && holdsOldDate(o, path))
        return nullptr;
    return undo_reason::kChanged;
}

// Takes one placed photo back; nullptr when done, else why not.
const char* undoPhoto(const RecordedPhoto& photo, const FileManager& manager)
{
    const PhotoOutcome& o = photo.outcome;
    if (!photo.placed)
        return undo_reason::kChanged;
    const FileIdentity& then = *photo.placed;
    const auto atTarget = matchFileAt(o.target, then);
    const bool ours = atTarget && atTarget->unchanged;

    if (o.target == o.source) // left at its name, only the date written
        return restoreAt(o, o.source, then);

    if (o.copied) {
        if (!atTarget)
            return manager.fileExists(o.target) ? undo_reason::kChanged : nullptr; // removed already
        if (!ours)
            return undo_reason::kChanged;
        // The copy may be the only one left: it goes only while its original is there.
        if (!fileIdentity(o.source))
            return undo_reason::kOriginalGone;
        if (std::remove(o.target.c_str()) != 0) {
            SystemLog::write("*** The copy " + o.target.native() + " cannot be removed ***");
            return undo_reason::kMoveFailed;
        }
        return nullptr;
    }

    if (ours) {
        if (manager.fileExists(o.source))
            return undo_reason::kOldNameTaken;
        if (const auto error = manager.moveItem(o.target, o.source)) {
            if (error->code == FileError::kAlreadyExists)
                return undo_reason::kOldNameTaken;
            SystemLog::write("Error!! " + error->description);
            return undo_reason::kMoveFailed;
        }
        return restoreDate(o, o.source);
    }
    // Moved back already by an undo cut short: the file at the old name is ours.
    if (!atTarget && !manager.fileExists(o.target))
        return restoreAt(o, o.source, then);
    return undo_reason::kChanged;
}

} // namespace

UndoResult undoBatch(const std::string& batchId, const std::function<void(double)>& progress, std::stop_token stop)
{
    UndoResult result;
    const std::vector<RecordedPhoto> photos = readBatch(batchId);
    const std::vector<std::optional<UndoRecord>> before = readUndo(batchId, photos.size());
    const auto undoRecord = UndoWriter::begin(batchId);
    if (!undoRecord) {
        result.recorded = false;
        return result;
    }
    const FileManager manager;
    const size_t n = photos.size();
    for (size_t done = 0; done < n && !stop.stop_requested(); ++done) {
        const size_t i = n - 1 - done; // the last first: a name freed late in the batch is taken back first
        const PhotoOutcome& o = photos[i].outcome;
        if (o.kind != PhotoOutcome::Kind::Placed || (o.target == o.source && o.newDate.empty()))
            continue;
        if (before[i] && before[i]->undone) {
            ++result.undone;
            continue;
        }
        const char* reason = undoPhoto(photos[i], manager);
        undoRecord->record(i, reason == nullptr, reason ? reason : "");
        ++(reason ? result.kept : result.undone);
        if (progress)
            progress(static_cast<double>(100 * (done + 1) / n));
    }
    // The dates put back in place are on disk before the undo says it is done.
    syncPatchedPhotos();
    if (!stop.stop_requested())
        undoRecord->finish();
    result.recorded = undoRecord->writeError() == 0;
    return result;
}

} // namespace velmora
