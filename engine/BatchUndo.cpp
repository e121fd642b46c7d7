// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/BatchUndo.h"

#include "history/BatchHistory.h"
#include "writeback/ExifDateWriter.h"
#include "files/FileManager.h"
#include "engine/DateReader.h"
#include "engine/XmpSidecar.h"
#include "writeback/WriteAheadLog.h"
#include "files/SystemLog.h"
#include "history/UndoWriter.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace fs = std::filesystem;

namespace velmora {
namespace {

// Every field a shift of all dates wrote, back to its old text: the photo's
// in one write, a sidecar's in one rename. Only where each field written still
// holds its new text (or its old one already); nothing otherwise.
const char* restoreAllDates(const PhotoOutcome& o, const fs::path& path)
{
    std::vector<PhotoOutcome::MoreDate> fields = o.moreDates;
    if (!o.newDate.empty())
        fields.push_back({o.digitized ? "DateTimeDigitized" : "DateTimeOriginal", o.oldDate, o.newDate});
    bool changed = false;
    const auto back = [&](const std::string& field, const std::string& now) -> std::optional<std::string> {
        for (const PhotoOutcome::MoreDate& d : fields)
            if (d.field == field && (now == d.newText || now == d.oldText))
                return d.oldText;
        changed = changed || std::any_of(fields.begin(), fields.end(), [&](const auto& d) { return d.field == field; });
        return std::nullopt;
    };
    bool done = false;
    if (o.moreDates.front().field.find(':') != std::string::npos) {
        std::vector<SidecarDate> written;
        // Looked at first: a sidecar changed since is left as it is.
        const SidecarEdit look = [&](const std::string& p, const std::string& v) -> std::optional<std::string> {
            back(p, v);
            return std::nullopt;
        };
        editSidecarDates(path, look, written);
        done = !changed && editSidecarDates(path, back, written);
    } else {
        std::vector<DateChange> written;
        const auto result = writeExifDates(
            path, [&](DateTag tag, const std::string& now) { return back(dateTagName(tag), now); }, written, {},
            [&](const std::vector<DateChange>&) { return !changed; });
        done = result.status == ExifWriteResult::Status::Written;
        if (!done && !changed)
            SystemLog::write("*** The old dates could not be written back into " + path.native() + ": " +
                             result.detail + " ***");
    }
    if (changed)
        return undo_reason::kChanged;
    return done ? nullptr : undo_reason::kDateNotRestored;
}

// Puts the old date back into the photo at `path`. Nothing to do when the batch
// wrote none or it is back already (an undo cut short after this step).
const char* restoreDate(const PhotoOutcome& o, const fs::path& path)
{
    if (!o.moreDates.empty())
        return restoreAllDates(o, path);
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
        if (o.kind != PhotoOutcome::Kind::Placed || (o.target == o.source && o.newDate.empty() && o.moreDates.empty()))
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
