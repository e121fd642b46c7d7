// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>
#include <sys/types.h>

namespace velmora::test {

// The file systems photos lie on: kernel ones on a loop device, FUSE ones
// (a memory card, an NTFS disk) and a network one (sshfs to a private sshd on 127.0.0.1).
// PowerCut, not among kFsKinds: our own FUSE file system (tests/files/powercut_fs.py)
// that keeps written data in memory until the file is flushed, and loses it when cut.
enum class FsKind { Ext4, Xfs, Btrfs, ExfatFuse, Ntfs3g, Sshfs, PowerCut };
inline constexpr FsKind kFsKinds[] = {FsKind::Ext4,      FsKind::Xfs,    FsKind::Btrfs,
                                      FsKind::ExfatFuse, FsKind::Ntfs3g, FsKind::Sshfs};
const char* fsName(FsKind kind);

// A fresh file system of `kind`, made and mounted under a folder of
// /tmp/velmora-mounts/, and gone (unmounted, loop device detached)
// when this ends. A run killed before that leaves a folder whose lock nobody
// holds: the next fixture to start cleans it up.
class MountedFileSystem {
public:
    // Why `kind` cannot be mounted here (not root, no /dev/fuse or loop
    // devices, a tool missing), for a skip; empty when it can.
    static std::string unavailable(FsKind kind);
    // Throws std::runtime_error naming the step that failed, with its output.
    explicit MountedFileSystem(FsKind kind);
    ~MountedFileSystem();
    MountedFileSystem(const MountedFileSystem&) = delete;
    MountedFileSystem& operator=(const MountedFileSystem&) = delete;

    const std::filesystem::path& path() const { return mountPoint_; }

    // FUSE kinds: the daemon killed with all it had not flushed, as a power cut or a
    // card pulled from its reader leaves it; the mount answers ENOTCONN. False when
    // no daemon was found or the mount still answers after 5 s...
    bool cut();
    // ...and mounted again over what it had written (the fixture unmounts it as before).
    // A live exFAT card is unmounted and mounted through another loop device, as a card
    // put into another reader (a new device number).
    void remount();

private:
    FsKind kind_;
    std::filesystem::path base_, mountPoint_;
    int lock_ = -1;
    pid_t daemon_ = -1; // PowerCut's, our child
    std::string mount_; // the shell command that mounts a loop or sshfs kind
};

} // namespace velmora::test
