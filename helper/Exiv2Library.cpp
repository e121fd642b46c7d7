// SPDX-License-Identifier: GPL-3.0-or-later
// Built into velmora-helper only: the application's side of these two
// functions is ConfinedExiv2.cpp, which hands the photo to that helper.
#include "exiv2/Exiv2Access.h"

#include "helper/Confinement.h"
#include "helper/Exiv2LossCheck.h"
#include "files/PosixIo.h"

#include <exiv2/exiv2.hpp>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora {
namespace {

using Status = ExifWriteResult::Status;
using ByteView = std::span<const Exiv2::byte>;

void initializeOnce()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // exiv2's own warnings about odd files would flood stderr on a large batch.
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::XmpParser::initialize();
#ifdef EXV_ENABLE_BMFF
        Exiv2::enableBMFF(true);
#endif
    });
}

std::optional<std::string> dateField(const Exiv2::ExifData& exif, const char* key)
{
    const auto it = exif.findKey(Exiv2::ExifKey(key));
    if (it == exif.end())
        return std::nullopt;
    // The raw bytes, not toString(): that would reformat a value of an unexpected type.
    std::string text(static_cast<size_t>(it->size()), '\0');
    if (!text.empty())
        it->copy(reinterpret_cast<Exiv2::byte*>(text.data()), Exiv2::littleEndian);
    while (!text.empty() && text.back() == '\0')
        text.pop_back();
    return text;
}

// The whole file, read from offset 0 whatever the descriptor's position; errno on failure.
int readWhole(int fd, std::unique_ptr<Exiv2::byte[]>& data, size_t& size)
{
    struct stat st {};
    if (const int err = helper::fstatDescriptor(fd, st); err != 0)
        return err;
    if (!S_ISREG(st.st_mode))
        return EINVAL;
    size = static_cast<size_t>(st.st_size);
    data = std::make_unique_for_overwrite<Exiv2::byte[]>(size);
    return preadFull(fd, data.get(), size, 0); // EIO: the file shrank while we read it
}

Exiv2Rebuild failure(Status status, std::string detail)
{
    Exiv2Rebuild r;
    r.status = status;
    r.detail = std::move(detail);
    return r;
}

using MoreDates = std::vector<std::pair<DateTag, std::string>>;

const char* keyOf(DateTag tag)
{
    return tag == DateTag::Original    ? "Exif.Photo.DateTimeOriginal"
           : tag == DateTag::Digitized ? "Exif.Photo.DateTimeDigitized"
                                       : "Exif.Image.DateTime";
}

