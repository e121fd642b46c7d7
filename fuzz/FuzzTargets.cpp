// SPDX-License-Identifier: GPL-3.0-or-later
#include "fuzz/FuzzTargets.h"

#include "engine/DateText.h"
#include "helper/HelperChannel.h"
#include "writeback/ExifDateWriter.h"
#include "metadata/DateLocator.h"
#include "metadata/VideoDates.h"
#include "exiv2/HelperPool.h"
#include "engine/DateReader.h"
#include "exiv2/Exiv2Access.h"
#include "files/Platform.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace velmora::fuzz {
namespace {

// The dates as exiv2 alone reads them: the reference our locator is checked against.
CaptureDates readCaptureDatesWithExiv2(const std::filesystem::path& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return {};
    const CaptureDates dates = exiv2ReadDates(fd);
    ::close(fd);
    return dates;
}

// A JPEG, or a plain TIFF (not Canon's CR2, which marks its header): the
// formats where exiv2 reads every file the locator reads.
bool isJpegOrPlainTiff(const uint8_t* head, size_t size)
{
    if (size >= 2 && head[0] == 0xFF && head[1] == 0xD8)
        return true;
    return size >= 10 && (std::memcmp(head, "II*\0", 4) == 0 || std::memcmp(head, "MM\0*", 4) == 0) &&
           !(head[8] == 'C' && head[9] == 'R');
}

[[noreturn]] void broken(const char* what)
{
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

// One folder per process, in memory when the machine has /dev/shm: a fuzzer
// writes a file per execution.
const fs::path& workFolder()
{
    static const fs::path folder = [] {
        initializePlatform();
        useHelperAt(VELMORA_HELPER); // the build's: fuzz targets are never installed beside it
        std::string pattern = (fs::exists("/dev/shm") ? std::string("/dev/shm") : fs::temp_directory_path().native()) +
                              "/velmora-fuzz-XXXXXX";
        if (!::mkdtemp(pattern.data()))
            std::abort();
        // The write-back journal too.
        ::setenv("XDG_STATE_HOME", pattern.c_str(), 1);
        // Its own copy of the name: `folder` is destroyed before the handler runs
        // (its destructor is registered after it), and a freed path is no path to remove.
        static const std::string removedAtExit = pattern;
        std::atexit([] {
            std::error_code ec;
            fs::remove_all(removedAtExit, ec);
        });
        return fs::path(pattern);
    }();
    return folder;
}

fs::path writeInput(const char* name, const uint8_t* data, size_t size)
{
    const fs::path path = workFolder() / name;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || (size && ::write(fd, data, size) != static_cast<ssize_t>(size)) || ::close(fd) != 0)
        std::abort();
    return path;
}

std::string readBack(const fs::path& path)
{
    std::string out;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buf[65536];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
            out.append(buf, n);
        std::fclose(f);
    }
    return out;
}

} // namespace

int metadataReader(const uint8_t* data, size_t size)
{
    const fs::path path = writeInput("photo", data, size);
    const CaptureDates dates = readCaptureDates(path);
    if (dates.source == CaptureDates::Source::NoImageSource && (dates.dateTimeOriginal || dates.dateTimeDigitized))
        broken("a date read from something that is no image");
    for (const auto* field : {&dates.dateTimeOriginal, &dates.dateTimeDigitized})
        if (*field && !(*field)->empty() && (*field)->back() == '\0')
            broken("trailing NUL kept in a date");
    const auto located = locateDates(data, size);
    if (located) {
        // Where the date lies is where its text is.
        for (const auto* field : {&located->original, &located->digitized})
            if (*field && ((*field)->count < (*field)->text.size() || (*field)->offset > size ||
                           (*field)->count > size - (*field)->offset ||
                           std::memcmp(data + (*field)->offset, (*field)->text.data(), (*field)->text.size()) != 0))
                broken("a located date is not where its text is");
        if (located->dates().dateTimeOriginal != dates.dateTimeOriginal ||
            located->dates().dateTimeDigitized != dates.dateTimeDigitized)
            broken("the locator reads differently from a file and from memory");
    }
    // For JPEG and plain TIFF, where exiv2 reads every file we read, the
    // locator reads the dates exiv2 reads. (Whether a file without them counts
    // as damaged or as having no EXIF may differ: either way it has no date.)
    if (located && isJpegOrPlainTiff(data, size)) {
        const CaptureDates reference = readCaptureDatesWithExiv2(path);
        if (located->dates().dateTimeOriginal != reference.dateTimeOriginal ||
            located->dates().dateTimeDigitized != reference.dateTimeDigitized)
            broken("the locator and exiv2 read different dates");
    }
    return 0;
}

