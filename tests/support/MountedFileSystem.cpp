// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/MountedFileSystem.h"
#include "support/TestSupport.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <netinet/in.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace velmora::test {
namespace {

const fs::path kRoot = "/tmp/velmora-mounts";

// Runs a shell command with its output added to the folder's log; true when it succeeded.
bool sh(const fs::path& base, const std::string& command)
{
    return std::system(("{ " + command + "; } >>" + (base / "log").native() + " 2>&1 </dev/null").c_str()) == 0;
}

void must(const fs::path& base, const std::string& command)
{
    if (!sh(base, command))
        throw std::runtime_error("failed: " + command + "\n" + readFile(base / "log"));
}

// A FUSE mount whose daemon is gone counts: it answers ENOTCONN until unmounted.
bool isMountPoint(const fs::path& path)
{
    struct stat at {}, parent {};
    if (::stat(path.c_str(), &at) != 0)
        return errno == ENOTCONN;
    return ::stat(path.parent_path().c_str(), &parent) == 0 && at.st_dev != parent.st_dev;
}

// A port on 127.0.0.1 that nothing listens on now.
int freePort()
{
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{.sin_family = AF_INET, .sin_port = 0, .sin_addr = {htonl(INADDR_LOOPBACK)}, .sin_zero = {}};
    socklen_t size = sizeof a;
    const bool ok = ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
                    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &size) == 0;
    ::close(s);
    return ok ? ntohs(a.sin_port) : 0;
}

// What a fixture in `base` may have left: the mount (lazily, so that a process
// still inside it cannot stop the teardown), its sshd and its loop device.
void tearDown(const fs::path& base)
{
    if (isMountPoint(base / "mnt"))
        sh(base, "umount -l " + (base / "mnt").native());
    // Only the sshd whose command line names this folder, never a process that reused its ID.
    if (const int pid = std::atoi(readFile(base / "sshd.pid").c_str());
        pid > 0 && readFile("/proc/" + std::to_string(pid) + "/cmdline").find(base.native()) != std::string::npos)
        ::kill(pid, SIGTERM);
    // Detached now, or (still in use by a lazy unmount) as soon as it is free.
    sh(base, "losetup -j " + (base / "image").native() + " | cut -d: -f1 | xargs -r -n1 losetup -d");
}

// Tears down what runs that were killed left behind.
void cleanUpLeftovers()
{
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(kRoot, ec)) {
        const int fd = ::open((entry.path() / "lock").c_str(), O_RDWR | O_CLOEXEC);
        // Locked: a live fixture's. Kept locked while torn down, so that no other cleaner races.
        // Without a lock file yet: one being made, unless it is old.
        const bool young = fs::last_write_time(entry.path(), ec) > fs::file_time_type::clock::now() - 1min;
        if (fd >= 0 ? ::flock(fd, LOCK_EX | LOCK_NB) == 0 : !young) {
            tearDown(entry.path());
            fs::remove_all(entry.path(), ec);
        }
        if (fd >= 0)
            ::close(fd);
    }
}

} // namespace

const char* fsName(FsKind kind)
{
    static const char* const names[] = {"ext4", "xfs", "btrfs", "exfat_fuse", "ntfs_3g", "sshfs", "powercut"};
    return names[static_cast<int>(kind)];
}

std::string MountedFileSystem::unavailable(FsKind kind)
{
    if (::geteuid() != 0)
        return "mounting a file system needs root";
    const bool fuse = kind >= FsKind::ExfatFuse;
    if (fuse && ::access("/dev/fuse", R_OK | W_OK) != 0)
        return "no /dev/fuse";
    if (kind == FsKind::PowerCut)
        return ::access("/usr/lib/python3/dist-packages/fusepy.py", R_OK) == 0 ? "" : "python3-fusepy is not installed";
    if (kind == FsKind::Sshfs && ::access("/usr/sbin/sshd", X_OK) != 0)
        return "openssh-server is not installed";
    if (kind != FsKind::Sshfs && ::access("/dev/loop-control", R_OK | W_OK) != 0)
        return "no loop devices";
    static const char* const tools[][2] = {{"mkfs.ext4", "losetup"},  {"mkfs.xfs", "losetup"}, {"mkfs.btrfs", "losetup"},
                                           {"mkfs.exfat", "mount.exfat-fuse"}, {"mkntfs", "ntfs-3g"}, {"sshfs", "ssh-keygen"}};
    for (const std::string tool : tools[static_cast<int>(kind)])
        if (std::system(("command -v " + tool + " >/dev/null").c_str()) != 0)
            return tool + " is not installed (tools/install-deps --test)";
    return {};
}

