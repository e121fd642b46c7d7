// SPDX-License-Identifier: GPL-3.0-or-later
#include "writeback/DatePatch.h"

#include "writeback/WriteAheadLog.h"
#include "files/PosixIo.h"

#include <fcntl.h>

namespace fs = std::filesystem;

namespace velmora {

std::vector<BytePatch> datePatches(int fd, const DateLocation& location, const std::vector<DateWrite>& writes)
{
    std::vector<BytePatch> patches;
    for (const DateWrite& write : writes) {
        const std::optional<DateField>& field = location.field(write.tag);
        if (!field || field->count != write.text.size() + 1)
            return {};
        BytePatch value{field->offset, std::string(field->count, '\0'), write.text + '\0'};
        if (preadFull(fd, value.oldBytes.data(), field->count, field->offset) != 0)
            return {};
        patches.push_back(std::move(value));
    }
    if (const auto& chunk = location.checksum; chunk && !patches.empty()) {
        constexpr uint32_t kMaxChunk = 16u << 20;
        std::string bytes(chunk->length, '\0');
        uint8_t stored[4];
        if (chunk->length > kMaxChunk || preadFull(fd, bytes.data(), bytes.size(), chunk->dataOffset) != 0 ||
            preadFull(fd, stored, 4, chunk->crcOffset) != 0)
            return {};
        for (const BytePatch& value : patches)
            if (value.offset < chunk->dataOffset ||
                value.offset + value.newBytes.size() > chunk->dataOffset + chunk->length)
                return {};
        const auto bigEndian = [](uint32_t v) {
            return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
        };
        const auto crcOf = [&] { return crc32(0, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()); };
        const std::string old(reinterpret_cast<const char*>(stored), 4);
        if (bigEndian(crcOf()) != old)
            return {};
        for (const BytePatch& value : patches)
            bytes.replace(value.offset - chunk->dataOffset, value.newBytes.size(), value.newBytes);
        patches.push_back({chunk->crcOffset, old, bigEndian(crcOf())});
    }
    return patches;
}

InPlace patchDateInPlace(int fd, const struct stat& st, const fs::path& photo, const std::string& date,
                         bool digitized, int& error, std::shared_ptr<const PatchTicket>* staged)
{
    if (date.size() != 19)
        return InPlace::NotPossible;
    const std::optional<DateLocation> location = locateDates(fd, static_cast<uint64_t>(st.st_size));
    if (!location)
        return InPlace::NotPossible;
    return patchDatesInPlace(fd, st, photo, *location, {{digitized ? DateTag::Digitized : DateTag::Original, date}},
                             error, staged);
}

InPlace patchDatesInPlace(int fd, const struct stat& st, const fs::path& photo, const DateLocation& location,
                          const std::vector<DateWrite>& writes, int& error, std::shared_ptr<const PatchTicket>* staged)
{
    if (st.st_nlink != 1)
        return InPlace::NotPossible;
    std::vector<BytePatch> patches = datePatches(fd, location, writes);
    if (patches.empty())
        return InPlace::NotPossible;
    // The bytes that already hold their new text need no writing (a CRC of unchanged bytes neither).
    std::erase_if(patches, [](const BytePatch& p) { return p.oldBytes == p.newBytes; });
    if (patches.empty())
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
