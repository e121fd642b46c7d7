// SPDX-License-Identifier: GPL-3.0-or-later
#include "helper/Confinement.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <seccomp.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define VELMORA_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define VELMORA_SANITIZED 1
#endif
#endif

namespace velmora::helper {
namespace {

void limit(int resource, rlim_t value)
{
    const rlimit r{value, value};
    ::setrlimit(resource, &r);
}

// What exiv2 needs to parse and rebuild a photo in memory, the C++ runtime
// and glibc's allocator, and the socket to the application.
constexpr int kAllowed[] = {
    SCMP_SYS(read),         SCMP_SYS(write),          SCMP_SYS(readv),
    SCMP_SYS(writev),       SCMP_SYS(recvmsg),        SCMP_SYS(sendmsg),
    SCMP_SYS(recvfrom),     SCMP_SYS(sendto),         SCMP_SYS(close),
    SCMP_SYS(fstat),        SCMP_SYS(lseek),          SCMP_SYS(pread64),
    SCMP_SYS(mmap),         SCMP_SYS(munmap),         SCMP_SYS(mremap),
    SCMP_SYS(mprotect),     SCMP_SYS(madvise),        SCMP_SYS(brk),
    SCMP_SYS(futex),        SCMP_SYS(exit),           SCMP_SYS(exit_group),
    SCMP_SYS(rt_sigreturn), SCMP_SYS(rt_sigprocmask), SCMP_SYS(getpid),
    SCMP_SYS(gettid),       SCMP_SYS(clock_gettime),  SCMP_SYS(sched_yield),
    SCMP_SYS(sysinfo),      SCMP_SYS(getrandom),      SCMP_SYS(restart_syscall),
};

// Asked by library code that copes with a refusal (exiv2 looks up its own
// path, glibc probes files): refused, not fatal. newfstatat and statx look a
// path up even with AT_EMPTY_PATH, and seccomp cannot read the path: so
// glibc's fstat(), which is newfstatat(fd, "", AT_EMPTY_PATH), is refused too,
// and the helper asks the kernel's fstat, which takes a descriptor only.
constexpr int kRefused[] = {SCMP_SYS(open),       SCMP_SYS(openat),     SCMP_SYS(creat),    SCMP_SYS(ioctl),
                            SCMP_SYS(readlink),   SCMP_SYS(readlinkat), SCMP_SYS(stat),     SCMP_SYS(lstat),
                            SCMP_SYS(newfstatat), SCMP_SYS(statx),      SCMP_SYS(access),   SCMP_SYS(faccessat),
                            SCMP_SYS(faccessat2), SCMP_SYS(getcwd)};

std::string installFilter()
{
    scmp_filter_ctx ctx = ::seccomp_init(SCMP_ACT_KILL_PROCESS);
    if (!ctx)
        return "seccomp_init failed";
    int rc = 0;
    for (const int call : kAllowed)
        if (rc == 0)
            rc = ::seccomp_rule_add(ctx, SCMP_ACT_ALLOW, call, 0);
    for (const int call : kRefused)
        if (rc == 0)
            rc = ::seccomp_rule_add(ctx, SCMP_ACT_ERRNO(EACCES), call, 0);
    // Signals to itself only (abort() raises SIGABRT with tgkill): any other
    // process of the user is out of reach.
    if (rc == 0)
        rc = ::seccomp_rule_add(ctx, SCMP_ACT_ALLOW, SCMP_SYS(tgkill), 1,
                                SCMP_A0(SCMP_CMP_EQ, static_cast<scmp_datum_t>(::getpid())));
    if (rc == 0)
        rc = ::seccomp_load(ctx);
    ::seccomp_release(ctx);
    return rc == 0 ? std::string() : std::string("seccomp_load: ") + std::strerror(-rc);
}

} // namespace

std::string confine()
{
    limit(RLIMIT_CORE, 0);
    limit(RLIMIT_FSIZE, 0);
    limit(RLIMIT_NOFILE, 16);
    std::signal(SIGXFSZ, SIG_IGN);
    ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0);
#ifdef VELMORA_SANITIZED
    // The sanitizer runtimes reserve terabytes of address space and, when they
    // report, open files and start threads: neither a memory limit nor the
    // filter can hold. Sanitizer builds test the rest of the machinery.
    return "sanitizer build";
#else
    // Room for the largest photos and exiv2's copies of them; a crafted size
    // field that makes exiv2 allocate more fails with bad_alloc instead.
    limit(RLIMIT_AS, rlim_t(3) << 30);
    return installFilter();
#endif
}

bool sanitizerBuild()
{
#ifdef VELMORA_SANITIZED
    return true;
#else
    return false;
#endif
}

int fstatDescriptor(int fd, struct stat& st)
{
    return ::syscall(SYS_fstat, fd, &st) == 0 ? 0 : errno;
}

int checkConfinement(std::string_view probe)
{
    const pid_t parent = ::getppid(); // asked before: getppid() is off the list
    const std::string unconfined = confine();
    std::printf("seccomp: %s\n", unconfined.empty() ? "on" : ("off (" + unconfined + ")").c_str());
    std::fflush(stdout);
    // Each probe returns its errno; one the filter forbids ends the helper here by SIGSYS.
    const std::pair<std::string_view, int (*)(pid_t)> probes[] = {
        {"open", [](pid_t) { return ::open("/proc/self/status", O_RDONLY | O_CLOEXEC) < 0 ? errno : 0; }},
        {"stat",
         [](pid_t) {
             struct stat st {};
             return ::fstatat(AT_FDCWD, "/proc/self/status", &st, AT_EMPTY_PATH) != 0 ? errno : 0;
         }},
        {"fstat",
         [](pid_t) {
             struct stat st {};
             return fstatDescriptor(0, st);
         }},
        {"signal-self", [](pid_t) { return ::syscall(SYS_tgkill, ::getpid(), ::gettid(), 0) != 0 ? errno : 0; }},
        {"signal-other", [](pid_t other) { return ::syscall(SYS_tgkill, other, other, 0) != 0 ? errno : 0; }},
        {"socket", [](pid_t) { return ::socket(AF_INET, SOCK_STREAM, 0) < 0 ? errno : 0; }},
    };
    for (const auto& [name, run] : probes) {
        if (!probe.empty() && probe != name)
            continue;
        const int err = run(parent);
        std::printf("%.*s: %s\n", int(name.size()), name.data(), err == 0 ? "allowed" : std::strerror(err));
        std::fflush(stdout);
    }
    return 0;
}

} // namespace velmora::helper
