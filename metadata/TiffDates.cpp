// SPDX-License-Identifier: GPL-3.0-or-later
#include "metadata/TiffDates.h"

#include "files/PosixIo.h"
#include "metadata/ReadAhead.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <utility>
#include <unistd.h>
#include <vector>

namespace velmora::locator {

bool Bytes::read(uint64_t offset, size_t len, uint8_t* out)
{
    if (offset > size_ || len > size_ - offset)
        return false;
    if (data_) {
        std::memcpy(out, data_ + offset, len);
        return true;
    }
    if (offset >= pageAt_ && offset + len <= pageAt_ + pageLen_) {
        std::memcpy(out, page_ + (offset - pageAt_), len);
        return true;
    }
    // A small request fills the page around it: the next field is usually near.
    constexpr uint64_t kPage = sizeof page_;
    const bool paged = len <= kPage / 2;
    uint64_t from = offset;
    if (paged) {
        from = offset & ~(kPage - 1);
        if (offset + len > from + kPage)
            from = offset;
        if (from + kPage > size_)
            from = size_ > kPage ? size_ - kPage : 0;
    }
    const size_t want = paged ? static_cast<size_t>(std::min(kPage, size_ - from)) : len;
    uint8_t* to = paged ? page_ : out;
    // The first read also tells whether the disk is cold.
    if ((std::exchange(first_, false) ? preadNotingCold : preadFull)(fd_, to, want, from) != 0) {
        pageLen_ = 0;
        return false;
    }
    if (!paged)
        return true;
    pageAt_ = from;
    pageLen_ = want;
    std::memcpy(out, page_ + (offset - from), len);
    return true;
}

uint16_t be16(const uint8_t* p)
{
    return uint16_t(p[0] << 8 | p[1]);
}
uint32_t be32(const uint8_t* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}
uint64_t be64(const uint8_t* p)
{
    return uint64_t(be32(p)) << 32 | be32(p + 4);
}
uint32_t le32(const uint8_t* p)
{
    return uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}

namespace {

// Beyond this, exiv2 treats a directory as damaged; we leave such files to it.
constexpr unsigned kMaxEntries = 256;

struct Tiff {
    Bytes& bytes;
    uint64_t base;  // where the TIFF header starts in the file
    uint64_t limit; // bytes from `base` that belong to the TIFF structure
    bool little = true;

