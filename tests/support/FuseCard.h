// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>
#include <sys/types.h>

namespace velmora::test {

// An exFAT image served by mount.exfat-fuse, as a card in a reader is, that
// can be pulled: its daemon killed, the mount left answering ENOTCONN. Needs
// root and /dev/fuse: `unavailable()` says why not, for a skip.
class FuseCard {
public:
    static std::string unavailable();
    explicit FuseCard(const std::filesystem::path& dir);
    ~FuseCard() { unmount(); }
    FuseCard(const FuseCard&) = delete;
    FuseCard& operator=(const FuseCard&) = delete;
    const std::filesystem::path& path() const { return mountPoint_; }
    bool mounted() const;
    // The card pulled: its daemon ends, the mount stays and answers ENOTCONN.
    void pull();
    // Put back into the reader: mounted afresh.
    bool reinsert();

private:
    bool mount();
    void unmount();

    std::filesystem::path image_, mountPoint_;
    pid_t daemon_ = -1;
};

} // namespace velmora::test
