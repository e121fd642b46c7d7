// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/DateReader.h"

#include "exiv2/Exiv2Access.h"
#include "metadata/DateLocator.h"
#include "files/PosixIo.h"
#include "files/UniqueFd.h"

#include <algorithm>
#include <fcntl.h>
#include <string_view>
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
    if (st.st_size == 0 || isPlainText(fd.get(), static_cast<uint64_t>(st.st_size)))
        return {}; // nothing exiv2 would find a date in: no helper asked
    return exiv2ReadDates(fd.get());
}

} // namespace velmora
