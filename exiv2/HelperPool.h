// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/UniqueFd.h"

#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <vector>

namespace velmora {

// One velmora-helper process and the application's end of its socket.
struct HelperProcess {
    pid_t pid = -1;
    UniqueFd socket;
    bool greeted = false; // its first message, about its confinement, has been read
    bool used = false;    // it has been handed a photo: hostile bytes may have subverted it
};

// Where velmora-helper is: where useHelperAt() said, else findHelper() for
// the running program's folder. Never a folder of the build machine: an
// installed Velmora without its helper would run whatever lies there.
std::string helperPath();

// Beside the program in `exeDir`, else in its installed libexec folder
// (`exeDir`/../libexec/velmora); the first when neither is there.
std::string findHelper(const std::filesystem::path& exeDir);

// For programs that are not installed with their helper (tests in
// build/tests/, benchmarks, fuzz targets): the helper to start from now on.
void useHelperAt(std::string path);

// Ends the helper and reaps it. Without `kill`, one that closed its end is
// given a moment to exit on its own, and the answer says how it ended.
std::string endHelper(HelperProcess& p, bool kill);

// Idle helpers. A thread takes one for a request and gives it back after a
// good answer; a helper in doubt is never given back.
class HelperPool {
public:
    // An idle helper, or a fresh one that has said hello; null with `error` set.
    // With `unused`, only one that has never been handed a photo.
    std::unique_ptr<HelperProcess> take(std::string& error, bool unused = false);
    void giveBack(std::unique_ptr<HelperProcess> p);
    // Starts one helper when none is idle; with `wait`, until it has said hello.
    void startOne(bool wait);

private:
    static constexpr size_t kMaxIdle = 8;
    std::mutex mutex_;
    std::vector<std::unique_ptr<HelperProcess>> idle_;
};

// Never destroyed: a helper left idle at exit sees its socket close and ends.
HelperPool& helperPool();

} // namespace velmora
