// SPDX-License-Identifier: GPL-3.0-or-later
// The application's side of Exiv2Access.h: every call goes to a confined
// helper process (ExifHelper.h). The exiv2 code itself, helper/Exiv2Library.cpp, is
// built into velmora-helper only.
#include "exiv2/Exiv2Access.h"

#include "exiv2/ExifHelper.h"
#include "files/SystemLog.h"
#include "metadata/VideoSniff.h"

#include <algorithm>
#include <array>
#include <climits>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora {
namespace {

// The size of a regular file, or -1: nothing else is handed to the helper.
off_t regularFileSize(int fd)
{
    struct stat st {};
    return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? st.st_size : -1;
}

bool holdsVideo(int fd)
{
    std::array<uint8_t, kVideoSniffSize> head{};
    const ssize_t n = ::pread(fd, head.data(), head.size(), 0);
    return n > 0 && isVideoContainer(std::span(head.data(), static_cast<size_t>(n)));
}

// One line that names the photo and says what became of its helper.
void logIncident(int fd, const std::string& what)
{
    char path[PATH_MAX];
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t n = ::readlink(link.c_str(), path, sizeof path);
    const std::string name = n > 0 ? std::string(path, static_cast<size_t>(n)) : link;
    SystemLog::write("*** File " + name + ": " + what + " ***");
}

} // namespace

CaptureDates exiv2ReadDates(int fd)
{
    using Source = CaptureDates::Source;
    const off_t size = regularFileSize(fd);
    if (size < 0 || holdsVideo(fd))
        return {};
    HelperAnswer answer = askExifHelper({helper::RequestKind::ReadDates, false, {}, {}}, fd, static_cast<uint64_t>(size));
    if (answer.outcome != HelperAnswer::Outcome::Answered) {
        logIncident(fd, answer.what);
        return {Source::NoProperties, std::nullopt, std::nullopt};
    }
    const helper::Reply& reply = answer.reply;
    CaptureDates dates;
    if (reply.status > static_cast<uint8_t>(Source::Exif))
        return dates;
    dates.source = static_cast<Source>(reply.status);
    if (reply.flags & helper::Reply::kHasFirst)
        dates.dateTimeOriginal = std::move(answer.reply.first);
    if (reply.flags & helper::Reply::kHasSecond)
        dates.dateTimeDigitized = std::move(answer.reply.second);
    return dates;
}

Exiv2Rebuild exiv2RebuildWithDate(int fd, const std::string& date, bool digitized,
                                  const std::vector<std::pair<DateTag, std::string>>& more)
{
    using Status = ExifWriteResult::Status;
    Exiv2Rebuild result;
    const off_t size = regularFileSize(fd);
    if (size < 0) {
        result.status = Status::NoImageSource;
        result.detail = "not a regular file";
        return result;
    }
    if (holdsVideo(fd)) {
        result.status = Status::NoImageDestination;
        result.detail = "a video, not a photo";
        return result;
    }
    const auto tooLong = [](const auto& field) { return field.second.size() > helper::kMaxDateLength; };
    if (date.size() > helper::kMaxDateLength || more.size() > 2 || std::any_of(more.begin(), more.end(), tooLong)) {
        result.detail = "date text too long";
        return result;
    }
    HelperAnswer answer =
        askExifHelper({helper::RequestKind::Rebuild, digitized, date, more}, fd, static_cast<uint64_t>(size));
    if (answer.outcome != HelperAnswer::Outcome::Answered) {
        logIncident(fd, answer.what);
        result.detail = answer.what;
        return result;
    }
    if (answer.reply.status > static_cast<uint8_t>(Status::WriteFailed))
        return result;
    result.status = static_cast<Status>(answer.reply.status);
    result.detail = std::move(answer.reply.first);
    if (result.status == Status::Written && answer.payload.empty()) {
        result.status = Status::EncodeFailed;
        result.detail = "the rebuilt image is empty";
    }
    result.bytes = std::move(answer.payload);
    return result;
}

} // namespace velmora
