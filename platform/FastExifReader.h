#pragma once

#include "platform/MetadataReader.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace velmora {

// The two capture dates of a JPEG or a TIFF-based file, read from the few
// bytes that hold them: the first 64 KiB, and further only where an offset
// points. The answer is the one exiv2 gives for such a file; nullopt whenever
// the file is of another format or not plainly well formed, so that the
// caller asks exiv2 instead. Never throws.
std::optional<CaptureDates> readCaptureDatesFast(int fd, uint64_t fileSize);

// The same on bytes in memory holding the whole file.
std::optional<CaptureDates> parseCaptureDatesFast(const uint8_t* data, size_t size);

} // namespace velmora
