// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/FileIdentity.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace velmora {

// What became of one photo of a batch.
struct PhotoOutcome {
    enum class Kind {
        Placed,   // moved or copied to `target`, or left at its name (target == source)
        NoDate,   // no usable capture date: left as it was
        NotFound, // gone before it could be handled
        Failed,   // the move or copy failed: `error` says why
    };
    Kind kind = Kind::Placed;
    std::filesystem::path source;
    std::filesystem::path target;
    bool copied = false;
    // A photo's (not a companion's): the EXIF field it was named after,
    // the chosen one or, where it was missing, the other.
    std::string dateField;
    // Set when a date was written into the photo at `target`: the field's
    // text before and after.
    bool digitized = false;
    std::string oldDate;
    std::string newDate;
    // A field written besides that one, its text before and after: the photo's
    // other dates ("DateTime", ...) or a sidecar's ("xmp:CreateDate", ...).
    struct MoreDate {
        std::string field;
        std::string oldText;
        std::string newText;
        bool operator==(const MoreDate&) const = default;
    };
    std::vector<MoreDate> moreDates;
    // Failed: the reason; Placed: a write-back that failed (the photo is placed).
    std::string error;
    // Failed: not reached, because its file system was gone (a card pulled, a
    // share or its FUSE daemon lost); the history calls it so.
    bool unreachable = false;
    // The source as it was read, before it was placed; none where not read.
    std::optional<FileIdentity> sourceIdentity;
};

// Told each photo's outcome by the engine, on the batch's worker thread.
class BatchRecorder {
public:
    virtual ~BatchRecorder() = default;
    virtual void record(const PhotoOutcome& outcome) = 0;
};

} // namespace velmora
