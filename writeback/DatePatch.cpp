// SPDX-License-Identifier: GPL-3.0-or-later
#include "writeback/DatePatch.h"

#include "writeback/WriteAheadLog.h"
#include "files/PosixIo.h"

#include <fcntl.h>

namespace fs = std::filesystem;

namespace velmora {

std::vector<BytePatch> datePatches(int fd, const DateLocation& location, const std::string& date, bool digitized)
{
    const std::optional<DateField>& field = digitized ? location.digitized : location.original;
    if (!field || field->count != date.size() + 1)
        return {};
    BytePatch value{field->offset, std::string(field->count, '\0'), date + '\0'};
    if (preadFull(fd, value.oldBytes.data(), field->count, field->offset) != 0)
        return {};
    std::vector<BytePatch> patches{value};
    if (const auto& chunk = location.checksum) {
        constexpr uint32_t kMaxChunk = 16u << 20;
        std::string bytes(chunk->length, '\0');
        uint8_t stored[4];
        if (chunk->length > kMaxChunk || field->offset < chunk->dataOffset ||
            field->offset + field->count > chunk->dataOffset + chunk->length ||
            preadFull(fd, bytes.data(), bytes.size(), chunk->dataOffset) != 0 ||
            preadFull(fd, stored, 4, chunk->crcOffset) != 0)
            return {};
        const auto bigEndian = [](uint32_t v) {
            return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
        };
        const auto crcOf = [&] { return crc32(0, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()); };
        const std::string old(reinterpret_cast<const char*>(stored), 4);
        if (bigEndian(crcOf()) != old)
            return {};
        bytes.replace(field->offset - chunk->dataOffset, value.newBytes.size(), value.newBytes);
        patches.push_back({chunk->crcOffset, old, bigEndian(crcOf())});
    }
    return patches;
}

InPlace patchDateInPlace(int fd, const struct stat& st, const fs::path& photo, const std::string& date,
                         bool digitized, int& error, std::shared_ptr<const PatchTicket>* staged)
{
    if (date.size() != 19 || st.st_nlink != 1)
        return InPlace::NotPossible;
    const std::optional<DateLocation> location = locateDates(fd, static_cast<uint64_t>(st.st_size));
    if (!location)
        return InPlace::NotPossible;
    const std::vector<BytePatch> patches = datePatches(fd, *location, date, digitized);
    if (patches.empty())
        return InPlace::NotPossible;
    if (patches.front().oldBytes == patches.front().newBytes)
        return InPlace::Done;
    std::error_code ec;
    const fs::path absolute = fs::absolute(photo, ec);
    const fs::path& recorded = ec ? photo : absolute;
    if (staged) {
        *staged = stagePatch(fd, recorded, st, patches, error);
        return *staged ? InPlace::Done : InPlace::Failed;
    }
    error = patchLogged(fd, recorded, st, patches);
    if (error != 0)
        return InPlace::Failed;
    return InPlace::Done;
}

} // namespace velmora
