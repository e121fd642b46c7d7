// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/FileManager.h"
#include "support/ProcessSupport.h"

#include <cstddef>
#include <fcntl.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <set>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>

namespace fs = std::filesystem;
using namespace velmora;
using namespace velmora::test;

namespace {

// Every call of `calls` by this process answers `err` without running (0: a read at the end).
bool failCalls(const std::vector<int>& calls, unsigned err)
{
    const auto n = static_cast<unsigned char>(calls.size());
    std::vector<sock_filter> filter{BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr))};
    for (unsigned char k = 0; k < n; ++k)
        filter.push_back(
            BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, static_cast<unsigned>(calls[k]), static_cast<unsigned char>(n - k), 0));
    filter.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
    filter.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | err));
    const sock_fprog program{static_cast<unsigned short>(filter.size()), filter.data()};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}

// A move or a copy lands whole, with the photo's times and permissions, or fails and leaves the photo and the target as
// they were, nothing of ours left behind: by every route, the placeholder's too (for file systems without hard links).
TEST(FileManagerTest, MoveOrCopyLandsWholeOrChangesNothing)
{
    TempDir dir;
    char shm[] = "/dev/shm/velmora-test-XXXXXX";
    const fs::path elsewhere = ::mkdtemp(shm) ? fs::path(shm) : dir.path(); // another file system, if any
    const std::string content(2 << 20, 'p');
    auto state = [&](const fs::path& p) {
        return !fs::exists(p) ? "no file" : readFile(p) == content ? "the photo" : readFile(p);
    };
    const struct {
        bool copy;
        fs::path target;
        bool taken;
        long fileSizeLimit; // > 0: a full disk
        std::vector<int> failingCalls;
        unsigned callError;
        const char* failure; // nullptr: placed
    } cases[] = {
        {false, dir / "target", true, 0, {}, 0, "File exists"},
        {true, dir / "target", true, 0, {}, 0, "File exists"},
        {false, dir / "moved.jpg", false, 0, {}, 0, nullptr},
        {true, dir / "copy.jpg", false, 0, {}, 0, nullptr},
        {false, elsewhere / "moved.jpg", false, 0, {}, 0, nullptr},
        {true, dir / "copy.jpg", false, 1 << 20, {}, 0, "File too large"},
        // Last, as they may skip: a failing disk; a source that ends before its size (a card pulled).
        {true, dir / "copy.jpg", false, 0, {__NR_fsync}, EIO, "Input/output error"},
        {false, elsewhere / "moved.jpg", false, 0, {__NR_copy_file_range, __NR_sendfile}, 0, "Input/output error"},
    };
    for (const auto& c : cases) {
        for (const PlacementRoute route : {PlacementRoute::Best, PlacementRoute::Placeholder}) {
            SCOPED_TRACE(c.target.native() + " " + (c.failure ? c.failure : "placed") +
                         (route == PlacementRoute::Best ? "" : " over a placeholder"));
            writeFile(dir / "photo.jpg", content);
            ::chmod((dir / "photo.jpg").c_str(), 0640);
            const timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
            ::utimensat(AT_FDCWD, (dir / "photo.jpg").c_str(), old, 0);
            if (c.taken)
                writeFile(c.target, "someone else's");
            if (!c.copy && c.failure && !c.taken && elsewhere == dir.path())
                GTEST_SKIP() << "no second file system";
            const std::string out = runInChild(
                [&] {
                    if (!c.failingCalls.empty() && !failCalls(c.failingCalls, c.callError))
                        return std::string("no seccomp");
                    const FileManager manager(route == PlacementRoute::Best, route);
                    const auto error = c.copy ? manager.copyItem(dir / "photo.jpg", c.target)
                                              : manager.moveItem(dir / "photo.jpg", c.target);
                    return error ? error->description : std::string("placed");
                },
                false, c.fileSizeLimit);
            if (out == "no seccomp")
                GTEST_SKIP() << "system-call filters are not allowed here";
            EXPECT_NE(out.find(c.failure ? c.failure : "placed"), std::string::npos) << out;
            EXPECT_EQ(state(dir / "photo.jpg"), c.failure || c.copy ? "the photo" : "no file");
            EXPECT_EQ(state(c.target), c.failure ? (c.taken ? "someone else's" : "no file") : "the photo");
            const struct stat st = statOf(c.target);
            EXPECT_TRUE(c.failure || ((st.st_mode & 07777) == 0640 && st.st_mtim.tv_sec == 1000000000))
                << std::oct << st.st_mode << std::dec << " " << st.st_mtim.tv_sec;
            std::multiset<std::string> left, expected;
            for (const fs::path& folder : std::set<fs::path>{dir.path(), elsewhere})
                for (const std::string& name : listNames(folder))
                    left.insert(name);
            for (const fs::path& path : {dir / "photo.jpg", c.target})
                if (fs::exists(path))
                    expected.insert(path.filename().native());
            EXPECT_EQ(left, expected); // no temporary file, no placeholder
            fs::remove(c.target);
        }
    }
    fs::remove_all(shm);
}

} // namespace
