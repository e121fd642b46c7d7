// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

struct stat;

namespace velmora::helper {

// Confines the calling process for the rest of its life: resource limits,
// no new privileges, and a seccomp filter that allows only what parsing a
// photo held in memory and talking over the inherited socket need. Opening
// a file fails with EACCES; any other system call off the list (socket,
// connect, fork, exec, ...) kills the process. Returns an empty text when the
// filter is in force, else why not (the limits apply either way).
std::string confine();

// True in a sanitizer build, which confine() leaves without the memory limit
// and the filter: the sanitizer runtimes need more than either allows.
bool sanitizerBuild();

// fstat() of a descriptor, by the kernel's own call: glibc's takes a path
// argument, which the filter refuses. 0 or errno.
int fstatDescriptor(int fd, struct stat& st);

// `velmora-helper --check-confinement [PROBE]`: confines itself, then tries
// what PROBE names (every probe when none: open a file, stat a path, fstat a
// descriptor, signal itself, signal its parent, create a socket) and prints
// what happened. A forbidden call ends it by SIGSYS before its line.
int checkConfinement(std::string_view probe);

} // namespace velmora::helper
