// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/LiveOptions.h"
#include "engine/PhotoReports.h"
#include "files/FileManager.h"
#include "files/OpenFolders.h"
#include "writeback/ExifDateWriter.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace velmora {

// One file of a shot and where it goes.
struct ShotItem {
    explicit ShotItem(std::filesystem::path path, bool isCompanion = false, std::optional<size_t> photo = std::nullopt)
        : source(std::move(path)), companion(isCompanion), owner(photo)
    {
    }
    std::filesystem::path source;
    bool companion = false;
    // A companion's photo among the shot's items; none: it follows when any member is placed.
    std::optional<size_t> owner;
    std::string target;
    std::string oldDate; // a member's date field before the shift
    bool digitized = false; // a member's naming field: DateTimeDigitized, else DateTimeOriginal
    // A member as it was read: the identity a move keeps.
    std::optional<FileIdentity> identity;
    bool video = false; // named by its recorded date; never written into
    bool placed = false;
    bool datesWritten = false; // a member's dates written back: its XMP sidecar's follow
};

// Puts the files of one shot under their new names, never in place of another
// file, and writes the shifted date back into each member placed. Every file
// is named relative to its folder, opened once for the batch.
class ShotPlacer {
public:
    ShotPlacer(PhotoReports& reports, OpenFolders& folders) : reports_(reports), folders_(folders) {}

    // `targetsGiven`: every item's target is set already (as a preview showed
    // it); a name taken since is a failure, not a reason to try another.
    void place(std::vector<ShotItem>& items, const std::string& shiftedCaptureDate, const OptionSnapshot& options,
               bool targetsGiven = false);

private:
    // A member's move or copy, the first free name found by trying names in turn when `alone`.
    std::optional<FileError> transferMember(ShotItem& item, bool alone, const std::string& shiftedCaptureDate,
                                            const OptionSnapshot& options, std::optional<FileIdentity>* made);
    void placeMember(ShotItem& item, bool alone, const std::string& shiftedCaptureDate,
                     const OptionSnapshot& options);
    void placeCompanion(const ShotItem& item, const OptionSnapshot& options, bool datesWritten);
    // A companion's dates moved with its photo's where it is an XMP sidecar (logged when not).
    void shiftSidecar(const ShotItem& item, const OptionSnapshot& options, PhotoOutcome& outcome);
    // Moves or copies; never replaces what is at `target`.
    std::optional<FileError> transfer(const std::filesystem::path& source, const std::string& target, bool copy,
                                      std::optional<FileIdentity>* made = nullptr);
    bool fileSystemGone(const std::optional<FileError>& error, const ShotItem& item);

    PhotoReports& reports_;
    OpenFolders& folders_;
    FileManager manager_;
};

// Writes `date` into the photo's DateTimeDigitized (digitized) or
// DateTimeOriginal field, only while it is the file `unchangedSince` tells
// (when given); logs why not. True once the rewritten photo is in place;
// with `staged`, a write in place may only be staged, and the ticket put there.
bool writeDateBack(const std::string& date, const FileAt& photo, bool digitized,
                   const FileIdentity* unchangedSince = nullptr,
                   std::shared_ptr<const PatchTicket>* staged = nullptr);

// With "shift_all_dates": every date field of the photo moved by the options'
// shift, each from its own text (one that is no date stays, logged); the
// fields written go to `changes`. Otherwise as writeDateBack.
bool writeDatesBack(const OptionSnapshot& options, const FileAt& photo, const FileIdentity* unchangedSince,
                    std::shared_ptr<const PatchTicket>* staged, std::vector<DateChange>& changes);

} // namespace velmora
