// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace velmora {

// How a write is made durable on a file system. `syncfs` counts only where
// the kernel flushes the file system itself; on FUSE, network and unknown file
// systems it may return success without flushing, so each file gets its own flush.
enum class FlushRule { WholeFileSystem, EachFile };

// The rule for the file system of type `magic` (statfs's f_type).
FlushRule flushRuleOfType(long magic);
// The rule for the file system that holds the file open on `fd`: decided
// once per device, EachFile when statfs fails.
FlushRule flushRuleFor(int fd);

// A folder's fsync: 0, or errno. A file system that refuses it (EINVAL) has no
// folder flush to give, which is not an error.
int syncFolder(int dirFd);

} // namespace velmora
