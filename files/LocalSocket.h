// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/UniqueFd.h"

#include <string>
#include <string_view>

// A stream socket of this user's under a path (AF_UNIX), through which the
// running Velmora takes the paths of later starts.
namespace velmora::localsocket {

// Connected to whoever listens at `path`; invalid when nobody does.
UniqueFd connectTo(const std::string& path);
// Listening at `path` for the owner alone, in place of whatever is there (a
// socket left by a process that crashed); never blocks. Invalid when it cannot be made.
UniqueFd listenAt(const std::string& path);
// The socket file at `path` removed, as a listener that ends leaves nothing behind.
void removeSocket(const std::string& path);
// A connection waiting on the listening `fd`, never blocking; invalid when none waits.
UniqueFd accept(int fd);
// The whole of `data` sent within `timeoutMs`.
bool sendAll(int fd, std::string_view data, int timeoutMs);

enum class Received { Some, Nothing, Ended };
// Appends to `out` what arrives within `timeoutMs` (0: only what is there):
// Ended at the end of the stream or on an error.
Received receive(int fd, std::string& out, int timeoutMs);

} // namespace velmora::localsocket
