// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/PhotoEngine.h"

#include "engine/FileErrorText.h"
#include "engine/DateText.h"
#include "engine/ShotNaming.h"
#include "files/DeviceReach.h"
#include "writeback/ExifDateWriter.h"
#include "settings/MessageTable.h"
#include "engine/DateReader.h"
#include "writeback/WriteAheadLog.h"
#include "files/PosixIo.h"
#include "files/SystemLog.h"

#include <algorithm>
#include <cerrno>

namespace fs = std::filesystem;

namespace velmora {

PhotoEngine::PhotoEngine(const LiveOptions& options, std::atomic<bool>& alertLatch, EngineHost& host)
    : options_(options), alertLatch_(alertLatch), host_(host), outcomes_([this] { raiseLatchedAlert(message::kWriteFailed); })
{
}

void PhotoEngine::raiseLatchedAlert(const char* key)
{
    // One missing-date or image-save alert per batch: the first to claim the latch shows it.
    if (!alertLatch_.exchange(true))
        host_.showAlert({MessageTable::text(key), MessageTable::text(message::kOk)});
}

void PhotoEngine::report(PhotoOutcome::Kind kind, const fs::path& source, std::string error)
{
    PhotoOutcome outcome;
    outcome.kind = kind;
    outcome.source = source;
    outcome.error = std::move(error);
    outcomes_.deliver(std::move(outcome));
}

void PhotoEngine::finishBatch()
{
    outcomes_.drain(true);
}

void PhotoEngine::reportNotFound(const fs::path& path)
{
    SystemLog::write("*** File " + path.native() + " not found! ***");
    report(PhotoOutcome::Kind::NotFound, path);
}

void PhotoEngine::reportUnreachable(const fs::path& path, const FileError* error)
{
    PhotoOutcome outcome;
    outcome.kind = PhotoOutcome::Kind::Failed;
    outcome.source = path;
    outcome.unreachable = true;
    if (error) {
        SystemLog::write("Error!! " + error->description);
        outcome.error = userText(*error);
    } else {
        const int code = gone_.codeFor(path);
        outcome.error = code ? errnoText("Not reached", code) : "Not reached";
    }
    outcomes_.deliver(std::move(outcome));
    // The rest of the batch ends in one summary; an alert for the first failure of each kind.
    if (error && goneAlerted_.insert(error->code).second)
        host_.showAlert({userText(*error), MessageTable::text(message::kOk)});
}

void PhotoEngine::reportFailure(const FileError& error)
{
    SystemLog::write("Error!! " + error.description);
    host_.showAlert({userText(error), MessageTable::text(message::kOk)});
}

std::optional<FileError> PhotoEngine::transfer(const fs::path& source, const fs::path& target, bool copy) const
{
    return copy ? manager_.copyItem(source, target) : manager_.moveItem(source, target);
}

// One file of a shot and where it goes.
struct PhotoEngine::Item {
    explicit Item(fs::path path, bool isCompanion = false, std::optional<size_t> photo = std::nullopt)
        : source(std::move(path)), companion(isCompanion), owner(photo)
    {
    }
    fs::path source;
    bool companion = false;
    // A companion's photo among the shot's items; none: it follows when any member is placed.
    std::optional<size_t> owner;
    std::string target;
    std::string oldDate; // a member's date field before the shift
    // A member as it was read: the identity a move keeps.
    std::optional<FileIdentity> identity;
    bool placed = false;
};

void PhotoEngine::processFile(const fs::path& path)
{
    processSet({{path}, {}});
    finishBatch();
}

std::optional<std::string> PhotoEngine::shiftedCaptureDate(const fs::path& path, const OptionSnapshot& options,
                                                           std::string& original, std::optional<FileIdentity>& identity)
{
    // Not there, or its file system gone (a look only when it is not there).
    auto absent = [&] {
        if (manager_.fileExists(path))
            return false;
        gone_.check(path) ? reportUnreachable(path) : reportNotFound(path);
        return true;
    };
    if (absent())
        return std::nullopt;
    // The capture date of the chosen field; no fallback to the other one.
    const CaptureDates dates = readCaptureDates(path, &identity);
    std::optional<std::string> capture = options.digitized() ? dates.dateTimeDigitized : dates.dateTimeOriginal;
    original = capture.value_or("");
    if (isUsableCaptureDate(capture) && options.fixTime)
        capture = shiftCaptureDate(*capture, options.hours);
    // Taken by an overlapping batch while it was read: gone, not without a date.
    if (!isUsableCaptureDate(capture) && absent())
        return std::nullopt;
    if (!isUsableCaptureDate(capture)) {
        raiseLatchedAlert(message::kNoExif);
        SystemLog::write("*** File " + path.native() + " doesn't have EXIF data! ***");
        report(PhotoOutcome::Kind::NoDate, path);
        return std::nullopt;
    }
    return capture;
}

void PhotoEngine::processSet(const PhotoSet& set)
{
    // One snapshot for the whole set; the stored preference matters only with fixTime.
    OptionSnapshot options = options_.snapshot();
    options.changeExifInPhoto = options.fixTime && host_.changeExifInPhoto();
    // A set on a file system found gone is not looked at again.
    if (!set.members.empty() && gone_.covers(set.members.front())) {
        for (const auto* paths : {&set.members, &set.companions})
            for (const fs::path& path : *paths)
                reportUnreachable(cleanPathText(path));
        return;
    }
    // Members of one capture date (and one folder and old name, as the walk
    // groups them) form one shot; shots in the order of their first member.
    struct Shot {
        std::string date;
        fs::path withoutExtension;
        std::vector<Item> items;
    };
    std::vector<Shot> shots;
    std::vector<std::optional<std::pair<size_t, size_t>>> placeOf; // member -> (shot, item), none when undated
    for (const fs::path& member : set.members) {
        const fs::path source = cleanPathText(member);
        placeOf.emplace_back();
        std::string original;
        std::optional<FileIdentity> identity;
        const auto date = shiftedCaptureDate(source, options, original, identity);
        if (!date)
            continue;
        const fs::path withoutExtension = fs::path(source).replace_extension();
        auto shot = std::find_if(shots.begin(), shots.end(), [&](const Shot& s) {
            return s.date == *date && s.withoutExtension == withoutExtension;
        });
        if (shot == shots.end())
            shot = shots.insert(shot, {*date, withoutExtension, {}});
        placeOf.back() = {{static_cast<size_t>(shot - shots.begin()), shot->items.size()}};
        shot->items.emplace_back(source);
        shot->items.back().oldDate = original;
        shot->items.back().identity = identity;
    }
    // A companion goes with the member whose whole name it extends (IMG_0001.CR2.xmp),
    // else with the first shot (IMG_0001.xmp, IMG_0001.MOV). One whose photo has no
    // date stays where it is, silently: it is not a photo of its own.
    for (const fs::path& path : set.companions) {
        const fs::path companion = cleanPathText(path);
        if (gone_.covers(companion)) {
            reportUnreachable(companion);
            continue;
        }
        const std::string name = companion.filename().native();
        const auto member = std::find_if(set.members.begin(), set.members.end(), [&](const fs::path& m) {
            return name.starts_with(cleanPathText(m).filename().native() + ".");
        });
        if (member != set.members.end()) {
            if (const auto at = placeOf[static_cast<size_t>(member - set.members.begin())])
                shots[at->first].items.emplace_back(companion, true, at->second);
        } else if (!shots.empty()) {
            shots.front().items.emplace_back(companion, true);
        }
    }
    for (Shot& shot : shots)
        placeShot(shot.items, shot.date, options);
}

void PhotoEngine::placeShot(std::vector<Item>& items, const std::string& shiftedCaptureDate,
                            const OptionSnapshot& options)
{
    std::vector<ShotFile> files;
    for (const Item& item : items)
        files.push_back({item.source, item.companion});
    const std::vector<std::string> targets = nameShot(files, shiftedCaptureDate, options, manager_);
    for (size_t i = 0; i < items.size(); ++i)
        items[i].target = targets[i];

    for (Item& item : items)
        if (!item.companion)
            placeMember(item, shiftedCaptureDate, options);
    const bool anyPlaced = std::any_of(items.begin(), items.end(), [](const Item& i) { return i.placed; });
    for (Item& item : items)
        if (item.companion && (item.owner ? items[*item.owner].placed : anyPlaced))
            placeCompanion(item, options);
}

// A failure because the file system of the photo or its target is gone, not the photo's own.
bool PhotoEngine::fileSystemGone(const std::optional<FileError>& error, const Item& item)
{
    return error && isGoneDeviceError(error->code) &&
           (gone_.check(item.source) || gone_.check(fs::path(item.target).parent_path()));
}

void PhotoEngine::placeMember(Item& item, const std::string& shiftedCaptureDate, const OptionSnapshot& options)
{
    const bool copy = options.copy;
    const auto error = transfer(item.source, item.target, copy);
    if (fileSystemGone(error, item)) {
        reportUnreachable(item.source, &*error);
        return;
    }
    const bool sameAsSource = item.target == item.source.native() ||
                              (error && error->code == FileError::kAlreadyExists &&
                               manager_.isSameFile(item.source, item.target));
    if (error && error->code == ENOENT && !manager_.fileExists(item.source)) {
        // Gone since the existence test (another batch over the same folder
        // took it): the same case as a path that is gone from the start.
        reportNotFound(item.source);
        return;
    }
    if (error && error->code != FileError::kAlreadyExists)
        reportFailure(*error);
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

    std::shared_ptr<const PatchTicket> ticket;
    if (options.writeBack()) {
        const bool digitized = options.digitized();
        // Only into the photo itself: the placed file, or the source when it
        // already has its name. Never into whatever else sits at the target.
        bool written = false;
        if (!error)
            written = setDate(shiftedCaptureDate, item.target, digitized, &ticket);
        else if (sameAsSource)
            written = setDate(shiftedCaptureDate, item.source, digitized, &ticket);
        if (written) {
            outcome.digitized = digitized;
            outcome.oldDate = item.oldDate;
            outcome.newDate = shiftedCaptureDate;
        } else {
            raiseLatchedAlert(message::kWriteFailed);
            outcome.error = MessageTable::text(message::kWriteFailed);
        }
    }
    outcomes_.deliver(std::move(outcome), std::move(ticket));
}

void PhotoEngine::placeCompanion(const Item& item, const OptionSnapshot& options)
{
    if (item.target == item.source.native())
        return;
    const bool copy = options.copy;
    const auto error = transfer(item.source, item.target, copy);
    if (error && error->code == ENOENT && !manager_.fileExists(item.source))
        return;
    if (error && error->code == FileError::kAlreadyExists && manager_.isSameFile(item.source, item.target))
        return; // its own name in another letter case
    if (fileSystemGone(error, item)) {
        reportUnreachable(item.source, &*error);
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
    outcomes_.deliver(outcome);
    // Left behind under its old name, it is cut off from its photo: the user must know.
    if (error)
        reportFailure(*error);
}

PhotoEngine::~PhotoEngine()
{
    syncPatchedPhotos();
}

bool PhotoEngine::setDate(const std::string& date, const fs::path& photoPath, bool digitized,
                          std::shared_ptr<const PatchTicket>* staged)
{
    using Status = ExifWriteResult::Status;
    ExifWriteOptions options;
    options.staged = staged;
    const ExifWriteResult result = writeExifDate(photoPath, date, digitized, options);
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
        SystemLog::write("***Could not write the image file " + photoPath.native() + ": " + result.detail + " ***");
        return false;
    }
    SystemLog::write("Date not written into " + photoPath.native() + ": " + result.detail);
    return false;
}

} // namespace velmora
