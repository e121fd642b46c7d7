// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

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

// `velmora-helper --check-confinement`: confines itself, then tries to open
// a file and to create a socket, and prints what happened. Ends by SIGSYS
// when the filter is in force.
int checkConfinement();

} // namespace velmora::helper
