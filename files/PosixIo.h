// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/UniqueFd.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <sys/stat.h>

// The system-call patterns every file-handling part repeats, written once:
// whole transfers that survive signals and short counts, and an open that
// cannot hang on a FIFO nor hand back anything but a regular file.
namespace velmora {

// Each returns 0 once all `size` bytes are transferred, else errno (EIO when
// the file ends first). A signal (EINTR) restarts the call.
int readFull(int fd, void* out, size_t size);
int writeFull(int fd, const void* data, size_t size);
int preadFull(int fd, void* out, size_t size, uint64_t offset);
int pwriteFull(int fd, const void* data, size_t size, uint64_t offset);

// "what: strerror (errno N)", for logs.
std::string errnoText(std::string_view what, int err);

// `name` (relative to `dirFd`, or AT_FDCWD) opened with `flags` plus
// O_NONBLOCK and O_CLOEXEC, so that a FIFO cannot make the open wait; pass
// O_NOFOLLOW in `flags` to refuse a symbolic link. Fills `st` from the
// descriptor. On failure the descriptor is empty and `error` holds errno, or
// EINVAL for something that is not a regular file (a device, a FIFO, a folder).
UniqueFd openRegularFile(int dirFd, const char* name, int flags, struct stat& st, int& error);

// 0 when `fd` is a regular file (and `st` describes it), else errno or EINVAL.
int statRegularFile(int fd, struct stat& st);

} // namespace velmora
