// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>
#include <sys/types.h>

namespace velmora::test {

// The file systems photos lie on: kernel ones on a loop device, FUSE ones (a card, an NTFS disk), sshfs to a private
// sshd on 127.0.0.1; and PowerCut, tests/files/powercut_fs.py, which loses all written data not flushed when cut.
enum class FsKind { Ext4, Xfs, Btrfs, ExfatFuse, Ntfs3g, Sshfs, PowerCut };
inline constexpr FsKind kFsKinds[] = {FsKind::Ext4,      FsKind::Xfs,    FsKind::Btrfs,
                                      FsKind::ExfatFuse, FsKind::Ntfs3g, FsKind::Sshfs};
const char* fsName(FsKind kind);

// A fresh file system of `kind` mounted under /tmp/velmora-mounts/, gone when
// this ends; a killed run's leftovers (their lock free) go at the next start.
class MountedFileSystem {
public:
    // Why `kind` cannot be mounted here (for a skip); empty when it can.
    static std::string unavailable(FsKind kind);
    // Throws std::runtime_error naming the step that failed, with its output.
    explicit MountedFileSystem(FsKind kind);
    ~MountedFileSystem();
    MountedFileSystem(const MountedFileSystem&) = delete;
    MountedFileSystem& operator=(const MountedFileSystem&) = delete;

    const std::filesystem::path& path() const { return mountPoint_; }

    // FUSE kinds: the daemon killed with all it had not flushed (a power cut, a card
    // pulled); the mount answers ENOTCONN. False when that could not be done in 5 s.
    bool cut();
    // Mounted again over what it had written; a live exFAT card through another loop
    // device, as a card put into another reader (a new device number).
    void remount();

private:
    FsKind kind_;
    std::filesystem::path base_, mountPoint_;
    int lock_ = -1;
    pid_t daemon_ = -1; // PowerCut's, our child
    std::string mount_; // the shell command that mounts a loop or sshfs kind
};

} // namespace velmora::test
