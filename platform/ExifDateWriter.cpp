#include "platform/ExifDateWriter.h"

#include <exiv2/exiv2.hpp>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace velmora {
namespace {

using Status = ExifWriteResult::Status;

ExifWriteResult fail(Status status, std::string detail)
{
    return {status, std::move(detail)};
}

std::string errnoText(const char* what, int err)
{
    return std::string(what) + ": " + std::strerror(err) + " (errno " + std::to_string(err) + ")";
}

bool readAll(int fd, std::vector<Exiv2::byte>& out, size_t size)
{
    out.resize(size);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, out.data() + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool writeAll(int fd, const Exiv2::byte* data, size_t size)
{
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// Writes `data` to a new file beside `target` and renames it over `target`.
// 0 on success, else errno; nothing is left behind on failure.
int replaceAtomically(const fs::path& target, const struct stat& original, const Exiv2::byte* data, size_t size)
{
    std::string name = (target.parent_path() / ("." + target.filename().native() + ".velmora-XXXXXX")).native();
    // A long photo name leaves no room for our decoration: use a short one.
    if (target.filename().native().size() > NAME_MAX - 16)
        name = (target.parent_path() / ".velmora-XXXXXX").native();
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0)
        return errno;
    int err = 0;
    if (!writeAll(fd, data, size))
        err = errno ? errno : EIO;
    if (err == 0 && ::fchmod(fd, original.st_mode & 07777) != 0)
        err = errno;
    if (err == 0 && ::geteuid() == 0)
        static_cast<void>(::fchown(fd, original.st_uid, original.st_gid)); // keep the owner when we can
    if (err == 0 && ::fsync(fd) != 0)
        err = errno;
    if (::close(fd) != 0 && err == 0)
        err = errno;
    if (err == 0 && ::rename(name.c_str(), target.c_str()) != 0)
        err = errno;
    if (err != 0) {
        ::unlink(name.c_str());
        return err;
    }
    // The rename itself must survive a power cut too.
    const int dir = ::open(target.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return 0;
}

} // namespace

ExifWriteResult writeExifDate(const fs::path& photo, const std::string& date, bool digitized)
{
    // Rewrite the file a link points to, in its own folder, and keep the link.
    char resolved[PATH_MAX];
    if (!::realpath(photo.c_str(), resolved))
        return fail(Status::NoImageSource, errnoText("realpath", errno));
    const fs::path target(resolved);

    const int fd = ::open(target.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fail(Status::NoImageSource, errnoText("open", errno));
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return fail(Status::NoImageSource, "not a regular file");
    }
    std::vector<Exiv2::byte> bytes;
    const bool complete = readAll(fd, bytes, static_cast<size_t>(st.st_size));
    const int readErr = errno;
    ::close(fd);
    if (!complete)
        return fail(Status::NoImageSource, errnoText("read", readErr));

    Exiv2::Image::AutoPtr image;
    try {
        image = Exiv2::ImageFactory::open(bytes.data(), static_cast<long>(bytes.size()));
    } catch (const Exiv2::AnyError& e) {
        return fail(Status::NoImageSource, e.what());
    }
    if (!image.get())
        return fail(Status::NoImageSource, "not an image");

    std::vector<Exiv2::byte> rebuilt;
    try {
        const Exiv2::AccessMode mode = Exiv2::ImageFactory::checkMode(image->imageType(), Exiv2::mdExif);
        if (mode != Exiv2::amWrite && mode != Exiv2::amReadWrite)
            return fail(Status::NoImageDestination, "EXIF cannot be written into this format");
        try {
            image->readMetadata();
        } catch (const Exiv2::AnyError& e) {
            return fail(Status::NoImageSource, e.what());
        }
        Exiv2::ExifData& exif = image->exifData();
        exif[digitized ? "Exif.Photo.DateTimeDigitized" : "Exif.Photo.DateTimeOriginal"] = date;
        image->writeMetadata();
        Exiv2::BasicIo& io = image->io();
        if (io.open() != 0)
            return fail(Status::EncodeFailed, "cannot reopen the rebuilt image");
        const Exiv2::DataBuf buf = io.read(static_cast<long>(io.size()));
        io.close();
        if (buf.size_ <= 0 || static_cast<size_t>(buf.size_) != io.size())
            return fail(Status::EncodeFailed, "the rebuilt image is incomplete");
        rebuilt.assign(buf.pData_, buf.pData_ + buf.size_);
    } catch (const Exiv2::AnyError& e) {
        return fail(Status::EncodeFailed, e.what());
    } catch (const std::exception& e) {
        return fail(Status::EncodeFailed, e.what());
    }
    image.reset();
    bytes = {}; // a 4 MB photo need not be held twice while writing

    if (const int err = replaceAtomically(target, st, rebuilt.data(), rebuilt.size()); err != 0)
        return fail(Status::WriteFailed, errnoText("write", err));
    return {Status::Written, {}};
}

} // namespace velmora
