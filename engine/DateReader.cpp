// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/DateReader.h"

#include "engine/DateText.h"
#include "exiv2/Exiv2Access.h"
#include "metadata/DateLocator.h"
#include "metadata/VideoDates.h"
#include "files/PosixIo.h"
#include "files/SystemLog.h"
#include "settings/MessageTable.h"
#include "files/UniqueFd.h"

#include <algorithm>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora {
namespace {

// Opens the file for reading only when it is a regular file; an empty UniqueFd otherwise.
UniqueFd openRegular(const FileAt& file, struct stat& st)
{
    // The name itself first, so that a photo costs one look-up. A symbolic
    // link is checked to lead to a regular file before it is followed, since
    // opening a device can have effects of its own; and on the descriptor
    // after, in case it changed between.
    int error = 0;
    UniqueFd fd = openRegularFile(file.dir, file.name.c_str(), O_RDONLY | O_NOFOLLOW | O_NOCTTY, st, error);
    if (error != ELOOP)
        return fd;
    struct stat named {};
    if (::fstatat(file.dir, file.name.c_str(), &named, 0) != 0 || !S_ISREG(named.st_mode))
        return UniqueFd();
    return openRegularFile(file.dir, file.name.c_str(), O_RDONLY | O_NOCTTY, st, error);
}

// Plain text (notes, JSON, an HTML page) that no format exiv2 reads can begin
// with: its first bytes, all of them when fewer, are printable ASCII. An XMP
// packet ('<', whose dates exiv2 reads) and PostScript ('%') are not counted.
bool isPlainText(int fd, uint64_t size)
{
    char head[64];
    const size_t n = static_cast<size_t>(std::min<uint64_t>(size, sizeof head));
    if (preadFull(fd, head, n, 0) != 0)
        return false;
    const std::string_view text(head, n);
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos || text[first] == '<' || text[first] == '%')
        return false;
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return (c >= 0x20 && c < 0x7f) || c == '\t' || c == '\r' || c == '\n'; });
}

// A video's recorded date, in both fields: it has only the one. nullopt for
// a file that is no video we read; it is read as a photo then.
std::optional<CaptureDates> readVideoDates(const FileAt& file, std::optional<FileIdentity>& identity)
{
    struct stat st {};
    const UniqueFd fd = openRegular(file, st);
    const auto date = fd.get() < 0 ? std::nullopt : locateVideoDate(fd.get(), static_cast<uint64_t>(st.st_size));
    if (!date)
        return std::nullopt;
    identity = identityOf(st);
    CaptureDates dates;
    dates.source = date->empty() ? CaptureDates::Source::NoExif : CaptureDates::Source::Exif;
    if (!date->empty())
        dates.dateTimeOriginal = dates.dateTimeDigitized = *date;
    return dates;
}

const char* fieldName(bool digitized)
{
    return digitized ? "DateTimeDigitized" : "DateTimeOriginal";
}

} // namespace

bool namingField(const CaptureDates& dates, const OptionSnapshot& options)
{
    const bool chosen = options.digitized();
    const auto& own = chosen ? dates.dateTimeDigitized : dates.dateTimeOriginal;
    const auto& other = chosen ? dates.dateTimeOriginal : dates.dateTimeDigitized;
    return options.stored.useOtherDate && !isUsableCaptureDate(own) && isUsableCaptureDate(other) ? !chosen : chosen;
}

CaptureDates readCaptureDates(const FileAt& file, std::optional<FileIdentity>* identity)
{
    struct stat st {};
    const UniqueFd fd = openRegular(file, st);
    if (fd.get() < 0)
        return {};
    if (identity)
        *identity = identityOf(st);
    // The formats we locate the dates in ourselves: only the bytes that hold
    // them. Everything else, and anything unusual, goes to exiv2.
    if (const std::optional<DateLocation> located = locateDates(fd.get(), static_cast<uint64_t>(st.st_size)))
        return located->dates();
    if (st.st_size == 0 || isPlainText(fd.get(), static_cast<uint64_t>(st.st_size)))
        return {}; // nothing exiv2 would find a date in: no helper asked
    return exiv2ReadDates(fd.get());
}

namespace {

// The member's date under `options`, and the dates it was read from; false
// when none of them can name it.
bool readMember(const FileAt& file, const OptionSnapshot& options, MemberDate& member, CaptureDates& dates)
{
    std::optional<CaptureDates> video;
    if (options.stored.renameVideos && isDatedVideoName(file.name))
        video = readVideoDates(file, member.identity);
    member.video = video.has_value();
    dates = video ? *video : readCaptureDates(file, &member.identity);
    member.digitized = namingField(dates, options);
    std::optional<std::string> capture = member.digitized ? dates.dateTimeDigitized : dates.dateTimeOriginal;
    member.original = capture.value_or("");
    if (isUsableCaptureDate(capture) && options.shifts())
        capture = shiftCaptureDate(*capture, options.shiftHours(), options.stored.clockOffsetSeconds);
    if (!isUsableCaptureDate(capture))
        return false;
    member.shifted = *capture;
    return true;
}

} // namespace

std::optional<MemberDate> usableMemberDate(const FileAt& file, const OptionSnapshot& options)
{
    MemberDate member;
    CaptureDates dates;
    if (!readMember(file, options, member, dates))
        return std::nullopt;
    return member;
}

std::optional<MemberDate> readMemberDate(const FileAt& file, const OptionSnapshot& options, PhotoReports& reports,
                                         bool listed)
{
    MemberDate member;
    CaptureDates dates;
    if (readMember(file, options, member, dates))
        return member;
    // Not there, its file system gone, or taken by an overlapping batch while
    // it was read: a look only now, for a photo that gave no date.
    const std::filesystem::path& path = file.path;
    const FileManager manager;
    if (bool isFolder = false; listed && !(manager.fileExists(path, isFolder) ? !isFolder : reports.gone().check(path)))
        return std::nullopt;
    if (!manager.fileExists(path)) {
        reports.gone().check(path) ? reports.reportUnreachable(path) : reports.reportNotFound(path);
        return std::nullopt;
    }
    // Which field was missing, and whether the other one could have named the photo.
    const std::string field = fieldName(member.digitized), other = fieldName(!member.digitized);
    const bool otherThere = isUsableCaptureDate(member.digitized ? dates.dateTimeOriginal : dates.dateTimeDigitized);
    const bool missing = !isUsableCaptureDate(member.original);
    std::string why;
    if (!missing)
        why = " (" + field + " cannot be shifted: " + member.original + ")";
    else if (otherThere)
        why = " (no " + field + "; it has " + other + ")";
    else
        why = " (no " + field + (options.stored.useOtherDate ? " nor " + other : std::string()) + ")";
    reports.raiseLatchedAlert(missing && otherThere ? message::kOtherDateOnly : message::kNoExif);
    SystemLog::write("*** File " + path.native() + " doesn't have EXIF data! ***" + why);
    reports.report(PhotoOutcome::Kind::NoDate, path);
    return std::nullopt;
}

} // namespace velmora
