// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/ShotPlacer.h"

#include "engine/FileErrorText.h"
#include "engine/DateText.h"
#include "engine/ShotNaming.h"
#include "engine/XmpSidecar.h"
#include "files/DeviceReach.h"
#include "files/SystemLog.h"
#include "settings/MessageTable.h"
#include "writeback/ExifDateWriter.h"

#include <algorithm>
#include <cerrno>
#include <tuple>

namespace fs = std::filesystem;

namespace velmora {

void ShotPlacer::place(std::vector<ShotItem>& items, const std::string& shiftedCaptureDate,
                       const OptionSnapshot& options, bool targetsGiven)
{
    // A photo alone tries its names in turn, each by being placed there, not
    // looked up first; the files of a larger shot need one number free for
    // all of them before any of them moves.
    const bool alone = items.size() == 1 && !targetsGiven;
    if (!alone && !targetsGiven) {
        std::vector<ShotFile> files;
        for (const ShotItem& item : items)
            files.push_back({item.source, item.companion});
        const std::vector<std::string> targets =
            nameShot(files, shiftedCaptureDate, options, [&](const std::string& name, size_t i) {
                return manager_.fileExists(name) && !manager_.isSameFile(items[i].source, name);
            });
        for (size_t i = 0; i < items.size(); ++i)
            items[i].target = targets[i];
    }
    for (ShotItem& item : items)
        if (!item.companion)
            placeMember(item, alone, shiftedCaptureDate, options);
    const bool anyPlaced = std::any_of(items.begin(), items.end(), [](const ShotItem& i) { return i.placed; });
    const bool anyWritten = std::any_of(items.begin(), items.end(), [](const ShotItem& i) { return i.datesWritten; });
    for (ShotItem& item : items)
        if (item.companion && (item.owner ? items[*item.owner].placed : anyPlaced))
            placeCompanion(item, options, item.owner ? items[*item.owner].datesWritten : anyWritten);
}

std::optional<FileError> ShotPlacer::transfer(const fs::path& source, const std::string& target, bool copy,
                                              std::optional<FileIdentity>* made)
{
    const FileAt from = folders_.at(source);
    const FileAt to = folders_.at(target);
    return copy ? manager_.copyItem(from, to, made) : manager_.moveItem(from, to, made);
}

std::optional<FileError> ShotPlacer::transferMember(ShotItem& item, bool alone, const std::string& shiftedCaptureDate,
                                                    const OptionSnapshot& options, std::optional<FileIdentity>* made)
{
    std::vector<std::string> held; // names tried and found taken by another file
    const std::vector<ShotFile> files{{item.source}};
    for (;;) {
        if (alone)
            item.target = nameShot(files, shiftedCaptureDate, options, [&](const std::string& name, size_t) {
                return std::find(held.begin(), held.end(), name) != held.end();
            }).front();
        if (item.target == item.source.native())
            return std::nullopt; // it has its name already
        auto error = transfer(item.source, item.target, options.copy, made);
        if (!alone || !error || error->code != FileError::kAlreadyExists ||
            manager_.isSameFile(item.source, item.target))
            return error;
        held.push_back(item.target);
    }
}

// A failure because the file system of the photo or its target is gone, not the photo's own.
bool ShotPlacer::fileSystemGone(const std::optional<FileError>& error, const ShotItem& item)
{
    return error && isGoneDeviceError(error->code) &&
           (reports_.gone().check(item.source) || reports_.gone().check(fs::path(item.target).parent_path()));
}

void ShotPlacer::placeMember(ShotItem& item, bool alone, const std::string& shiftedCaptureDate,
                             const OptionSnapshot& options)
{
    const bool copy = options.copy;
    std::optional<FileIdentity> made;
    const auto error = transferMember(item, alone, shiftedCaptureDate, options, &made);
    if (fileSystemGone(error, item)) {
        reports_.reportUnreachable(item.source, &*error);
        return;
    }
    const bool sameAsSource = item.target == item.source.native() ||
                              (error && error->code == FileError::kAlreadyExists &&
                               manager_.isSameFile(item.source, item.target));
    if (error && error->code == ENOENT && !manager_.fileExists(item.source)) {
        // Gone since it was read (another batch over the same folder took
        // it): the same case as a path that is gone from the start.
        reports_.reportNotFound(item.source);
        return;
    }
    if (error && error->code != FileError::kAlreadyExists)
        reports_.reportFailure(*error);
    // Companions follow a photo that was placed, or that already has its name.
    item.placed = !error || sameAsSource;
    PhotoOutcome outcome;
    outcome.kind = item.placed ? PhotoOutcome::Kind::Placed : PhotoOutcome::Kind::Failed;
    outcome.source = item.source;
    if (item.placed)
        outcome.target = sameAsSource ? item.source : fs::path(item.target);
    else
        outcome.error = userText(*error);
    outcome.copied = copy && !sameAsSource;
    outcome.sourceIdentity = item.identity;
    outcome.dateField = item.digitized ? "DateTimeDigitized" : "DateTimeOriginal";

    std::shared_ptr<const PatchTicket> ticket;
    if (options.writeBack() && item.video) {
        SystemLog::write("Date not written into " + item.source.native() + ": a video is renamed only");
    } else if (options.writeBack()) {
        // Into the field the name came from: a field the photo lacks is not made up.
        const bool digitized = item.digitized;
        // Only into the photo itself, as it was read (or copied): the placed
        // file, or the source when it already has its name. Never into
        // whatever else sits at the target, nor into a photo changed since.
        const std::optional<FileIdentity>& expected = made ? made : item.identity;
        const FileIdentity* unchangedSince = expected ? &*expected : nullptr;
        bool written = false;
        std::vector<DateChange> changes;
        if (!error || sameAsSource) {
            const FileAt photo = folders_.at(!error ? item.target : item.source.native());
            written = options.stored.shiftAllDates
                          ? writeDatesBack(options, photo, unchangedSince, &ticket, changes)
                          : writeDateBack(shiftedCaptureDate, photo, digitized, unchangedSince, &ticket);
        }
        item.datesWritten = written;
        if (written && options.stored.shiftAllDates) {
            outcome.digitized = digitized;
            const DateTag chosen = digitized ? DateTag::Digitized : DateTag::Original;
            for (const DateChange& c : changes)
                if (c.tag == chosen)
                    std::tie(outcome.oldDate, outcome.newDate) = std::tie(c.oldText, c.newText);
                else
                    outcome.moreDates.push_back({dateTagName(c.tag), c.oldText, c.newText});
        } else if (written) {
            outcome.digitized = digitized;
            outcome.oldDate = item.oldDate;
            outcome.newDate = shiftedCaptureDate;
        } else {
            reports_.raiseLatchedAlert(message::kWriteFailed);
            outcome.error = MessageTable::text(message::kWriteFailed);
        }
    }
    reports_.deliver(std::move(outcome), std::move(ticket));
}

void ShotPlacer::placeCompanion(const ShotItem& item, const OptionSnapshot& options, bool datesWritten)
{
    const bool shift = datesWritten && options.stored.shiftAllDates && isXmpSidecar(item.source.filename().native());
    if (item.target == item.source.native()) {
        // Left at its name: recorded only where its dates moved, for an undo to take them back.
        PhotoOutcome outcome;
        outcome.source = outcome.target = item.source;
        if (shift)
            shiftSidecar(item, options, outcome);
        if (!outcome.moreDates.empty() || !outcome.error.empty())
            reports_.deliver(outcome);
        return;
    }
    const bool copy = options.copy;
    const auto error = transfer(item.source, item.target, copy);
    if (error && error->code == ENOENT && !manager_.fileExists(item.source))
        return;
    if (error && error->code == FileError::kAlreadyExists && manager_.isSameFile(item.source, item.target))
        return; // its own name in another letter case
    if (fileSystemGone(error, item)) {
        reports_.reportUnreachable(item.source, &*error);
        return;
    }
    // Journaled like a photo of its own, so that an undo takes it back too.
    PhotoOutcome outcome;
    outcome.kind = error ? PhotoOutcome::Kind::Failed : PhotoOutcome::Kind::Placed;
    outcome.source = item.source;
    if (error)
        outcome.error = userText(*error);
    else
        outcome.target = item.target;
    outcome.copied = copy;
    if (shift && !error)
        shiftSidecar(item, options, outcome);
    reports_.deliver(outcome);
    // Left behind under its old name, it is cut off from its photo: the user must know.
    if (error)
        reports_.reportFailure(*error);
}

void ShotPlacer::shiftSidecar(const ShotItem& item, const OptionSnapshot& options, PhotoOutcome& outcome)
{
    const long long seconds = options.shiftHours() * 3600 + options.stored.clockOffsetSeconds;
    const FileAt sidecar = folders_.at(outcome.target);
    std::vector<SidecarDate> changes;
    const bool written = editSidecarDates(
        sidecar,
        [&](const std::string& property, const std::string& value) {
            std::optional<std::string> moved = shiftXmpDate(value, seconds);
            if (!moved)
                SystemLog::write(property + " of " + item.source.native() + " left as it is: \"" + value +
                                 "\" is no date");
            return moved;
        },
        changes);
    for (const SidecarDate& c : changes)
        outcome.moreDates.push_back({c.property, c.oldText, c.newText});
    if (!written) {
        reports_.raiseLatchedAlert(message::kWriteFailed);
        outcome.error = MessageTable::text(message::kWriteFailed);
    }
}

namespace {

bool logged(const ExifWriteResult& result, const fs::path& path)
{
    using Status = ExifWriteResult::Status;
    switch (result.status) {
    case Status::Written:
        return true;
    case Status::NoImageSource:
        SystemLog::write("***Could not create image source ***");
        break;
    case Status::NoImageDestination:
        SystemLog::write("***Could not create image destination ***");
        break;
    case Status::EncodeFailed:
        SystemLog::write("***Could not create data from image destination ***");
        break;
    case Status::WriteFailed:
        SystemLog::write("***Could not write the image file " + path.native() + ": " + result.detail + " ***");
        return false;
    }
    SystemLog::write("Date not written into " + path.native() + ": " + result.detail);
    return false;
}

ExifWriteOptions writeOptions(const FileIdentity* unchangedSince, std::shared_ptr<const PatchTicket>* staged)
{
    ExifWriteOptions options;
    options.staged = staged;
    options.unchangedSince = unchangedSince;
    return options;
}

} // namespace

bool writeDateBack(const std::string& date, const FileAt& photo, bool digitized, const FileIdentity* unchangedSince,
                   std::shared_ptr<const PatchTicket>* staged)
{
    return logged(writeExifDate(photo, date, digitized, writeOptions(unchangedSince, staged)), photo.path);
}

bool writeDatesBack(const OptionSnapshot& options, const FileAt& photo, const FileIdentity* unchangedSince,
                    std::shared_ptr<const PatchTicket>* staged, std::vector<DateChange>& changes)
{
    const DateEdit edit = [&](DateTag tag, const std::string& old) {
        std::optional<std::string> moved =
            shiftCaptureDate(old, options.shiftHours(), options.stored.clockOffsetSeconds);
        if (!moved)
            SystemLog::write(std::string(dateTagName(tag)) + " of " + photo.path.native() + " left as it is: \"" + old +
                             "\" is no date");
        return moved;
    };
    return logged(writeExifDates(photo, edit, changes, writeOptions(unchangedSince, staged)), photo.path);
}

} // namespace velmora