MountedFileSystem::MountedFileSystem(FsKind kind) : kind_(kind)
{
    cleanUpLeftovers();
    fs::create_directories(kRoot);
    std::string pattern = (kRoot / (std::string(fsName(kind)) + "-XXXXXX")).native();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    base_ = pattern;
    mountPoint_ = base_ / "mnt";
    fs::create_directory(mountPoint_);
    // Held while this lives (and by no program it starts): a free lock marks a leftover.
    lock_ = ::open((base_ / "lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ::flock(lock_, LOCK_EX);
    try {
        const std::string image = (base_ / "image").native(), mnt = mountPoint_.native();
        if (kind == FsKind::PowerCut) {
            fs::create_directory(base_ / "backing");
        } else if (kind == FsKind::Sshfs) {
            // A private sshd on 127.0.0.1 that lets in our own key only; it writes its pid file once it listens.
            const std::string key = (base_ / "key").native(), port = std::to_string(freePort());
            fs::create_directories(base_ / "remote");
            fs::create_directories("/run/sshd"); // its privilege separation folder
            must(base_, "ssh-keygen -q -t ed25519 -N '' -f " + key + " && ssh-keygen -q -t ed25519 -N '' -f " + key +
                            "-host && /usr/sbin/sshd -f /dev/null -E " + (base_ / "sshd.log").native() +
                            " -o PidFile=" + (base_ / "sshd.pid").native() + " -o ListenAddress=127.0.0.1 -o Port=" +
                            port + " -o HostKey=" + key + "-host -o AuthorizedKeysFile=" + key +
                            ".pub -o PermitRootLogin=prohibit-password -o PasswordAuthentication=no"
                            " -o KbdInteractiveAuthentication=no -o UsePAM=no -o StrictModes=no"
                            " -o 'Subsystem=sftp internal-sftp'");
            for (int i = 0; i < 200 && !fs::exists(base_ / "sshd.pid"); ++i)
                std::this_thread::sleep_for(25ms);
            mount_ = "sshfs -o IdentityFile=" + key + ",StrictHostKeyChecking=no,UserKnownHostsFile=/dev/null,port=" +
                     port + " root@127.0.0.1:" + (base_ / "remote").native() + " " + mnt;
        } else {
            // Sparse: xfs wants 300 MiB at least, which costs nothing until written.
            static const char* const mkfs[] = {"mkfs.ext4 -q -F", "mkfs.xfs -q -f", "mkfs.btrfs -q -f",
                                               "mkfs.exfat", "mkntfs -q -F -f"};
            must(base_, "truncate -s 320M " + image + " && " + mkfs[static_cast<int>(kind)] + " " + image);
            // The loop device is detached as soon as the file system lets go of it, however this process ends.
            mount_ = "loop=$(losetup --find --show " + image + ") && " +
                     (kind == FsKind::ExfatFuse ? "mount.exfat-fuse" : kind == FsKind::Ntfs3g ? "ntfs-3g" : "mount") +
                     " $loop " + mnt + "; rc=$?; losetup -d $loop; exit $rc";
        }
        remount();
    } catch (...) {
        tearDown(base_);
        fs::remove_all(base_);
        ::close(lock_);
        throw;
    }
}

bool MountedFileSystem::cut()
{
    pid_t daemon = daemon_;
    // Otherwise the process whose arguments name this mount point: ours alone.
    for (const auto& entry : fs::directory_iterator("/proc"))
        if (daemon <= 0 && readFile(entry.path() / "cmdline").find('\0' + mountPoint_.native() + '\0') != std::string::npos)
            daemon = std::atoi(entry.path().filename().c_str());
    if (daemon <= 0 || ::kill(daemon, SIGKILL) != 0)
        return false;
    if (std::exchange(daemon_, -1) == daemon)
        ::waitpid(daemon, nullptr, 0);
    struct stat st {};
    for (int i = 0; i < 500; ++i, std::this_thread::sleep_for(10ms))
        if (::stat(mountPoint_.c_str(), &st) != 0 && errno == ENOTCONN)
            return true;
    return false;
}

void MountedFileSystem::remount()
{
    struct stat live {};
    if (kind_ == FsKind::ExfatFuse && isMountPoint(mountPoint_) && ::stat(mountPoint_.c_str(), &live) == 0) {
        // A card put into another reader: the new loop device taken while the old one is
        // held, so it is another; its cache dropped once the old one has written everything back.
        const std::string image = (base_ / "image").native(), mnt = mountPoint_.native();
        return must(base_, "loop=$(losetup --find --show " + image + ") && umount " + mnt +
                               " && blockdev --flushbufs $loop && mount.exfat-fuse $loop " + mnt +
                               "; rc=$?; losetup -d $loop; exit $rc");
    }
    if (isMountPoint(mountPoint_))
        sh(base_, "umount -l " + mountPoint_.native());
    if (kind_ != FsKind::PowerCut)
        return must(base_, mount_);
    const std::string backing = (base_ / "backing").native(), log = (base_ / "log").native();
    const char* argv[] = {"/usr/bin/python3", VELMORA_POWERCUT_FS, backing.c_str(), mountPoint_.c_str(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    const int err = ::posix_spawn(&daemon_, argv[0], &actions, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    for (int i = 0; err == 0 && i < 400 && !isMountPoint(mountPoint_) && ::waitpid(daemon_, nullptr, WNOHANG) == 0; ++i)
        std::this_thread::sleep_for(25ms);
    if (!isMountPoint(mountPoint_))
        throw std::runtime_error("the power-cut file system did not mount\n" + readFile(base_ / "log"));
}

MountedFileSystem::~MountedFileSystem()
{
    tearDown(base_);
    if (daemon_ > 0) { // unmounted already: what it still holds goes nowhere
        ::kill(daemon_, SIGKILL);
        ::waitpid(daemon_, nullptr, 0);
    }
    std::error_code ec;
    fs::remove_all(base_, ec);
    ::close(lock_);
}

} // namespace velmora::test