int exifWriter(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    // The first byte picks the field, the rest is the photo.
    const bool digitized = data[0] & 1;
    const std::string original(reinterpret_cast<const char*>(data + 1), size - 1);
    const fs::path path = writeInput("photo.jpg", data + 1, size - 1);
    static const std::string date = "2021:03:04 05:06:07";
    const ExifWriteResult result = writeExifDate(path, date, digitized);
    if (result.status != ExifWriteResult::Status::Written) {
        if (readBack(path) != original)
            broken("a failed write-back changed the photo");
    } else {
        const CaptureDates dates = readCaptureDates(path);
        const auto& field = digitized ? dates.dateTimeDigitized : dates.dateTimeOriginal;
        // exiv2 may write a block it cannot read again (then the photo has no
        // date, as before); what it reads must be what was written.
        if (dates.source == CaptureDates::Source::Exif && field && *field != date) {
            const CaptureDates reference = readCaptureDatesWithExiv2(path);
            const auto& exiv2Field = digitized ? reference.dateTimeDigitized : reference.dateTimeOriginal;
            std::fprintf(stderr, "read back [%s], exiv2 alone [%s]\n", field->c_str(),
                         exiv2Field.value_or("none").c_str());
            broken("the written date reads back differently");
        }
    }
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(workFolder(), ec))
        if (entry.path().filename().native().find(".velmora-") != std::string::npos)
            broken("a temporary file was left behind");
    return 0;
}

int videoDates(const uint8_t* data, size_t size)
{
    const std::optional<std::string> inMemory = locateVideoDate(data, size);
    const fs::path path = writeInput("video", data, size);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        std::abort();
    const std::optional<std::string> fromFile = locateVideoDate(fd, size);
    ::close(fd);
    if (inMemory != fromFile)
        broken("the video reader reads differently from a file and from memory");
    if (inMemory && !inMemory->empty() &&
        (inMemory->size() != 19 || !isUsableCaptureDate(*inMemory) || shiftCaptureDate(*inMemory, 0) != *inMemory))
        broken("a video date that no name may use");
    return 0;
}

int dateText(const uint8_t* data, size_t size)
{
    // Eight bytes of hours, then the text.
    long long hours = 0;
    if (size >= sizeof hours) {
        std::memcpy(&hours, data, sizeof hours);
        data += sizeof hours;
        size -= sizeof hours;
    }
    const std::string text(reinterpret_cast<const char*>(data), size);
    const bool usable = isUsableCaptureDate(text);
    if (usable && (text.find('/') != std::string::npos || text.empty()))
        broken("a date with '/' or none at all counts as usable");
    static_cast<void>(hoursFromTitle(text));
    // Small shifts are the common case; keep them likely.
    const long long small = hours % 100000;
    for (const long long h : {hours, small, static_cast<long long>(hoursFromTitle(text))}) {
        const auto shifted = shiftCaptureDate(text, h);
        if (!shifted)
            continue;
        if (shifted->size() != 19 || !isUsableCaptureDate(*shifted))
            broken("a shift gave a malformed date");
        const auto back = shiftCaptureDate(*shifted, -h);
        if (!back || *back != text)
            broken("a shift does not undo");
    }
    const std::string stem = dateStem(text);
    if (stem.find(':') != std::string::npos || stem.find(' ') != std::string::npos)
        broken("a stem keeps ':' or ' '");
    if (stem.size() < text.size())
        broken("a stem lost characters");
    return 0;
}

int helperMessages(const uint8_t* data, size_t size)
{
    // A reply as a subverted helper might send it.
    constexpr uint64_t kMaxPayload = 1 << 20;
    if (size >= helper::kReplyHeaderSize) {
        uint32_t first = 0;
        uint32_t second = 0;
        const auto reply = helper::parseReplyHeader(std::span<const uint8_t, helper::kReplyHeaderSize>(data, 24),
                                                    kMaxPayload, first, second);
        if (reply &&
            (first > helper::kMaxReplyText || second > helper::kMaxReplyText || reply->payloadSize > kMaxPayload))
            broken("a reply header beyond its bounds was accepted");
    }

    // The same bytes as a request, through a real socket with one descriptor.
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
        return 0;
    const UniqueFd app(pair[0]);
    const UniqueFd helperEnd(pair[1]);
    const UniqueFd attached(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    size = std::min<size_t>(size, 4096); // within the socket's buffer
    if (size == 0 ||
        !helper::sendWithDescriptor(app.get(), {reinterpret_cast<const char*>(data), size}, attached.get()))
        return 0;
    ::shutdown(app.get(), SHUT_WR);

    UniqueFd photo;
    const std::optional<helper::Request> request = helper::receiveRequest(helperEnd.get(), photo);
    const std::optional<helper::Request> whole = helper::parseRequest({data, size});
    if (request) {
        const std::string again = helper::encodeRequest(*request);
        if (photo.get() < 0)
            broken("a request was taken without its descriptor");
        if (again.size() > size || std::memcmp(again.data(), data, again.size()) != 0)
            broken("a request was taken that the bytes do not begin with");
    }
    if (whole && (!request || request->kind != whole->kind || request->date != whole->date))
        broken("a well-formed request was refused");
    return 0;
}

} // namespace velmora::fuzz
