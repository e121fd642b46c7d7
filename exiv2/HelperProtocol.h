// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "metadata/CaptureDates.h"

// What the application and its exiv2 helper process say to each other over
// their socket. A request is one datagram-sized message carrying the photo as
// a read-only descriptor; a reply is a fixed header, two texts and a payload.
// Both sides treat what they receive as hostile: the helper parses untrusted
// photos and may have been subverted by one.
namespace velmora::helper {

enum class RequestKind : uint8_t {
    ReadDates = 1, // reply: the two date fields
    Rebuild = 2,   // reply: the whole photo with `date` written, as payload
};

struct Request {
    RequestKind kind = RequestKind::ReadDates;
    bool digitized = false; // Rebuild: DateTimeDigitized, else DateTimeOriginal
    std::string date;       // Rebuild only
    // Rebuild: the other fields set in the same new file (at most two, none twice).
    std::vector<std::pair<DateTag, std::string>> more;
};

constexpr size_t kMaxDateLength = 64;
// A field's tag, its text's length and its text, for each of the three.
constexpr size_t kMaxRequestSize = 8 + 3 * (2 + kMaxDateLength);
constexpr size_t kMaxReplyText = 4096;

std::string encodeRequest(const Request& request);
std::optional<Request> parseRequest(std::span<const uint8_t> message);

// ReadDates: status is the CaptureDates source, `first`/`second` the
// DateTimeOriginal/DateTimeDigitized texts, present where the flag says so.
// Rebuild: status is the ExifWriteResult status, `first` the detail.
// The hello a fresh helper sends: flag kConfined, `first` says why not.
struct Reply {
    static constexpr uint8_t kHasFirst = 1;
    static constexpr uint8_t kHasSecond = 2;
    static constexpr uint8_t kConfined = 4;
    static constexpr uint8_t kSanitizerBuild = 8; // unconfined on purpose: a test build

    uint8_t status = 0;
    uint8_t flags = 0;
    std::string first;
    std::string second;
    uint64_t payloadSize = 0;
};

constexpr size_t kReplyHeaderSize = 24;

// Header and texts; the payload's bytes follow them on the wire.
std::string encodeReply(const Reply& reply);
// The header alone; texts stay empty, their lengths go to the two outputs.
// nullopt for anything malformed, texts longer than kMaxReplyText or a
// payload larger than `maxPayload`.
std::optional<Reply> parseReplyHeader(std::span<const uint8_t, kReplyHeaderSize> header, uint64_t maxPayload,
                                      uint32_t& firstSize, uint32_t& secondSize);

// Sends `message` in one piece over the stream `socket` with the descriptor
// `fd` attached. False unless all of it went.
bool sendWithDescriptor(int socket, std::string_view message, int fd);

} // namespace velmora::helper
