#include "engine/PhotoEngine.h"

#include "engine/DateText.h"
#include "platform/ExifDateWriter.h"
#include "platform/MessageTable.h"
#include "platform/MetadataReader.h"
#include "platform/SystemLog.h"

#include <cerrno>

namespace fs = std::filesystem;

namespace velmora {

PhotoEngine::PhotoEngine(const ControlMirror& controls, std::atomic<bool>& runDialog, EngineHost& host)
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
    if (!recorder_)
        return;
    PhotoOutcome outcome;
    outcome.kind = kind;
    outcome.source = source;
    outcome.error = std::move(error);
    recorder_->record(outcome);
}

void PhotoEngine::processFile(const fs::path& path)
{
    const std::string& source = path.native();
    if (!manager_.fileExists(path)) {
        SystemLog::write("*** File " + source + " not found! ***");
        report(PhotoOutcome::Kind::NotFound, path);
        return;
    }

    // The capture date of the chosen field; no fallback to the other one.
    const CaptureDates dates = readCaptureDates(path);
    std::optional<std::string> capture =
        controls_.dateSwitchRow() == 1 ? dates.dateTimeDigitized : dates.dateTimeOriginal;
    const std::string oldDate = capture.value_or("");
    if (isUsableCaptureDate(capture) && controls_.fixTimeOn())
        capture = shiftCaptureDate(*capture, hoursFromTitle(controls_.timezonesTitle()));
    if (!isUsableCaptureDate(capture)) {
        raiseLatchedAlert("#14");
        SystemLog::write("*** File " + source + " doesn't have EXIF data! ***");
        report(PhotoOutcome::Kind::NoDate, path);
        return;
    }
    const std::string shiftedCaptureDate = *capture;
    const std::string stem = dateStem(shiftedCaptureDate);

    // Name base: the photo's own folder, the prefix text as typed (it may name
    // a sub-folder), the date stem and, on request, the old name.
    std::string base = path.parent_path().native() + "/";
    if (controls_.prefixOn())
        base += controls_.textToPrefix().value_or("");
    base += stem;
    if (controls_.suffixOn())
        base += "__" + path.stem().native();
    std::string extension = path.extension().native();
    if (!extension.empty())
        extension.erase(0, 1);

    std::string target = base + "." + extension;
    const bool sameAsSource = target == source;
    if (!sameAsSource && manager_.fileExists(target)) {
        for (unsigned long long n = 1;; ++n) {
            target = base + "__" + std::to_string(n) + "." + extension;
            if (!manager_.fileExists(target))
                break;
        }
    }

    const bool copy = controls_.renameOn();
    const auto error = copy ? manager_.copyItem(path, target) : manager_.moveItem(path, target);
    if (error && error->code == ENOENT && !manager_.fileExists(path)) {
        // Gone since the existence test (another batch over the same folder
        // took it): the same case as a path that is gone from the start.
        SystemLog::write("*** File " + source + " not found! ***");
        report(PhotoOutcome::Kind::NotFound, path);
        return;
    }
    if (error && error->code != FileError::kAlreadyExists) {
        SystemLog::write("Error!! " + error->description);
        host_.showAlert({error->localizedDescription, MessageTable::text("#12")});
    }
    // A photo that already has its name is placed where it stands.
    const bool placed = !error || sameAsSource;
    PhotoOutcome outcome;
    outcome.kind = placed ? PhotoOutcome::Kind::Placed : PhotoOutcome::Kind::Failed;
    outcome.source = path;
    if (placed)
        outcome.target = sameAsSource ? path : fs::path(target);
    else
        outcome.error = error->localizedDescription;
    outcome.copied = copy && !sameAsSource;

    // The control first: the stored preference costs a file check per photo.
    if (controls_.fixTimeOn() && host_.changeExifInPhoto()) {
        const bool digitized = controls_.dateSwitchRow() == 1;
        // Only into the photo itself: the placed file, or the source when it
        // already has its name. Never into whatever else sits at the target.
        bool written = false;
        if (!error)
            written = setDate(shiftedCaptureDate, target, digitized);
        else if (sameAsSource)
            written = setDate(shiftedCaptureDate, path, digitized);
        if (written) {
            outcome.digitized = digitized;
            outcome.oldDate = oldDate;
            outcome.newDate = shiftedCaptureDate;
        } else {
            raiseLatchedAlert("#17");
            outcome.error = MessageTable::text("#17");
        }
    }
    if (recorder_)
        recorder_->record(outcome);
}

bool PhotoEngine::setDate(const std::string& date, const fs::path& photoUrl, bool digitized)
{
    using Status = ExifWriteResult::Status;
    const ExifWriteResult result = writeExifDate(photoUrl, date, digitized);
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
        SystemLog::write("***Could not write the image file " + photoUrl.native() + ": " + result.detail + " ***");
        return false;
    }
    SystemLog::write("Date not written into " + photoUrl.native() + ": " + result.detail);
    return false;
}

} // namespace velmora
