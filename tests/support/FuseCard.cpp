// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/FuseCard.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace velmora::test {
namespace {

// The process whose arguments name the daemon and this mount point: ours alone.
pid_t daemonOf(const fs::path& mountPoint)
{
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().native();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream in(entry.path() / "cmdline");
        const std::string cmdline{std::istreambuf_iterator<char>(in), {}};
        if (cmdline.find("mount.exfat-fuse") != std::string::npos &&
            cmdline.find('\0' + mountPoint.native() + '\0') != std::string::npos)
            return static_cast<pid_t>(std::stol(name));
    }
    return -1;
}

} // namespace

bool pullCard(const MountedFileSystem& card)
{
    const pid_t daemon = daemonOf(card.path());
    if (daemon <= 0 || ::kill(daemon, SIGKILL) != 0)
        return false;
    struct stat st {};
    for (int i = 0; i < 500; ++i) {
        if (::stat(card.path().c_str(), &st) != 0 && errno == ENOTCONN)
            return true;
        ::usleep(10000);
    }
    return false;
}

bool reinsertCard(const MountedFileSystem& card)
{
    // The fixture keeps the image beside the mount point.
    const std::string mnt = card.path().native(), image = (card.path().parent_path() / "image").native();
    const std::string script = "umount -l " + mnt + " && loop=$(losetup --find --show " + image +
                               ") && mount.exfat-fuse $loop " + mnt + " >/dev/null 2>&1; rc=$?; losetup -d $loop; exit $rc";
    return std::system(script.c_str()) == 0;
}

} // namespace velmora::test
