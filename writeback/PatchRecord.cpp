// SPDX-License-Identifier: GPL-3.0-or-later
#include "writeback/PatchRecord.h"

#include "metadata/DateLocator.h"
#include "files/FileIdentity.h"
#include "files/PosixIo.h"

#include <cerrno>

#include <cstring>

namespace velmora {
namespace {

constexpr char kMagic[kSlotMagicSize] = {'V', 'L', 'M', 'P', 'A', 'T', 'C', 'H'};
constexpr size_t kHeader = sizeof kMagic + 8; // magic, payload length, CRC-32

template <typename T> void put(std::string& out, T value)
{
    out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

template <typename T> bool take(std::string_view in, size_t& at, T& value)
{
    if (in.size() - at < sizeof value)
        return false;
    std::memcpy(&value, in.data() + at, sizeof value);
    at += sizeof value;
    return true;
}

bool takeBytes(std::string_view in, size_t& at, uint32_t size, std::string& out)
{
    if (in.size() - at < size)
        return false;
    out.assign(in.substr(at, size));
    at += size;
    return true;
}

uint32_t crcOf(std::string_view bytes)
{
    return crc32(0, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

} // namespace

PatchRecord PatchRecord::of(const std::string& path, const struct stat& identity, std::vector<BytePatch> patches)
{
    return {path,
            identity.st_dev,
            identity.st_ino,
            identity.st_size,
            identity.st_mtim.tv_sec,
            identity.st_mtim.tv_nsec,
            std::move(patches)};
}

std::string encodeRecord(const PatchRecord& r)
{
    std::string payload;
    for (const uint64_t v : {r.dev, r.ino})
        put(payload, v);
    for (const int64_t v : {r.size, r.mtimeSec, r.mtimeNsec})
        put(payload, v);
    put(payload, static_cast<uint32_t>(r.path.size()));
    payload += r.path;
    put(payload, static_cast<uint32_t>(r.patches.size()));
    for (const BytePatch& p : r.patches) {
        put(payload, p.offset);
        put(payload, static_cast<uint32_t>(p.newBytes.size()));
        payload += p.oldBytes;
        payload += p.newBytes;
    }
    std::string slot(kMagic, sizeof kMagic);
    put(slot, static_cast<uint32_t>(payload.size()));
    put(slot, crcOf(payload));
    return slot + payload;
}

std::optional<PatchRecord> decodeRecord(std::string_view slot)
{
    uint32_t length = 0, crc = 0;
    size_t at = sizeof kMagic;
    if (slot.size() < kHeader || std::memcmp(slot.data(), kMagic, sizeof kMagic) != 0 || !take(slot, at, length) ||
        !take(slot, at, crc) || length > slot.size() - kHeader)
        return std::nullopt;
    const std::string_view payload = slot.substr(kHeader, length);
    if (crcOf(payload) != crc)
        return std::nullopt;
    PatchRecord r;
    uint32_t pathSize = 0, count = 0;
    at = 0;
    if (!take(payload, at, r.dev) || !take(payload, at, r.ino) || !take(payload, at, r.size) ||
        !take(payload, at, r.mtimeSec) || !take(payload, at, r.mtimeNsec) || !take(payload, at, pathSize) ||
        !takeBytes(payload, at, pathSize, r.path) || !take(payload, at, count))
        return std::nullopt;
    for (uint32_t i = 0; i < count; ++i) {
        BytePatch p;
        uint32_t size = 0;
        if (!take(payload, at, p.offset) || !take(payload, at, size) || !takeBytes(payload, at, size, p.oldBytes) ||
            !takeBytes(payload, at, size, p.newBytes))
            return std::nullopt;
        r.patches.push_back(std::move(p));
    }
    return r;
}

int swapBytes(int fd, const struct stat& identity, const std::vector<BytePatch>& patches, bool& wrote)
{
    wrote = false;
    struct stat now {};
    if (::fstat(fd, &now) != 0)
        return errno;
    if (identityOf(now) != identityOf(identity))
        return EAGAIN;
    for (const BytePatch& p : patches) {
        std::string bytes(p.oldBytes.size(), '\0');
        if (const int err = preadFull(fd, bytes.data(), bytes.size(), p.offset); err != 0)
            return err;
        if (bytes != p.oldBytes)
            return EAGAIN;
    }
    wrote = true;
    for (const BytePatch& p : patches)
        if (const int err = pwriteFull(fd, p.newBytes.data(), p.newBytes.size(), p.offset); err != 0)
            return err;
    return 0;
}

} // namespace velmora
