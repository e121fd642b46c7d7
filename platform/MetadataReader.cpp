#include "platform/MetadataReader.h"

#include "platform/FastExifReader.h"
#include "platform/UniqueFd.h"

#include <exiv2/exiv2.hpp>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora {
namespace {

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

// exiv2 on an open regular file.
CaptureDates readWithExiv2(int fd)
{
    CaptureDates result;
    // exiv2 reopens by name; going through our descriptor makes sure it reads
    // the very regular file checked above, even if the path changed since.
    const std::string byFd = "/proc/self/fd/" + std::to_string(fd);
    try {
        Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(byFd, false);
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

// Opens `path` for reading only when it is a regular file; an empty UniqueFd otherwise.
UniqueFd openRegular(const std::filesystem::path& path, struct stat& st)
{
    // O_NONBLOCK: opening a FIFO with no writer must not wait.
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() >= 0 && (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)))
        fd.reset();
    return fd;
}

} // namespace

CaptureDates readCaptureDates(const std::filesystem::path& path)
{
    struct stat st {};
    const UniqueFd fd = openRegular(path, st);
    if (fd.get() < 0)
        return {};
    // JPEG and TIFF-based photos: only the bytes that hold the dates, without
    // exiv2's set-up per file. Everything else, and anything unusual, goes to exiv2.
    if (std::optional<CaptureDates> fast = readCaptureDatesFast(fd.get(), static_cast<uint64_t>(st.st_size)))
        return *fast;
    return readWithExiv2(fd.get());
}

CaptureDates readCaptureDatesWithExiv2(const std::filesystem::path& path)
{
    struct stat st {};
    const UniqueFd fd = openRegular(path, st);
    if (fd.get() < 0)
        return {};
    return readWithExiv2(fd.get());
}

} // namespace velmora
