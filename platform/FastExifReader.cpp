#include "platform/FastExifReader.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace velmora {
namespace {

constexpr size_t kHead = 64 * 1024;
// Beyond this, exiv2 treats a directory as damaged; we leave such files to it.
constexpr unsigned kMaxEntries = 256;

// Random access to the file's bytes: the head is read once, anything beyond
// it with one pread per request.
class Bytes {
public:
    Bytes(int fd, uint64_t size) : fd_(fd), size_(size) {}
    Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint64_t size() const { return size_; }

    // `len` bytes at `offset` into `out`; false when they are not all there.
    bool read(uint64_t offset, size_t len, uint8_t* out)
    {
        if (offset > size_ || len > size_ - offset)
            return false;
        if (data_) {
            std::memcpy(out, data_ + offset, len);
            return true;
        }
        if (!headLoaded_ && !loadHead())
            return false;
        if (offset + len <= head_.size()) {
            std::memcpy(out, head_.data() + offset, len);
            return true;
        }
        size_t done = 0;
        while (done < len) {
            const ssize_t n = ::pread(fd_, out + done, len - done, static_cast<off_t>(offset + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            done += static_cast<size_t>(n);
        }
        return true;
    }

private:
    bool loadHead()
    {
        head_.resize(static_cast<size_t>(std::min<uint64_t>(kHead, size_)));
        size_t done = 0;
        while (done < head_.size()) {
            const ssize_t n = ::pread(fd_, head_.data() + done, head_.size() - done, static_cast<off_t>(done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            done += static_cast<size_t>(n);
        }
        headLoaded_ = true;
        return true;
    }

    int fd_ = -1;
    const uint8_t* data_ = nullptr;
    uint64_t size_;
    std::vector<uint8_t> head_;
    bool headLoaded_ = false;
};

struct Tiff {
    Bytes& bytes;
    uint64_t base;  // where the TIFF header starts in the file
    uint64_t limit; // bytes from `base` that belong to the TIFF structure
    bool little = true;

    bool get(uint64_t offset, size_t len, uint8_t* out) const
    {
        return offset <= limit && len <= limit - offset && bytes.read(base + offset, len, out);
    }
    uint16_t u16(const uint8_t* p) const { return little ? p[0] | p[1] << 8 : p[0] << 8 | p[1]; }
    uint32_t u32(const uint8_t* p) const
    {
        return little ? uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24
                      : uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
    }
};

struct Entry {
    uint16_t tag, type;
    uint32_t count;
    uint8_t value[4];
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
        Entry e{tiff.u16(p), tiff.u16(p + 2), tiff.u32(p + 4), {}};
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

// An ASCII value as exiv2 hands it out: its bytes, trailing NULs removed.
// False when the entry is of another type or points outside the structure.
bool asciiValue(const Tiff& tiff, const Entry& e, std::optional<std::string>& out)
{
    if (e.type != 2 || e.count == 0 || e.count > 4096)
        return false;
    std::string text(e.count, '\0');
    if (e.count <= 4)
        std::memcpy(text.data(), e.value, e.count);
    else if (tiff.u32(e.value) < 8 || !tiff.get(tiff.u32(e.value), e.count, reinterpret_cast<uint8_t*>(text.data())))
        return false; // exiv2 empties a value that points into the header
    while (!text.empty() && text.back() == '\0')
        text.pop_back();
    out = std::move(text);
    return true;
}

std::optional<CaptureDates> parseTiff(Bytes& bytes, uint64_t base, uint64_t limit)
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
    if (tiff.u16(header + 2) != 42)
        return std::nullopt;

    std::vector<Entry> ifd0, exif;
    if (!readDirectory(tiff, tiff.u32(header + 4), ifd0))
        return std::nullopt;
    bool duplicate = false;
    const Entry* pointer = findOnce(ifd0, 0x8769, duplicate);
    // Without dates, exiv2's view of the rest of the file decides what the
    // photo is: leave it to exiv2.
    if (!pointer || duplicate || (pointer->type != 4 && pointer->type != 13) || pointer->count != 1)
        return std::nullopt;
    const uint32_t exifOffset = tiff.u32(pointer->value);
    // A directory met twice is a loop that exiv2 breaks by dropping it.
    if (exifOffset < 8 || tiff.u32(header + 4) < 8 || exifOffset == tiff.u32(header + 4))
        return std::nullopt;
    if (!readDirectory(tiff, exifOffset, exif))
        return std::nullopt;

    CaptureDates dates;
    dates.source = CaptureDates::Source::Exif;
    const Entry* original = findOnce(exif, 0x9003, duplicate);
    const Entry* digitized = findOnce(exif, 0x9004, duplicate);
    if (duplicate || (!original && !digitized))
        return std::nullopt;
    if (original && !asciiValue(tiff, *original, dates.dateTimeOriginal))
        return std::nullopt;
    if (digitized && !asciiValue(tiff, *digitized, dates.dateTimeDigitized))
        return std::nullopt;
    return dates;
}

bool isStartOfFrame(uint8_t marker)
{
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

std::optional<CaptureDates> parseJpeg(Bytes& bytes)
{
    // The segments from the start of image up to the start of scan, walked as
    // exiv2 walks them: it stops there or once it has met five things it
    // wants, and gives up on the whole file when a segment runs past its end.
    // The first APP1 segment that begins with "Exif\0\0" holds the dates.
    static constexpr uint8_t xmpId[] = "http://ns.adobe.com/xap/1.0/";
    uint64_t pos = 2;
    uint64_t exifAt = 0;
    uint16_t exifLength = 0;
    bool xmpSeen = false, commentSeen = false, frameSeen = false;
    int search = 5;
    for (int segments = 0; search > 0; ++segments) {
        uint8_t m[2 + 2 + sizeof xmpId];
        if (segments > 1000 || !bytes.read(pos, 2, m) || m[0] != 0xFF)
            return std::nullopt;
        const uint8_t marker = m[1];
        if (marker == 0xDA || marker == 0xD9)
            break;
        // Only the markers that exiv2 knows to carry a length; fill bytes,
        // stand-alone markers, Photoshop blocks and the like are exiv2's business.
        const bool hasLength = (marker >= 0xC0 && marker <= 0xCF) || marker == 0xDB || marker == 0xDD ||
                               (marker >= 0xE0 && marker <= 0xEF && marker != 0xED) || marker == 0xFE;
        if (!hasLength)
            return std::nullopt;
        const uint64_t left = bytes.size() - pos - 2;
        if (!bytes.read(pos + 2, static_cast<size_t>(std::min<uint64_t>(left, sizeof m - 2)), m + 2) || left < 2)
            return std::nullopt;
        const uint16_t length = uint16_t(m[2] << 8 | m[3]);
        if (length < 2 || length > left)
            return std::nullopt;
        if (marker == 0xE1 && exifAt == 0 && left >= 8 && std::memcmp(m + 4, "Exif\0\0", 6) == 0) {
            if (length < 8)
                return std::nullopt;
            exifAt = pos + 10;
            exifLength = length;
            --search;
        } else if (marker == 0xE1 && !xmpSeen && left >= 2 + sizeof xmpId &&
                   std::memcmp(m + 4, xmpId, sizeof xmpId) == 0) {
            if (length < 31)
                return std::nullopt;
            xmpSeen = true;
            --search;
        } else if (marker == 0xFE && !commentSeen) {
            // exiv2 counts every comment until one has text before its trailing NULs.
            std::string text(length - 2u, '\0');
            if (!bytes.read(pos + 4, text.size(), reinterpret_cast<uint8_t*>(text.data())))
                return std::nullopt;
            commentSeen = text.find_last_not_of('\0') != std::string::npos;
            --search;
        } else if (isStartOfFrame(marker) && !frameSeen) {
            uint8_t frame[5];
            if (length < 8 || !bytes.read(pos + 4, 5, frame))
                return std::nullopt;
            if (frame[1] != 0 || frame[2] != 0) { // a height: exiv2 looks no further for one
                frameSeen = true;
                --search;
            }
        }
        pos += 2u + length;
    }
    if (exifAt == 0) {
        CaptureDates none;
        none.source = CaptureDates::Source::NoExif;
        return none;
    }
    return parseTiff(bytes, exifAt, exifLength - 8u);
}

std::optional<CaptureDates> parse(Bytes& bytes)
{
    uint8_t magic[12];
    if (!bytes.read(0, sizeof magic, magic))
        return std::nullopt;
    if (magic[0] == 0xFF && magic[1] == 0xD8)
        return parseJpeg(bytes);
    const bool tiffHeader = (magic[0] == 'I' && magic[1] == 'I' && magic[2] == 42 && magic[3] == 0) ||
                            (magic[0] == 'M' && magic[1] == 'M' && magic[2] == 0 && magic[3] == 42);
    // Canon's CR2 has a TIFF header but a parser of its own in exiv2.
    if (tiffHeader && !(magic[8] == 'C' && magic[9] == 'R'))
        return parseTiff(bytes, 0, bytes.size());
    return std::nullopt;
}

} // namespace

std::optional<CaptureDates> readCaptureDatesFast(int fd, uint64_t fileSize)
{
    Bytes bytes(fd, fileSize);
    try {
        return parse(bytes);
    } catch (...) {
        return std::nullopt; // out of memory: let exiv2 try
    }
}

std::optional<CaptureDates> parseCaptureDatesFast(const uint8_t* data, size_t size)
{
    Bytes bytes(data, size);
    try {
        return parse(bytes);
    } catch (...) {
        return std::nullopt;
    }
}

} // namespace velmora
