// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/MetadataReader.h"

#include "platform/Exiv2Access.h"
#include "platform/DateLocator.h"
#include "platform/PosixIo.h"
#include "platform/UniqueFd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora {
namespace {

// Opens `path` for reading only when it is a regular file; an empty UniqueFd otherwise.
UniqueFd openRegular(const std::filesystem::path& path, struct stat& st)
{
    // Checked before the open, since opening a device can have effects of
    // its own; and after, on the descriptor, in case the path changed between.
    struct stat named {};
    if (::stat(path.c_str(), &named) != 0 || !S_ISREG(named.st_mode))
        return UniqueFd();
    int error = 0;
    return openRegularFile(AT_FDCWD, path.c_str(), O_RDONLY, st, error);
}

} // namespace

CaptureDates readCaptureDates(const std::filesystem::path& path, std::optional<FileIdentity>* identity)
{
    struct stat st {};
    const UniqueFd fd = openRegular(path, st);
    if (fd.get() < 0)
        return {};
    if (identity)
        *identity = identityOf(st);
    // The formats we locate the dates in ourselves: only the bytes that hold
    // them. Everything else, and anything unusual, goes to exiv2.
    if (const std::optional<DateLocation> located = locateDates(fd.get(), static_cast<uint64_t>(st.st_size)))
        return located->dates();
    return exiv2ReadDates(fd.get());
}

CaptureDates readCaptureDatesWithExiv2(const std::filesystem::path& path)
{
    struct stat st {};
    const UniqueFd fd = openRegular(path, st);
    if (fd.get() < 0)
        return {};
    return exiv2ReadDates(fd.get());
}

} // namespace velmora