Exiv2Rebuild rebuild(ByteView bytes, const std::string& date, bool digitized, const MoreDates& more)
{
    Exiv2::Image::AutoPtr image;
    try {
        image = Exiv2::ImageFactory::open(bytes.data(), static_cast<long>(bytes.size()));
    } catch (const std::exception& e) {
        return failure(Status::NoImageSource, e.what());
    }
    if (!image.get())
        return failure(Status::NoImageSource, "not an image");

    try {
        const int type = image->imageType();
        const Exiv2::AccessMode mode = Exiv2::ImageFactory::checkMode(type, Exiv2::mdExif);
        // An XMP sidecar is no photo: exiv2 would turn the date into XMP.
        if ((mode != Exiv2::amWrite && mode != Exiv2::amReadWrite) || type == Exiv2::ImageType::xmp)
            return failure(Status::NoImageDestination, "EXIF cannot be written into this format");
        try {
            image->readMetadata();
        } catch (const std::exception& e) {
            return failure(Status::NoImageSource, e.what());
        }
        // The XMP packet goes back exactly as it was read, not re-serialized.
        image->writeXmpFromPacket(true);
        // A value of its own type: a damaged file may hold the field with another type.
        // read(), not the constructor: it adds the terminating NUL that EXIF asks for.
        Exiv2::AsciiValue value;
        value.read(date);
        image->exifData()[keyOf(digitized ? DateTag::Digitized : DateTag::Original)].setValue(&value);
        for (const auto& [tag, text] : more) {
            value.read(text);
            image->exifData()[keyOf(tag)].setValue(&value);
        }
        const MetadataSnapshot expected = MetadataSnapshot::of(*image);
        // Counted first: exiv2 may patch a TIFF in place, in these very bytes.
        const size_t pagesBefore = tiffImageCount(bytes);
        const std::string packetBefore(xmpPacketIn(bytes));
        image->writeMetadata();

        // The image writes into memory: mmap() hands out that buffer itself.
        Exiv2::BasicIo& io = image->io();
        if (io.open() != 0)
            return failure(Status::EncodeFailed, "cannot reopen the rebuilt image");
        const size_t size = io.size();
        const Exiv2::byte* data = size > 0 ? io.mmap() : nullptr;
        if (!data)
            return failure(Status::EncodeFailed, "the rebuilt image is empty");
        const ByteView out(data, size);

        // exiv2 drops data silently in a few cases (an EXIF block over 64 KB
        // in a JPEG, TIFF images after the fourth): check before the photo is replaced.
        Exiv2::Image::AutoPtr check = Exiv2::ImageFactory::open(out.data(), static_cast<long>(out.size()));
        if (!check.get())
            return failure(Status::EncodeFailed, "the rebuilt image cannot be read");
        check->readMetadata();
        if (const std::string loss = MetadataSnapshot::lossBetween(expected, MetadataSnapshot::of(*check));
            !loss.empty())
            return failure(Status::EncodeFailed, loss);
        if (!packetBefore.empty() && xmpPacketIn(out) != packetBefore)
            return failure(Status::EncodeFailed, "the XMP packet would be rewritten");
        if (tiffImageCount(out) < pagesBefore)
            return failure(Status::EncodeFailed, "images of a multi-image file would be lost");
        Exiv2Rebuild done;
        done.status = Status::Written;
        done.bytes.assign(out.begin(), out.end());
        return done;
    } catch (const std::exception& e) {
        return failure(Status::EncodeFailed, e.what());
    }
}

} // namespace

CaptureDates exiv2ReadDates(int fd)
{
    initializeOnce();
    CaptureDates result;
    // From memory: the helper process that runs this may not open files.
    struct stat st {};
    if (helper::fstatDescriptor(fd, st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0)
        return result;
    const size_t size = static_cast<size_t>(st.st_size);
    void* mapped = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (mapped == MAP_FAILED)
        return result;
    const std::unique_ptr<void, std::function<void(void*)>> unmap(mapped, [size](void* at) { ::munmap(at, size); });
    try {
        Exiv2::Image::AutoPtr image =
            Exiv2::ImageFactory::open(static_cast<const Exiv2::byte*>(mapped), static_cast<long>(size));
        if (!image.get())
            return result;
        result.source = CaptureDates::Source::NoProperties;
        image->readMetadata();
        const Exiv2::ExifData& exif = image->exifData();
        result.source = exif.empty() ? CaptureDates::Source::NoExif : CaptureDates::Source::Exif;
        result.dateTimeOriginal = dateField(exif, "Exif.Photo.DateTimeOriginal");
        result.dateTimeDigitized = dateField(exif, "Exif.Photo.DateTimeDigitized");
    } catch (...) {
        // exiv2 throws on anything it cannot parse; a damaged file has no date.
        result.dateTimeOriginal.reset();
        result.dateTimeDigitized.reset();
    }
    return result;
}

Exiv2Rebuild exiv2RebuildWithDate(int fd, const std::string& date, bool digitized, const MoreDates& more)
{
    initializeOnce();
    std::unique_ptr<Exiv2::byte[]> data;
    size_t size = 0;
    if (const int err = readWhole(fd, data, size); err != 0)
        return failure(Status::NoImageSource, errnoText("read", err));
    try {
        return rebuild(ByteView(data.get(), size), date, digitized, more);
    } catch (...) {
        return failure(Status::EncodeFailed, "out of memory");
    }
}

} // namespace velmora
