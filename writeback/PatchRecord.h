// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <vector>

namespace velmora {

// A few bytes of a photo to be replaced by as many others.
struct BytePatch {
    uint64_t offset = 0;
    std::string oldBytes;
    std::string newBytes;
};

// What a write-ahead record holds: the photo, the file it was when its bytes
// were read, and the bytes to change.
struct PatchRecord {
    std::string path;
    uint64_t dev = 0, ino = 0;
    int64_t size = 0, mtimeSec = 0, mtimeNsec = 0;
    std::vector<BytePatch> patches;

    static PatchRecord of(const std::string& path, const struct stat& identity, std::vector<BytePatch> patches);
};

// A log file is a row of fixed slots, each empty or holding one record
// (magic, payload length, CRC-32, payload). Its size never changes, so making
// a record durable is a data flush, not a metadata one.
constexpr size_t kRecordSlot = 8192;
constexpr size_t kLogSlots = 32;
constexpr size_t kSlotMagicSize = 8;

// The slot's bytes for `record`; longer than kRecordSlot when it does not fit.
std::string encodeRecord(const PatchRecord& record);
// A record from a slot; nullopt for an empty slot or one whose writing was cut short.
std::optional<PatchRecord> decodeRecord(std::string_view slot);

// Compare and swap: the photo open on `fd`, still the file `identity`
// describes and holding the old bytes, gets the new ones. 0, EAGAIN when it
// changed, or errno; `wrote` tells whether a byte of the photo may have changed.
int swapBytes(int fd, const struct stat& identity, const std::vector<BytePatch>& patches, bool& wrote);

// Completes the records in the log file open read-write on `fd`: a photo
// that is still the same file gets its new bytes (a torn write included); one
// that is not, or that someone else changed, is left alone; either way its
// slot is emptied. A photo that cannot be reached (its card not inserted, an
// I/O error, no permission) keeps its record for a later start. Each case is
// logged. True when no record is left.
bool recoverLogFile(int fd);

} // namespace velmora
