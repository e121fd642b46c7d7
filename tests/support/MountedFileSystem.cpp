// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/MountedFileSystem.h"

#include <arpa/inet.h>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <netinet/in.h>
#include <spawn.h>
#include <sstream>
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

std::string slurp(const fs::path& path)
{
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs a shell command with its output added to the folder's log; true when it succeeded.
bool sh(const fs::path& base, const std::string& command)
{
    return std::system(("{ " + command + "; } >>" + (base / "log").native() + " 2>&1 </dev/null").c_str()) == 0;
}

void must(const fs::path& base, const std::string& command)
{
    if (!sh(base, command))
        throw std::runtime_error("failed: " + command + "\n" + slurp(base / "log"));
}

bool onPath(const std::string& tool)
{
    for (const char* dir : {"/usr/sbin/", "/sbin/", "/usr/bin/", "/bin/"})
        if (::access((dir + tool).c_str(), X_OK) == 0)
            return true;
    return false;
}

bool isMountPoint(const fs::path& path)
{
    struct stat at {}, parent {};
    return ::stat(path.c_str(), &at) == 0 && ::stat(path.parent_path().c_str(), &parent) == 0 &&
           at.st_dev != parent.st_dev;
}

int freePort()
{
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    const bool ok = ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
                    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &length) == 0;
    ::close(s);
    return ok ? ntohs(a.sin_port) : 0;
}

bool accepts(int port)
{
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(s);
    return ok;
}

// Everything a fixture in `base` may have started: the mount (lazily, so a
// process still inside it cannot stop the teardown), sshd, loop devices.
void tearDown(const fs::path& base, pid_t ownSshd)
{
    if (isMountPoint(base / "mnt"))
        sh(base, "umount -l " + (base / "mnt").native());
    pid_t sshd = ownSshd;
    if (sshd <= 0 && fs::exists(base / "sshd.pid")) {
        // Only the sshd started with this folder's config, never a reused process ID.
        const pid_t recorded = std::atoi(slurp(base / "sshd.pid").c_str());
        if (recorded > 0 && slurp("/proc/" + std::to_string(recorded) + "/cmdline").find(base.native()) != std::string::npos)
            sshd = recorded;
    }
    if (sshd > 0) {
        ::kill(sshd, SIGTERM);
        if (ownSshd > 0)
            ::waitpid(ownSshd, nullptr, 0);
    }
    // Detached now, or (still in use by a lazy unmount) as soon as it is free.
    sh(base, "losetup -j " + (base / "image").native() + " | cut -d: -f1 | xargs -r -n1 losetup -d");
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
    if (kind != FsKind::Sshfs && ::access("/dev/loop-control", R_OK | W_OK) != 0)
        return "no loop devices";
    static const char* const tools[][3] = {{"mkfs.ext4", "losetup", ""},          {"mkfs.xfs", "losetup", ""},
                                           {"mkfs.btrfs", "losetup", ""},         {"mkfs.exfat", "mount.exfat-fuse", ""},
                                           {"mkntfs", "ntfs-3g", ""},             {"sshd", "sshfs", "ssh-keygen"}};
    for (const std::string tool : tools[static_cast<int>(kind)])
        if (!tool.empty() && !onPath(tool))
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
            remount();
        } else if (kind == FsKind::Sshfs) {
            const fs::path ssh = base_ / "ssh";
            fs::create_directories(ssh);
            fs::create_directories(base_ / "remote");
            fs::create_directories("/run/sshd"); // sshd's privilege separation folder
            must(base_, "ssh-keygen -q -t ed25519 -N '' -f " + (ssh / "host").native());
            must(base_, "ssh-keygen -q -t ed25519 -N '' -f " + (ssh / "client").native());
            fs::copy_file(ssh / "client.pub", ssh / "authorized_keys");
            const int port = freePort();
            std::ofstream(ssh / "config") << "ListenAddress 127.0.0.1\nPort " << port << "\nHostKey " << (ssh / "host").native()
                                          << "\nAuthorizedKeysFile " << (ssh / "authorized_keys").native()
                                          << "\nPermitRootLogin prohibit-password\nPasswordAuthentication no\n"
                                             "KbdInteractiveAuthentication no\nUsePAM no\nStrictModes no\n"
                                             "Subsystem sftp internal-sftp\n";
            const std::string config = (ssh / "config").native(), log = (base_ / "sshd.log").native();
            const char* argv[] = {"/usr/sbin/sshd", "-D", "-f", config.c_str(), "-E", log.c_str(), nullptr};
            if (::posix_spawn(&sshd_, argv[0], nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
                throw std::runtime_error("cannot start sshd");
            std::ofstream(base_ / "sshd.pid") << sshd_;
            for (int i = 0; i < 200 && !accepts(port); ++i)
                std::this_thread::sleep_for(25ms);
            must(base_, "sshfs -o IdentityFile=" + (ssh / "client").native() +
                            ",StrictHostKeyChecking=no,UserKnownHostsFile=/dev/null,port=" + std::to_string(port) +
                            " root@127.0.0.1:" + (base_ / "remote").native() + " " + mnt);
        } else {
            // Sparse: xfs wants 300 MiB at least, which costs nothing until written.
            std::ofstream{image};
            fs::resize_file(image, 320u << 20);
            static const char* const mkfs[] = {"mkfs.ext4 -q -F", "mkfs.xfs -q -f", "mkfs.btrfs -q -f",
                                               "mkfs.exfat", "mkntfs -q -F -f"};
            must(base_, std::string(mkfs[static_cast<int>(kind)]) + " " + image);
            must(base_, "losetup --find --show " + image + " >" + (base_ / "loop").native());
            const std::string loop = slurp(base_ / "loop").substr(0, slurp(base_ / "loop").find('\n'));
            must(base_, kind == FsKind::ExfatFuse ? "mount.exfat-fuse " + loop + " " + mnt
                        : kind == FsKind::Ntfs3g  ? "ntfs-3g " + loop + " " + mnt
                                                  : "mount " + loop + " " + mnt);
            // Detached as soon as the file system lets go of it, however this process ends.
            must(base_, "losetup -d " + loop);
        }
    } catch (...) {
        tearDown(base_, sshd_);
        fs::remove_all(base_);
        ::close(lock_);
        throw;
    }
}

