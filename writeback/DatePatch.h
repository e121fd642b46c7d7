// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "metadata/DateLocator.h"
#include "writeback/WriteAheadLog.h"
#include "writeback/PatchRecord.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

// The in-place route of the write-back: the date's bytes written over the old ones.
namespace velmora {

// One new text for one date field.
struct DateWrite {
    DateTag tag = DateTag::Original;
    std::string text;
};

// The patch that writes each text over its field's value in the file open on
// `fd`, and over the CRC of the PNG chunk that holds them (last, computed
// over all of them); empty when a field has no room for exactly its text
// (absent, another length) or the chunk's CRC was wrong already.
std::vector<BytePatch> datePatches(int fd, const DateLocation& location, const std::vector<DateWrite>& writes);

enum class InPlace { Done, NotPossible, Failed };

// The date written over the old one, logged (the log opened before: see
// openWriteAheadLog), where the photo allows it: the regular file open on
// `fd` (read and write; `st` describes it, `photo` is its whole path) has one
// link and its field has room for exactly the new text.
// Failed sets `error` to errno; NotPossible leaves the photo untouched for the
// whole-file route. With `staged`, the patch is staged with its group
// (stagePatch) and the ticket put there.
InPlace patchDateInPlace(int fd, const struct stat& st, const std::filesystem::path& photo, const std::string& date,
                         bool digitized, int& error, std::shared_ptr<const PatchTicket>* staged = nullptr);

// The same for the fields of `writes` of the photo at `location`, as one
// logged patch: a crash leaves all of them or none.
InPlace patchDatesInPlace(int fd, const struct stat& st, const std::filesystem::path& photo,
                          const DateLocation& location, const std::vector<DateWrite>& writes, int& error,
                          std::shared_ptr<const PatchTicket>* staged = nullptr);

} // namespace velmora
