// SPDX-License-Identifier: GPL-3.0-or-later
// The recorded date of MP4 and QuickTime files. Every box is found on a fixed
// path (moov, moov/meta, moov/udta/meta, a top-level uuid), so the depth is
// bounded by the code; Boxes bounds the count and the sizes.
#include "metadata/VideoDates.h"

#include "files/FileSystemTraits.h"
#include "metadata/BmffBoxes.h"
#include "metadata/VideoSniff.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <span>
#include <utility>

namespace velmora {
namespace {

using namespace locator;

constexpr uint64_t kFrom1904To1970 = 2082844800; // seconds
constexpr int64_t kYear2100 = 4102444800;        // seconds since 1970
constexpr size_t kMaxText = 64;                  // bytes of a date text looked at
constexpr uint64_t kMaxXmp = 256 * 1024;         // bytes of an XMP packet searched

std::string wallClock(int year, int month, int day, int hour, int minute, int second)
{
    char text[32];
    std::snprintf(text, sizeof text, "%04d:%02d:%02d %02d:%02d:%02d", year, month, day, hour, minute, second);
    return text;
}

// "2021-06-01T12:20:30+02:00" (or +0200, with or without a fraction of a
// second): the wall-clock time as written. Empty without an offset ("Z" or
// none says nothing of where it was recorded) and for anything malformed.
std::string zonedWallClock(std::string_view text)
{
    int n[8] = {};
    size_t at = 0;
    auto number = [&](size_t digits, int& out) {
        if (text.size() - at < digits)
            return false;
        out = 0;
        for (size_t end = at + digits; at < end; ++at) {
            if (text[at] < '0' || text[at] > '9')
                return false;
            out = out * 10 + (text[at] - '0');
        }
        return true;
    };
    auto separator = [&](std::string_view any) {
        return at < text.size() && any.find(text[at]) != std::string_view::npos && ++at;
    };
    if (!number(4, n[0]) || !separator("-") || !number(2, n[1]) || !separator("-") || !number(2, n[2]) ||
        !separator("T ") || !number(2, n[3]) || !separator(":") || !number(2, n[4]) || !separator(":") ||
        !number(2, n[5]))
        return {};
    if (separator("."))
        while (at < text.size() && text[at] >= '0' && text[at] <= '9')
            ++at;
    if (!separator("+-") || !number(2, n[6]) || (separator(":"), !number(2, n[7])) || at != text.size())
        return {};
    static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = n[0] % 4 == 0 && (n[0] % 100 != 0 || n[0] % 400 == 0);
    if (n[0] < 1970 || n[0] > 2099 || n[1] < 1 || n[1] > 12 || n[2] < 1 || n[2] > kDays[n[1] - 1] ||
        (n[1] == 2 && n[2] == 29 && !leap) || n[3] > 23 || n[4] > 59 || n[5] > 59 || n[6] > 14 || n[7] > 59)
        return {};
    return wallClock(n[0], n[1], n[2], n[3], n[4], n[5]);
}

// The movie header's creation time, seconds since 1904 in UTC, in this computer's time zone.
std::string movieHeaderDate(Bytes& bytes, const Box& mvhd)
{
    uint8_t b[12];
    const uint64_t length = mvhd.end - mvhd.body;
    if (length < 8 || !bytes.read(mvhd.body, 8, b) || b[0] > 1 ||
        (b[0] == 1 && (length < 12 || !bytes.read(mvhd.body + 8, 4, b + 8))))
        return {};
    const uint64_t seconds = b[0] == 1 ? be64(b + 4) : be32(b + 4);
    if (seconds <= kFrom1904To1970 || seconds - kFrom1904To1970 >= static_cast<uint64_t>(kYear2100))
        return {};
    const std::time_t t = static_cast<std::time_t>(seconds - kFrom1904To1970);
    std::tm local{};
    if (!::localtime_r(&t, &local))
        return {};
    return wallClock(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
}

// The QuickTime creation date of a "meta" box: the "keys" box gives its key an
// index, the "ilst" box holds the value as an item of that index.
std::string quickTimeDate(Bytes& bytes, const Box& meta)
{
    static constexpr std::string_view kKey = "com.apple.quicktime.creationdate";
    uint8_t h[8 + kKey.size()];
    if (meta.end - meta.body < 8 || !bytes.read(meta.body, 8, h))
        return {};
    // QuickTime's own "meta" has no version and flags before its boxes; the ISO one has.
    const uint64_t first = std::memcmp(h + 4, "hdlr", 4) == 0 ? meta.body : meta.body + 4;
    Box keys, ilst;
    if (!findBox(bytes, first, meta.end, "keys", keys) || !findBox(bytes, first, meta.end, "ilst", ilst) ||
        keys.end - keys.body < 8 || !bytes.read(keys.body, 8, h))
        return {};
    // Keys are numbered from 1 in their order.
    const uint32_t count = std::min<uint32_t>(be32(h + 4), kMaxBoxes);
    uint32_t index = 0;
    uint64_t at = keys.body + 8;
    for (uint32_t key = 1; key <= count && index == 0; ++key) {
        uint64_t size = 0;
        if (keys.end - at < 8 || !bytes.read(at, 8, h) || (size = be32(h)) < 8 || size > keys.end - at)
            return {};
        if (size == 8 + kKey.size() && std::memcmp(h + 4, "mdta", 4) == 0 && bytes.read(at + 8, kKey.size(), h + 8) &&
            std::memcmp(h + 8, kKey.data(), kKey.size()) == 0)
            index = key;
        at += size;
    }
    Boxes items(bytes, ilst.body, ilst.end);
    for (Box item, data; index != 0 && items.next(item);) {
        if (be32(reinterpret_cast<const uint8_t*>(item.type)) != index)
            continue;
        // A "data" box: its type (1 is UTF-8) and locale, then the text.
        if (!findBox(bytes, item.body, item.end, "data", data) || data.end - data.body < 8 ||
            !bytes.read(data.body, 8, h) || be32(h) != 1)
            return {};
        std::string text(static_cast<size_t>(std::min<uint64_t>(data.end - data.body - 8, kMaxText)), '\0');
        if (!bytes.read(data.body + 8, text.size(), reinterpret_cast<uint8_t*>(text.data())))
            return {};
        text.erase(text.find_last_not_of('\0') + 1);
        return zonedWallClock(text);
    }
    return {};
}

// xmp:CreateDate of an XMP packet, as an attribute or an element.
std::string xmpDate(Bytes& bytes, uint64_t at, uint64_t end)
{
    std::string packet(static_cast<size_t>(std::min(end - at, kMaxXmp)), '\0');
    if (!bytes.read(at, packet.size(), reinterpret_cast<uint8_t*>(packet.data())))
        return {};
    for (const std::string_view open : {"xmp:CreateDate=\"", "xmp:CreateDate='", "<xmp:CreateDate>"}) {
        const size_t from = packet.find(open);
        if (from == std::string::npos)
            continue;
        const std::string_view rest = std::string_view(packet).substr(from + open.size());
        return zonedWallClock(rest.substr(0, std::min(rest.find_first_of("\"'<"), kMaxText)));
    }
    return {};
}

std::optional<std::string> parse(Bytes& bytes)
{
    static constexpr uint8_t kXmpUuid[16] = {0xbe, 0x7a, 0xcf, 0xcb, 0x97, 0xa9, 0x42, 0xe8,
                                             0x9c, 0x71, 0x99, 0x94, 0x91, 0xe3, 0xaf, 0xac};
    uint8_t head[kVideoSniffSize];
    const size_t n = static_cast<size_t>(std::min<uint64_t>(bytes.size(), sizeof head));
    if (!bytes.read(0, n, head) || !isIsoBaseMediaVideo(std::span<const uint8_t>(head, n)))
        return std::nullopt;
    std::string quickTime, xmp, header;
    bool movieSeen = false;
    Boxes top(bytes, 0, bytes.size());
    for (Box box; top.next(box);) {
        if (Boxes::is(box, "uuid") && std::memcmp(box.uuid, kXmpUuid, 16) == 0 && xmp.empty())
            xmp = xmpDate(bytes, box.body + 16, box.end);
        if (!Boxes::is(box, "moov") || std::exchange(movieSeen, true))
            continue;
        Boxes children(bytes, box.body, box.end);
        for (Box child; children.next(child);) {
            if (Boxes::is(child, "mvhd") && header.empty())
                header = movieHeaderDate(bytes, child);
            if (Boxes::is(child, "meta") && quickTime.empty())
                quickTime = quickTimeDate(bytes, child);
            if (!Boxes::is(child, "udta"))
                continue;
            Boxes user(bytes, child.body, child.end);
            for (Box entry; user.next(entry);) {
                if (Boxes::is(entry, "meta") && quickTime.empty())
                    quickTime = quickTimeDate(bytes, entry);
                if (Boxes::is(entry, "XMP_") && xmp.empty())
                    xmp = xmpDate(bytes, entry.body, entry.end);
            }
        }
    }
    return !quickTime.empty() ? quickTime : !xmp.empty() ? xmp : header;
}

} // namespace

bool isDatedVideoName(std::string_view name)
{
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0)
        return false;
    const std::string_view extension = name.substr(dot + 1);
    for (const std::string_view video : {"mp4", "mov", "m4v", "3gp"})
        if (equalsIgnoringCase(extension, video))
            return true;
    return false;
}

std::optional<std::string> locateVideoDate(int fd, uint64_t fileSize)
{
    Bytes bytes(fd, fileSize);
    try {
        return parse(bytes);
    } catch (...) {
        return std::string(); // out of memory: no date
    }
}

std::optional<std::string> locateVideoDate(const uint8_t* data, size_t size)
{
    Bytes bytes(data, size);
    try {
        return parse(bytes);
    } catch (...) {
        return std::string();
    }
}

} // namespace velmora
