// SPDX-License-Identifier: GPL-3.0-or-later
#include "exiv2/HelperPool.h"

#include "exiv2/HelperTransport.h"
#include "files/SystemLog.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;

namespace velmora {
namespace {

using Outcome = HelperAnswer::Outcome;

// Of the helper, once known. A function's static: useHelperAt() may be
// called while the program's statics are still being built.
std::mutex chosenMutex;
std::string& chosenPath()
{
    static std::string path;
    return path;
}

std::string describeExit(int status)
{
    if (WIFSIGNALED(status)) {
        const int sig = WTERMSIG(status);
        const char* name = sig == SIGSYS ? "a forbidden system call" : ::strsignal(sig);
        return "ended by signal " + std::to_string(sig) + " (" + (name ? name : "?") + ")";
    }
    return "exited with status " + std::to_string(WEXITSTATUS(status));
}

// Starts a helper without waiting for it: it loads while the caller works on.
std::unique_ptr<HelperProcess> launch(std::string& error)
{
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
        error = std::string("socketpair: ") + std::strerror(errno);
        return nullptr;
    }
    auto p = std::make_unique<HelperProcess>();
    p->socket.reset(pair[0]);
    const UniqueFd theirs(pair[1]);

    // Its end of the socket as descriptor 3, /dev/null as 0 to 2 (never our
    // terminal), nothing else: our other descriptors are close-on-exec, and
    // the helper closes any stray one.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, theirs.get(), 3);
    for (const int fd : {0, 1, 2})
        posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", O_RDWR, 0);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK);
    const std::string path = helperPath();
    char name[] = "velmora-helper";
    char* argv[] = {name, nullptr};
    const int err = ::posix_spawn(&p->pid, path.c_str(), &actions, &attr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (err != 0) {
        error = std::strerror(err);
        return nullptr;
    }
    return p;
}

// The helper says first whether it could confine itself. False, with the
// helper ended, when it did not start.
bool greet(HelperProcess& p, std::string& error)
{
    HelperAnswer hello;
    const Outcome o = readReply(p.socket.get(), 0, HelperClock::now() + std::chrono::seconds(10), hello);
    if (o != Outcome::Answered) {
        error = "it did not start: " + endHelper(p, o != Outcome::Died);
        return false;
    }
    p.greeted = true;
    // A sanitizer build's helper is unconfined on purpose; no note for every test.
    if (!(hello.reply.flags & (helper::Reply::kConfined | helper::Reply::kSanitizerBuild))) {
        static std::once_flag noted;
        std::call_once(noted, [&] {
            SystemLog::write("The exiv2 helper runs without seccomp (" + hello.reply.first +
                             "): only its time and resource limits confine it");
        });
    }
    return true;
}

} // namespace

std::string findHelper(const fs::path& exeDir)
{
    const fs::path candidates[] = {exeDir / "velmora-helper", exeDir / "../libexec/velmora/velmora-helper"};
    for (const fs::path& candidate : candidates)
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate.native();
    return candidates[0].native();
}

void useHelperAt(std::string path)
{
    std::lock_guard lock(chosenMutex);
    chosenPath() = std::move(path);
}

std::string helperPath()
{
    std::lock_guard lock(chosenMutex);
    std::string& path = chosenPath();
    if (path.empty()) {
        std::error_code ec;
        path = findHelper(fs::read_symlink("/proc/self/exe", ec).parent_path());
    }
    return path;
}

std::string endHelper(HelperProcess& p, bool kill)
{
    p.socket.reset();
    int status = 0;
    for (int i = 0; !kill && i < 40; ++i) {
        if (::waitpid(p.pid, &status, WNOHANG) == p.pid)
            return describeExit(status);
        ::usleep(5000);
    }
    ::kill(p.pid, SIGKILL);
    while (::waitpid(p.pid, &status, 0) < 0 && errno == EINTR) {
    }
    return kill ? std::string() : describeExit(status);
}

std::unique_ptr<HelperProcess> HelperPool::take(std::string& error, bool unused)
{
    std::unique_ptr<HelperProcess> p;
    {
        std::lock_guard lock(mutex_);
        const auto it = std::find_if(idle_.rbegin(), idle_.rend(), [&](const auto& q) { return !unused || !q->used; });
        if (it != idle_.rend()) {
            p = std::move(*it);
            idle_.erase(std::next(it).base());
        }
    }
    if (!p)
        p = launch(error);
    if (p && !p->greeted && !greet(*p, error))
        p.reset();
    if (p)
        p->used = true;
    return p;
}

void HelperPool::giveBack(std::unique_ptr<HelperProcess> p)
{
    std::lock_guard lock(mutex_);
    if (idle_.size() < kMaxIdle)
        idle_.push_back(std::move(p));
    else
        endHelper(*p, true);
}

void HelperPool::startOne(bool wait)
{
    {
        std::lock_guard lock(mutex_);
        if (!idle_.empty())
            return;
    }
    std::string error;
    auto p = launch(error);
    if (p && (!wait || greet(*p, error)))
        giveBack(std::move(p));
}

HelperPool& helperPool()
{
    static HelperPool* instance = new HelperPool;
    return *instance;
}

} // namespace velmora
