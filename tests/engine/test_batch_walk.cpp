// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/BatchWalk.h"
#include "metadata/ReadAhead.h"
#include "support/ProcessSupport.h"

#include <chrono>
#include <fcntl.h>
#include <mutex>
#include <set>
#include <sys/mman.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace velmora;
using namespace velmora::test;

namespace {

using Strings = std::vector<std::string>;

Strings operator+(Strings a, const Strings& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const Strings kEnd{"hide", "status Done", "timer"};

class BatchWalkTest : public ::testing::Test, public BatchSink {
protected:
    void setProgress(double value) override { events.push_back(std::to_string(static_cast<int>(value))); }
    void hideIndicator() override { events.push_back("hide"); }
    void setStatusText(const std::string& text) override { events.push_back("status " + text); }
    void setUpTimer() override { events.push_back("timer"); }

    // The sets handed on, relative to the temp folder: "IMG_1.CR2|IMG_1.JPG&IMG_1.xmp"
    // is a shot of two members and a companion. `onFile` sees each member once handed on.
    Strings walk(const Strings& batch, bool keepSetsTogether = false, std::function<void(const fs::path&)> onFile = {})
    {
        std::vector<fs::path> batchList;
        for (const auto& name : batch)
            batchList.push_back(dir / name);
        Strings handed;
        auto relative = [&](const fs::path& p) { return p.native().substr(dir.path().native().size() + 1); };
        walkBatch(
            batchList,
            [&](const PhotoSet& set) {
                std::string text;
                for (const fs::path& p : set.members) {
                    text += (text.empty() ? "" : "|") + relative(p);
                    if (onFile)
                        onFile(p);
                }
                for (const fs::path& p : set.companions)
                    text += "&" + relative(p);
                handed.push_back(text);
            },
            *this, stop.get_token(), keepSetsTogether);
        return handed;
    }

    TempDir dir;
    Strings events;
    std::stop_source stop;
};

// A folder gives progress after each of its entries at any depth and skips ".DS_Store" and temporary files; a path
// named in the batch gives progress only when it is a file, and ".DS_Store" named directly is a file like any other.
// Links to folders are listed but not entered, unless named in the batch. Sets are found by name within one listing (a
// folder's, or the batch list's) and handed on at their first member. The listing is taken whole first: photos renamed
// during the walk are not visited again; a stop ends the walk between files, and the batch still ends.
TEST_F(BatchWalkTest, EntriesHandedOnAndProgressValues)
{
    for (const char* name : {"trip/IMG_1.JPG", "trip/sub/IMG_2.JPG", "trip/sub/.DS_Store", "trip/.hidden.JPG",
                             "trip/.ds_store", "trip/.IMG_1.JPG.velmora-tmp", "a.JPG", "b.JPG", ".DS_Store",
                             "linked/IMG_1.JPG", "elsewhere/IMG_9.JPG", "card/IMG_0001.JPG", "card/IMG_0001.CR2",
                             "card/IMG_0001.xmp", "card/IMG_0010.JPG", "card/sub/IMG_0001.JPG"}) {
        fs::create_directories((dir / name).parent_path());
        writeFile(dir / name, "x");
    }
    fs::create_directory(dir / "empty");
    fs::create_directory_symlink(dir / "elsewhere", dir / "linked/link");
    fs::create_directory_symlink(dir / "linked", dir / "linked/loop"); // a loop must not hang the walk
    fs::create_symlink(dir / "linked/IMG_1.JPG", dir / "linked/file-link.JPG");
    const auto rename = [](const fs::path& p) { fs::rename(p, p.parent_path() / ("renamed-" + p.filename().native())); };
    struct Case {
        Strings batch, handed, events;
        bool together = false;
        std::function<void(const fs::path&)> onFile = {};
    } cases[] = {
        {{"trip"},
         {"trip/.ds_store", "trip/.hidden.JPG", "trip/IMG_1.JPG", "trip/sub/IMG_2.JPG"},
         {"14", "28", "42", "57", "71", "85", "100"}},
        {{"a.JPG", "trip/sub", "b.JPG", "gone.JPG", ".DS_Store"},
         {"a.JPG", "trip/sub/IMG_2.JPG", "b.JPG", ".DS_Store"},
         {"20", "50", "100", "60", "100"}},
        {{}, {}, {}},
        {{"empty", "vanished"}, {}, {}},
        {{"linked"}, {"linked/IMG_1.JPG", "linked/file-link.JPG"}, {"25", "50", "75", "100"}},
        {{"linked/link"}, {"linked/link/IMG_9.JPG"}, {"100"}},
        {{"card"},
         {"card/IMG_0001.CR2|card/IMG_0001.JPG&card/IMG_0001.xmp", "card/IMG_0010.JPG", "card/sub/IMG_0001.JPG"},
         {"16", "33", "50", "66", "83", "100"},
         true},
        // Dropped files keep the order they were dropped in.
        {{"card/IMG_0010.JPG", "card/IMG_0001.xmp", "card/IMG_0001.JPG", "card/IMG_0001.CR2"},
         {"card/IMG_0010.JPG", "card/IMG_0001.JPG|card/IMG_0001.CR2&card/IMG_0001.xmp"},
         {"25", "50", "75", "100"},
         true},
        {{"trip"},
         {"trip/.ds_store", "trip/.hidden.JPG", "trip/IMG_1.JPG", "trip/sub/IMG_2.JPG"},
         {"14", "28", "42", "57", "71", "85", "100"},
         false,
         rename},
        {{"a.JPG", "b.JPG"}, {"a.JPG"}, {"50"}, false, [&](const fs::path&) { stop.request_stop(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.batch));
        events.clear();
        EXPECT_EQ(walk(c.batch, c.together, c.onFile), c.handed);
        EXPECT_EQ(events, c.events + kEnd);
    }
}

// Where the file system ignores letter case, so do pairs and sidecars: the
// camera's IMG_0001.CR2 and an editor's img_0001.cr2.xmp are one set there.
TEST(PhotoSetsTest, NamesThatDifferInCaseAreOneNameOnlyWhereTheFileSystemSaysSo)
{
    const std::vector<std::string_view> paths{"IMG_0001.CR2", "img_0001.cr2.xmp", "IMG_0002.JPG", "img_0001.JPG",
                                              "Img_0001.XMP", "IMG_0002.MOV"};
    const Strings expected[] = {
        {"IMG_0001.CR2", "img_0001.cr2.xmp", "IMG_0002.JPG&IMG_0002.MOV", "img_0001.JPG", "Img_0001.XMP"},
        {"IMG_0001.CR2|img_0001.JPG&img_0001.cr2.xmp&Img_0001.XMP", "IMG_0002.JPG&IMG_0002.MOV"}};
    for (const bool ignoreCase : {false, true}) {
        const PhotoSets sets(paths, ignoreCase);
        Strings handed;
        for (size_t i = 0; i < paths.size(); ++i)
            for (size_t j = i; sets.isFirst(i) && j != PhotoSets::npos; j = sets.next(j)) {
                std::string& text = j == i ? handed.emplace_back() : handed.back();
                text += (j == i ? "" : sets.isCompanion(j) ? "&" : "|") + std::string(paths[j]);
            }
        EXPECT_EQ(handed, expected[ignoreCase]);
    }
}

TEST_F(BatchWalkTest, UnreadableSubFolderIsLoggedAndTheBatchGoesOn)
{
    fs::create_directories(dir / "trip/locked");
    writeFile(dir / "trip/locked/IMG_0.JPG", "x");
    writeFile(dir / "trip/IMG_1.JPG", "x");
    openUpForEveryone(dir.path());
    fs::permissions(dir / "trip/locked", fs::perms::owner_all);
    const std::string out = runInChild(
        [&] {
            LogCapture log;
            const Strings handed = walk({"trip", "trip/locked"});
            return testing::PrintToString(handed + log.lines());
        },
        true);
    const std::string logged = "*** Folder " + (dir / "trip/locked").native() + " cannot be read! ***";
    EXPECT_EQ(out, testing::PrintToString(Strings{"trip/IMG_1.JPG", logged, logged}));
}

// Whether the first page of `file` is in memory once it was dropped.
bool staysInMemory(const fs::path& file)
{
    const int fd = ::open(file.c_str(), O_RDONLY);
    ::fdatasync(fd);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    void* map = ::mmap(nullptr, 4096, PROT_READ, MAP_SHARED, fd, 0);
    unsigned char resident = 0;
    ::mincore(map, 4096, &resident);
    ::munmap(map, 4096);
    ::close(fd);
    return resident & 1;
}

// Photos not in memory (fresh from a card) are asked for ahead of their turn once one of them was read cold, so that
// the disk serves many at a time; a warm listing asks for none.
TEST(ReadAheadTest, ColdReadStartsReadingAheadOfTheListing)
{
    TempDir dir;
    const fs::path photo = dir / "IMG_1.JPG";
    writeFile(photo, std::string(8192, 'x'));
    std::mutex mutex;
    std::set<size_t> asked;
    const auto pathAt = [&](size_t i) {
        const std::lock_guard lock(mutex);
        asked.insert(i);
        return std::string();
    };
    const int fd = ::open(photo.c_str(), O_RDONLY);
    char byte = 0;
    for (const bool cold : {false, true}) {
        if (cold && staysInMemory(photo))
            GTEST_SKIP() << "this file system keeps its files in memory (tmpfs?)";
        ReadAhead readAhead(100, pathAt);
        ASSERT_EQ(preadNotingCold(fd, &byte, 1, 0), 0);
        EXPECT_EQ(byte, 'x');
        readAhead.before(1);
        readAhead.before(2);
        for (int wait = 0; cold && wait < 500 && !(std::lock_guard(mutex), asked.contains(33)); ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const std::lock_guard lock(mutex);
        EXPECT_EQ(asked.empty(), !cold);
        EXPECT_TRUE(!cold || (*asked.begin() == 1 && asked.contains(33))) << asked.size();
    }
    ::close(fd);
}

} // namespace
