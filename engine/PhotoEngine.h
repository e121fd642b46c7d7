// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/BatchRecorder.h"
#include "engine/GoneDevices.h"
#include "engine/LiveOptions.h"
#include "engine/OutcomeQueue.h"
#include "engine/PhotoSet.h"
#include "files/FileManager.h"
#include "writeback/WriteAheadLog.h"

#include <atomic>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace velmora {

// A message for the user: shown in a modal alert titled "Velmora" with one button.
struct AlertRequest {
    std::string text;
    std::string button;
};

// What the engine needs from whoever runs it: the window, or a headless sink.
class EngineHost {
public:
    virtual ~EngineHost() = default;
    // Shows the alert and returns once it has been dismissed.
    virtual void showAlert(const AlertRequest& request) = 0;
    // The stored preference "change_exif_in_photo", read afresh for every photo set.
    virtual bool changeExifInPhoto() = 0;
};

// The per-photo operation: read the capture date, shift it, compose the new
// name, move or copy the photo there and, when asked, write the date back.
// Runs on a batch's worker thread; takes one snapshot of the options for each
// photo set, so a change during a batch applies to the sets still to come and
// never to half of one.
class PhotoEngine {
public:
    PhotoEngine(const LiveOptions& options, std::atomic<bool>& alertLatch, EngineHost& host);
    ~PhotoEngine(); // the batch's dates written back made durable

    // One file, its date written back (when asked) before it returns.
    void processFile(const std::filesystem::path& path);
    // The members of one shot that share a capture date get one new base name
    // and one collision number, free for all of them and their companions;
    // the companions follow their photo. Members of other dates, or without
    // one, are handled as separate shots (in the order of the set).
    // A date written in place is made with its group, so its outcome reaches
    // the recorder later, in the order of the photos: see finishBatch.
    void processSet(const PhotoSet& set);
    // Ends the group of dates written in place, and tells the recorder (and
    // the user, of a failure) what became of the photos that waited for it.
    // Called after a batch's last set, before it says "Done".
    void finishBatch();
    // Where each photo's outcome goes from now on; none by default.
    void setRecorder(BatchRecorder* recorder) { outcomes_.setRecorder(recorder); }
    // The file systems found gone so far: the walk does not look at their files again.
    GoneDevices& goneDevices() { return gone_; }

    // Writes `date` into the photo's DateTimeDigitized (digitized) or
    // DateTimeOriginal field. True once the rewritten photo is in place; with
    // `staged`, a write in place may only be staged, and the ticket put there.
    bool setDate(const std::string& date, const std::filesystem::path& photoPath, bool digitized,
                 std::shared_ptr<const PatchTicket>* staged = nullptr);

private:
    struct Item;
    void raiseLatchedAlert(const char* key);
    // The shifted capture date of a member, or nullopt after the described
    // reports; `original` gets the field's text before the shift, `identity`
    // the file's as it was read.
    std::optional<std::string> shiftedCaptureDate(const std::filesystem::path& path, const OptionSnapshot& options,
                                                  std::string& original, std::optional<FileIdentity>& identity);
    // Puts the members and companions of one shot under their new names.
    void placeShot(std::vector<Item>& items, const std::string& shiftedCaptureDate, const OptionSnapshot& options);
    void placeMember(Item& item, const std::string& shiftedCaptureDate, const OptionSnapshot& options);
    void placeCompanion(const Item& item, const OptionSnapshot& options);
    void report(PhotoOutcome::Kind kind, const std::filesystem::path& source, std::string error = {});
    void reportNotFound(const std::filesystem::path& path);
    bool fileSystemGone(const std::optional<FileError>& error, const Item& item);
    // A photo on a file system that is gone: recorded as not reached; the
    // alert of `error` is shown for the first failure of its kind only.
    void reportUnreachable(const std::filesystem::path& path, const FileError* error = nullptr);
    // A move or copy that failed for another reason than a taken name: logged and shown.
    void reportFailure(const FileError& error);
    // Moves or copies; never replaces what is at `target`.
    std::optional<FileError> transfer(const std::filesystem::path& source, const std::filesystem::path& target,
                                      bool copy) const;

    const LiveOptions& options_;  // the drop zone's options, read once per photo set
    std::atomic<bool>& alertLatch_; // set once an alert was shown: one alert per batch
    EngineHost& host_;
    FileManager manager_;
    OutcomeQueue outcomes_;
    GoneDevices gone_;
    std::set<int> goneAlerted_; // the kinds of gone file system already shown in an alert
};

} // namespace velmora
