// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ExifHelper.h"

#include "platform/SystemLog.h"
#include "platform/UniqueFd.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;

namespace velmora {
namespace {

using Clock = std::chrono::steady_clock;
using Outcome = HelperAnswer::Outcome;

std::atomic<long long> baseLimitMs{5000};
thread_local const std::stop_token* currentStop = nullptr;

struct Process {
    pid_t pid = -1;
    UniqueFd socket;
    bool greeted = false; // its first message, about its confinement, has been read
};

// Beside the running program (the application, installed or in the build
// folder), in libexec beside an installed one, else where the build put it.
std::string helperPath()
{
    static const std::string path = [] {
        std::error_code ec;
        const fs::path exeDir = fs::read_symlink("/proc/self/exe", ec).parent_path();
        const fs::path candidates[] = {exeDir / "velmora-helper", exeDir / "../libexec/velmora/velmora-helper",
                                       VELMORA_HELPER_BUILD_PATH};
        for (const fs::path& candidate : candidates)
            if (::access(candidate.c_str(), X_OK) == 0)
                return candidate.native();
        return candidates[0].native();
    }();
    return path;
}

bool stopRequested()
{
    return currentStop && currentStop->stop_requested();
}

// Reads exactly `size` bytes, unless the deadline passes, the stop is
// requested or the helper closes its end.
Outcome readExact(int fd, void* data, size_t size, Clock::time_point deadline)
{
    auto* at = static_cast<unsigned char*>(data);
    while (size > 0) {
        if (stopRequested())
            return Outcome::Stopped;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return Outcome::TimedOut;
        // Short slices: a stop request is seen within 50 ms.
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(std::min<long long>(left, 50)));
        if (ready < 0 && errno != EINTR)
            return Outcome::Died;
        if (ready <= 0)
            continue;
        const ssize_t n = ::recv(fd, at, size, MSG_DONTWAIT);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR))
            return Outcome::Died;
        if (n > 0) {
            at += n;
            size -= static_cast<size_t>(n);
        }
    }
    return Outcome::Answered;
}