void MountedFileSystem::cut()
{
    ::kill(daemon_, SIGKILL);
    ::waitpid(daemon_, nullptr, 0);
    daemon_ = -1;
    sh(base_, "umount -l " + mountPoint_.native());
}

void MountedFileSystem::remount()
{
    if (kind_ == FsKind::ExfatFuse) {
        // The new loop device taken while the old one is held, so it is another; its cache
        // dropped once the old one has written everything back.
        const std::string image = (base_ / "image").native(), mnt = mountPoint_.native();
        must(base_, "loop=$(losetup --find --show " + image + ") && umount " + mnt +
                        " && blockdev --flushbufs $loop && mount.exfat-fuse $loop " + mnt +
                        "; rc=$?; losetup -d $loop; exit $rc");
        return;
    }
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
        throw std::runtime_error("the power-cut file system did not mount\n" + slurp(base_ / "log"));
}

MountedFileSystem::~MountedFileSystem()
{
    tearDown(base_, sshd_);
    if (daemon_ > 0) { // unmounted already: what it still holds goes nowhere
        ::kill(daemon_, SIGKILL);
        ::waitpid(daemon_, nullptr, 0);
    }
    std::error_code ec;
    fs::remove_all(base_, ec);
    ::close(lock_);
}

void MountedFileSystem::cleanUpLeftovers()
{
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(kRoot, ec)) {
        const int fd = ::open((entry.path() / "lock").c_str(), O_RDWR | O_CLOEXEC);
        // Locked: a live fixture's. Kept locked while torn down, so that no other cleaner races.
        // Without a lock file yet: one being made, unless it is old.
        const bool young = fs::last_write_time(entry.path(), ec) > fs::file_time_type::clock::now() - 1min;
        if ((fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0) || (fd < 0 && young)) {
            if (fd >= 0)
                ::close(fd);
            continue;
        }
        tearDown(entry.path(), -1);
        fs::remove_all(entry.path(), ec);
        if (fd >= 0)
            ::close(fd);
    }
}

} // namespace velmora::test