    bool get(uint64_t offset, size_t len, uint8_t* out) const
    {
        return offset <= limit && len <= limit - offset && bytes.read(base + offset, len, out);
    }
    uint16_t u16(const uint8_t* p) const { return little ? uint16_t(p[0] | p[1] << 8) : be16(p); }
    uint32_t u32(const uint8_t* p) const { return little ? le32(p) : be32(p); }
};

struct Entry {
    uint16_t tag, type;
    uint32_t count;
    uint8_t value[4];
    uint64_t valueAt; // where the 4 value bytes sit, from the TIFF's start
};

// The entries of the directory at `offset`; false when it is not plainly well formed.
bool readDirectory(const Tiff& tiff, uint32_t offset, std::vector<Entry>& entries)
{
    uint8_t n[2];
    if (!tiff.get(offset, 2, n))
        return false;
    const unsigned count = tiff.u16(n);
    if (count == 0 || count > kMaxEntries)
        return false;
    std::vector<uint8_t> raw(count * 12u);
    if (!tiff.get(uint64_t(offset) + 2, raw.size(), raw.data()))
        return false;
    entries.clear();
    for (unsigned i = 0; i < count; ++i) {
        const uint8_t* p = raw.data() + i * 12u;
        Entry e{tiff.u16(p), tiff.u16(p + 2), tiff.u32(p + 4), {}, uint64_t(offset) + 2 + i * 12u + 8};
        std::memcpy(e.value, p + 8, 4);
        entries.push_back(e);
    }
    return true;
}

const Entry* findOnce(const std::vector<Entry>& entries, uint16_t tag, bool& duplicate)
{
    const Entry* found = nullptr;
    for (const Entry& e : entries)
        if (e.tag == tag) {
            duplicate = duplicate || found;
            found = &e;
        }
    return found;
}

// An ASCII value as exiv2 hands it out: its bytes, trailing NULs removed, and
// where they lie. False when the entry is of another type or points outside
// the structure.
bool asciiValue(const Tiff& tiff, const Entry& e, std::optional<DateField>& out)
{
    if (e.type != 2 || e.count == 0 || e.count > 4096)
        return false;
    DateField field;
    field.text.assign(e.count, '\0');
    field.count = e.count;
    uint64_t at = e.valueAt;
    if (e.count > 4) {
        at = tiff.u32(e.value);
        if (at < 8) // exiv2 empties a value that points into the header
            return false;
    }
    if (!tiff.get(at, e.count, reinterpret_cast<uint8_t*>(field.text.data())))
        return false;
    field.offset = tiff.base + at;
    while (!field.text.empty() && field.text.back() == '\0')
        field.text.pop_back();
    out = std::move(field);
    return true;
}

} // namespace

std::optional<DateLocation> parseTiff(Bytes& bytes, uint64_t base, uint64_t limit, bool exifFirst)
{
    Tiff tiff{bytes, base, limit};
    uint8_t header[8];
    if (!tiff.get(0, 8, header))
        return std::nullopt;
    if (header[0] == 'I' && header[1] == 'I')
        tiff.little = true;
    else if (header[0] == 'M' && header[1] == 'M')
        tiff.little = false;
    else
        return std::nullopt;
    const uint16_t magic = tiff.u16(header + 2);
    // 42; Olympus ORF ("RO", "RS") and Panasonic RW2 (0x55) differ only here.
    if (magic != 42 && magic != 0x4F52 && magic != 0x5352 && magic != 0x55)
        return std::nullopt;

    DateLocation location;
    std::vector<Entry> ifd0, exif;
    const uint32_t first = tiff.u32(header + 4);
    bool duplicate = false;
    if (exifFirst) {
        if (first < 8 || !readDirectory(tiff, first, exif))
            return std::nullopt;
    } else {
        if (!readDirectory(tiff, first, ifd0))
            return std::nullopt;
        const Entry* pointer = findOnce(ifd0, 0x8769, duplicate);
        // Without dates, exiv2's view of the rest of the file decides what the
        // photo is: leave it to exiv2.
        if (!pointer || duplicate || (pointer->type != 4 && pointer->type != 13) || pointer->count != 1)
            return std::nullopt;
        const uint32_t exifOffset = tiff.u32(pointer->value);
        // A directory met twice is a loop that exiv2 breaks by dropping it.
        if (exifOffset < 8 || first < 8 || exifOffset == first)
            return std::nullopt;
        if (!readDirectory(tiff, exifOffset, exif))
            return std::nullopt;
    }
    const Entry* original = findOnce(exif, 0x9003, duplicate);
    const Entry* digitized = findOnce(exif, 0x9004, duplicate);
    if (duplicate || (!original && !digitized))
        return std::nullopt;
    if (original && !asciiValue(tiff, *original, location.original))
        return std::nullopt;
    if (digitized && !asciiValue(tiff, *digitized, location.digitized))
        return std::nullopt;
    // The time of the last change is read for the write-back only: a damaged
    // one does not hide the capture dates, it only keeps the bytes from being patched.
    bool twice = false;
    if (const Entry* modified = findOnce(ifd0, 0x0132, twice))
        location.modifiedUnread = twice || !asciiValue(tiff, *modified, location.modified);
    return location;
}

std::optional<DateLocation> parseExifBlock(Bytes& bytes, uint64_t at, uint64_t length)
{
    uint8_t head[6];
    if (length >= 6 && bytes.read(at, 6, head) && std::memcmp(head, "Exif\0\0", 6) == 0) {
        at += 6;
        length -= 6;
    }
    return parseTiff(bytes, at, length);
}

} // namespace velmora::locator