// Header, texts and payload of one reply.
Outcome readReply(const Process& p, uint64_t maxPayload, Clock::time_point deadline, HelperAnswer& answer)
{
    std::array<uint8_t, helper::kReplyHeaderSize> header{};
    if (const Outcome o = readExact(p.socket.get(), header.data(), header.size(), deadline); o != Outcome::Answered)
        return o;
    uint32_t firstSize = 0;
    uint32_t secondSize = 0;
    const auto reply = helper::parseReplyHeader(header, maxPayload, firstSize, secondSize);
    if (!reply)
        return Outcome::Garbled;
    answer.reply = *reply;
    answer.reply.first.resize(firstSize);
    answer.reply.second.resize(secondSize);
    answer.payload.resize(reply->payloadSize);
    for (auto [data, size] : {std::pair<void*, size_t>{answer.reply.first.data(), firstSize},
                              {answer.reply.second.data(), secondSize},
                              {answer.payload.data(), answer.payload.size()}})
        if (const Outcome o = readExact(p.socket.get(), data, size, deadline); o != Outcome::Answered)
            return o;
    return Outcome::Answered;
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

// Ends the helper and collects it. One that closed its end is given a moment
// to exit on its own, so that the log can say how it ended.
std::string endProcess(Process& p, bool kill)
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

// Starts a helper without waiting for it: it loads while the caller works on.
std::unique_ptr<Process> launch(std::string& error)
{
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
        error = std::string("socketpair: ") + std::strerror(errno);
        return nullptr;
    }
    auto p = std::make_unique<Process>();
    p->socket.reset(pair[0]);
    const UniqueFd theirs(pair[1]);

    // Its end of the socket as descriptor 3, nothing else: our other
    // descriptors are close-on-exec, and the helper closes any stray one.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, theirs.get(), 3);
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
bool greet(Process& p, std::string& error)
{
    HelperAnswer hello;
    const Outcome o = readReply(p, 0, Clock::now() + std::chrono::seconds(10), hello);
    if (o != Outcome::Answered) {
        error = "it did not start: " + endProcess(p, o != Outcome::Died);
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

// Idle helpers. A thread takes one for a request and gives it back after a
// good answer; a helper in doubt is never given back.
class Pool {
public:
    std::unique_ptr<Process> take(std::string& error)
    {
        std::unique_ptr<Process> p;
        {
            std::lock_guard lock(mutex_);
            if (!idle_.empty()) {
                p = std::move(idle_.back());
                idle_.pop_back();
            }
        }
        if (!p)
            p = launch(error);
        if (p && !p->greeted && !greet(*p, error))
            p.reset();
        return p;
    }

    void giveBack(std::unique_ptr<Process> p)
    {
        std::lock_guard lock(mutex_);
        if (idle_.size() < kMaxIdle)
            idle_.push_back(std::move(p));
        else
            endProcess(*p, true);
    }

    bool hasIdle()
    {
        std::lock_guard lock(mutex_);
        return !idle_.empty();
    }

private:
    static constexpr size_t kMaxIdle = 8;
    std::mutex mutex_;
    std::vector<std::unique_ptr<Process>> idle_;
};

// Never destroyed: a helper left idle at exit sees its socket close and ends.
Pool& pool()
{
    static Pool* instance = new Pool;
    return *instance;
}

bool sendRequest(const Process& p, const std::string& message, int fd)
{
    iovec iov{const_cast<char*>(message.data()), message.size()};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    msghdr msg{};
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    cmsghdr* cmsg = CMSG_FIRSTHDR(&msg);
    cmsg->cmsg_level = SOL_SOCKET;
    cmsg->cmsg_type = SCM_RIGHTS;
    cmsg->cmsg_len = CMSG_LEN(sizeof(int));
    std::memcpy(CMSG_DATA(cmsg), &fd, sizeof fd);
    ssize_t n;
    while ((n = ::sendmsg(p.socket.get(), &msg, MSG_NOSIGNAL)) < 0 && errno == EINTR) {
    }
    return n == static_cast<ssize_t>(message.size());
}

} // namespace

HelperAnswer askExifHelper(const helper::Request& request, int fd, uint64_t size)
{
    HelperAnswer answer;
    if (stopRequested()) {
        answer.outcome = Outcome::Stopped;
        answer.what = "the exiv2 helper was stopped: Velmora is quitting";
        return answer;
    }
    std::unique_ptr<Process> p = pool().take(answer.what);
    if (!p) {
        answer.what = "the exiv2 helper could not be started: " + helperPath() + ": " + answer.what;
        return answer;
    }
    const auto limit = std::chrono::milliseconds(baseLimitMs.load()) + std::chrono::seconds(size >> 25);
    // A rebuilt photo gains its metadata, never more than its own size.
    const uint64_t maxPayload = request.kind == helper::RequestKind::Rebuild ? 2 * size + (1 << 20) : 0;
    answer.outcome = sendRequest(*p, helper::encodeRequest(request), fd)
                         ? readReply(*p, maxPayload, Clock::now() + limit, answer)
                         : Outcome::Died;
    switch (answer.outcome) {
    case Outcome::Answered:
        pool().giveBack(std::move(p));
        return answer;
    case Outcome::TimedOut:
        endProcess(*p, true);
        answer.what = "the exiv2 helper took longer than " +
                      std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(limit).count()) +
                      " ms and was killed";
        break;
    case Outcome::Stopped:
        endProcess(*p, true);
        answer.what = "the exiv2 helper was stopped: Velmora is quitting";
        break;
    case Outcome::Garbled:
        endProcess(*p, true);
        answer.what = "the exiv2 helper sent a malformed reply and was killed";
        break;
    default:
        answer.what = "the exiv2 helper " + endProcess(*p, false);
        break;
    }
    answer.payload.clear();
    return answer;
}

void setExifHelperTimeLimit(std::chrono::milliseconds base)
{
    baseLimitMs = base.count();
}

void startExifHelper(bool wait)
{
    if (pool().hasIdle())
        return;
    std::string error;
    auto p = launch(error);
    if (p && (!wait || greet(*p, error)))
        pool().giveBack(std::move(p));
}

HelperStopScope::HelperStopScope(std::stop_token stop) : stop_(std::move(stop)), previous_(currentStop)
{
    currentStop = &stop_;
}

HelperStopScope::~HelperStopScope()
{
    currentStop = previous_;
}

} // namespace velmora
