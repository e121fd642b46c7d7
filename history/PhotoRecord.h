// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/BatchRecorder.h"
#include "files/FileIdentity.h"

#include <optional>
#include <string>

namespace velmora {

class JsonFields;

// One photo as the history holds it: the outcome, and the identity the placed
// file had right after the batch was done with it.
struct RecordedPhoto {
    PhotoOutcome outcome;
    std::optional<FileIdentity> placed;
};

// A photo's line in a batch's history, written and read back.
void writePhotoLine(std::string& out, const PhotoOutcome& outcome, const std::optional<FileIdentity>& placed);
RecordedPhoto readPhotoLine(const JsonFields& fields);

// The numbers the history shows for a batch. "Renamed" leaves out a photo that
// kept its name; "failed" takes in a write-back that failed.
struct BatchCounts {
    size_t renamed = 0, withoutDate = 0, failed = 0, notReached = 0; // not reached: some of the failed
    void add(const PhotoOutcome& o)
    {
        renamed += o.kind == PhotoOutcome::Kind::Placed && o.target != o.source;
        withoutDate += o.kind == PhotoOutcome::Kind::NoDate;
        failed += !o.error.empty();
        notReached += o.unreachable;
    }
};

} // namespace velmora
