// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/FuseCard.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace velmora::test {

std::string FuseCard::unavailable()
{
    if (::geteuid() != 0 || ::access("/dev/fuse", R_OK | W_OK) != 0)
        return "mounting a FUSE file system needs root and /dev/fuse";
    if (::access("/dev/loop-control", R_OK | W_OK) != 0)
        return "no loop devices";
    if (std::system("command -v mount.exfat-fuse mkfs.exfat losetup >/dev/null 2>&1") != 0)
        return "mount.exfat-fuse, mkfs.exfat or losetup is not installed";
    return {};
}

FuseCard::FuseCard(const fs::path& dir) : image_(dir / "card.img"), mountPoint_(dir / "card")
{
    fs::create_directory(mountPoint_);
    std::ofstream(image_).close();
    fs::resize_file(image_, 64 << 20);
    if (std::system(("mkfs.exfat " + image_.native() + " >/dev/null 2>&1").c_str()) == 0)
        mount();
}

bool FuseCard::mounted() const
{
    std::ifstream mounts("/proc/self/mountinfo");
    for (std::string line; std::getline(mounts, line);)
        if (line.find(" " + mountPoint_.native() + " ") != std::string::npos && line.find("fuse") != std::string::npos)
            return true;
    return false;
}

void FuseCard::pull()
{
    if (daemon_ > 0 && ::kill(daemon_, SIGKILL) == 0)
        ::waitpid(daemon_, nullptr, 0);
    daemon_ = -1;
}

bool FuseCard::reinsert()
{
    unmount();
    return mount();
}

bool FuseCard::mount()
{
    // As root the daemon mounts a block device: the image through a loop
    // device, detached at once so that it goes with the mount.
    std::string loop(64, '\0');
    FILE* out = ::popen(("losetup --find --show " + image_.native()).c_str(), "r");
    if (!out)
        return false;
    loop.resize(std::fread(loop.data(), 1, loop.size(), out));
    ::pclose(out);
    loop = loop.substr(0, loop.find('\n'));
    daemon_ = ::fork();
    if (daemon_ == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        // -d keeps it in the foreground: its process id is the one to kill.
        ::execlp("mount.exfat-fuse", "mount.exfat-fuse", "-d", loop.c_str(), mountPoint_.c_str(), nullptr);
        ::_exit(127);
    }
    for (int i = 0; i < 500 && daemon_ > 0 && !mounted(); ++i)
        ::usleep(10000);
    const bool ok = mounted();
    std::system(("losetup -d " + loop + " 2>/dev/null").c_str());
    return ok;
}

void FuseCard::unmount()
{
    pull();
    ::umount2(mountPoint_.c_str(), MNT_DETACH);
}

} // namespace velmora::test
