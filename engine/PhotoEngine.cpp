// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/PhotoEngine.h"

#include "engine/DateText.h"
#include "platform/ExifDateWriter.h"
#include "platform/MessageTable.h"
#include "platform/MetadataReader.h"
#include "platform/PatchJournal.h"
#include "platform/PosixIo.h"
#include "platform/SystemLog.h"

#include <algorithm>
#include <cerrno>

namespace fs = std::filesystem;

namespace velmora {

PhotoEngine::PhotoEngine(const LiveOptions& controls, std::atomic<bool>& runDialog, EngineHost& host)
    : controls_(controls), runDialog_(runDialog), host_(host)
{
}

void PhotoEngine::raiseLatchedAlert(const char* key)
{
    // One missing-date or image-save alert per batch: the first to claim the latch shows it.
    if (!runDialog_.exchange(true))
        host_.showAlert({MessageTable::text(key), MessageTable::text("#12")});
}

void PhotoEngine::report(PhotoOutcome::Kind kind, const fs::path& source, std::string error)
{
    PhotoOutcome outcome;
    outcome.kind = kind;
    outcome.source = source;
    outcome.error = std::move(error);
    deliver(std::move(outcome));
}

void PhotoEngine::deliver(PhotoOutcome outcome, std::shared_ptr<const PatchTicket> ticket)
{
    waiting_.push_back({std::move(outcome), std::move(ticket)});
    drain(false);
}

void PhotoEngine::drain(bool all)
{
    while (!waiting_.empty()) {
        // The journal is asked only while an outcome waits for its group.
        if (const auto& ticket = waiting_.front().ticket; ticket && !ticket->done()) {
            all ? syncPatchedPhotos() : endOldGroup();
            if (!ticket->done())
                return;
        }
        PhotoOutcome outcome = std::move(waiting_.front().outcome);
        const int error = waiting_.front().ticket ? waiting_.front().ticket->error() : 0;
        waiting_.pop_front();
        if (error != 0) {
            SystemLog::write("***Could not write the image file " + outcome.target.native() + ": " +
                             errnoText("patch", error) + " ***");
            raiseLatchedAlert("#17");
            outcome.oldDate.clear();
            outcome.newDate.clear();
            outcome.error = MessageTable::text("#17");
        }
        if (recorder_)
            recorder_->record(outcome);
    }
}

void PhotoEngine::finishBatch()
{
    drain(true);
}

void PhotoEngine::reportNotFound(const fs::path& path)
{
    SystemLog::write("*** File " + path.native() + " not found! ***");
    report(PhotoOutcome::Kind::NotFound, path);
}

void PhotoEngine::reportFailure(const FileError& error)
{
    SystemLog::write("Error!! " + error.description);
    host_.showAlert({error.localizedDescription, MessageTable::text("#12")});
}

std::optional<FileError> PhotoEngine::transfer(const fs::path& source, const fs::path& target) const
{
    return controls_.renameOn() ? manager_.copyItem(source, target) : manager_.moveItem(source, target);
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

std::optional<std::string> PhotoEngine::shiftedCaptureDate(const fs::path& path, std::string& original,
                                                           std::optional<FileIdentity>& identity)
{
    if (!manager_.fileExists(path)) {
        reportNotFound(path);
        return std::nullopt;
    }
    // The capture date of the chosen field; no fallback to the other one.
    const CaptureDates dates = readCaptureDates(path, &identity);
    std::optional<std::string> capture =
        controls_.dateSwitchRow() == 1 ? dates.dateTimeDigitized : dates.dateTimeOriginal;
    original = capture.value_or("");
    if (isUsableCaptureDate(capture) && controls_.fixTimeOn())
        capture = shiftCaptureDate(*capture, hoursFromTitle(controls_.timezonesTitle()));
    if (!isUsableCaptureDate(capture) && !manager_.fileExists(path)) {
        // Taken by an overlapping batch while it was read: gone, not without a date.
        reportNotFound(path);
        return std::nullopt;
    }
    if (!isUsableCaptureDate(capture)) {
        raiseLatchedAlert("#14");
        SystemLog::write("*** File " + path.native() + " doesn't have EXIF data! ***");
        report(PhotoOutcome::Kind::NoDate, path);
        return std::nullopt;
    }
    return capture;
}

void PhotoEngine::processSet(const PhotoSet& set)
{
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
        const auto date = shiftedCaptureDate(source, original, identity);
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
        placeShot(shot.items, shot.date);
}

void PhotoEngine::placeShot(std::vector<Item>& items, const std::string& shiftedCaptureDate)
{
    // Name base: the photo's own folder, the prefix text as typed (it may name
    // a sub-folder), the date stem and, on request, the old name. The files of
    // a shot share the folder and the old name without extension.
    const fs::path& first = items.front().source;
    const std::string stem = first.stem().native();
    std::string base = first.parent_path().native() + "/";
    if (controls_.prefixOn())
        base += controls_.textToPrefix().value_or("");
    base += dateStem(shiftedCaptureDate);
    if (controls_.suffixOn())
        base += "__" + stem;

    // What follows the base: "." and the extension for a photo (a bare "." when
    // it has none), the rest of its name after the old stem for a companion (".CR2.xmp").
    std::vector<std::string> rests;
    for (const Item& item : items) {
        const std::string name = item.source.filename().native();
        if (item.companion)
            rests.push_back(equalsIgnoringCase(name.substr(0, stem.size()), stem) ? name.substr(stem.size())
                                                                                   : "." + name);
        else
            rests.push_back("." + (item.source.has_extension() ? item.source.extension().native().substr(1) : ""));
    }
    // The plain name when it is free, or already the file's own (in another
    // letter case where the file system ignores case), for every file of the
    // shot; else the first number free for all of them.
    auto freeForAll = [&](const std::string& number, bool plain) {
        for (size_t i = 0; i < items.size(); ++i) {
            const std::string target = base + number + rests[i];
            if (!(plain && target == items[i].source.native()) && manager_.fileExists(target) &&
                !(plain && manager_.isSameFile(items[i].source, target)))
                return false;
        }
        return true;
    };
    std::string number;
    for (unsigned long long n = 1; !freeForAll(number, n == 1); ++n)
        number = "__" + std::to_string(n);
    for (size_t i = 0; i < items.size(); ++i)
        items[i].target = base + number + rests[i];

    for (Item& item : items)
        if (!item.companion)
            placeMember(item, shiftedCaptureDate);
    const bool anyPlaced = std::any_of(items.begin(), items.end(), [](const Item& i) { return i.placed; });
    for (Item& item : items)
        if (item.companion && (item.owner ? items[*item.owner].placed : anyPlaced))
            placeCompanion(item);
}

void PhotoEngine::placeMember(Item& item, const std::string& shiftedCaptureDate)
{
    const bool copy = controls_.renameOn();
    const auto error = transfer(item.source, item.target);
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
        outcome.error = error->localizedDescription;
    outcome.copied = copy && !sameAsSource;
    outcome.sourceIdentity = item.identity;

    // The control first: the stored preference costs a file check per photo.
    std::shared_ptr<const PatchTicket> ticket;
    if (controls_.fixTimeOn() && host_.changeExifInPhoto()) {
        const bool digitized = controls_.dateSwitchRow() == 1;
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
            raiseLatchedAlert("#17");
            outcome.error = MessageTable::text("#17");
        }
    }
    deliver(std::move(outcome), std::move(ticket));
}

void PhotoEngine::placeCompanion(const Item& item)
{
    if (item.target == item.source.native())
        return;
    const bool copy = controls_.renameOn();
    const auto error = transfer(item.source, item.target);
    if (error && error->code == ENOENT && !manager_.fileExists(item.source))
        return;
    if (error && error->code == FileError::kAlreadyExists && manager_.isSameFile(item.source, item.target))
        return; // its own name in another letter case
    // Journaled like a photo of its own, so that an undo takes it back too.
    PhotoOutcome outcome;
    outcome.kind = error ? PhotoOutcome::Kind::Failed : PhotoOutcome::Kind::Placed;
    outcome.source = item.source;
    if (error)
        outcome.error = error->localizedDescription;
    else
        outcome.target = item.target;
    outcome.copied = copy;
    deliver(outcome);
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
