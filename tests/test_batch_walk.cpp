// SPDX-License-Identifier: GPL-3.0-or-later
// The walk over a batch: which entries reach the per-photo operation, in
// which order, and the progress values the user sees.
#include "dropzone/BatchWalk.h"
#include "support/ProcessSupport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace fs = std::filesystem;
using namespace velmora;
using namespace velmora::test;

namespace {

class RecordingSink : public BatchSink {
public:
    void setProgress(double value) override { events.push_back(std::to_string(static_cast<int>(value))); }
    void hideIndicator() override { events.push_back("hide"); }
    void setStatusText(const std::string& text) override { events.push_back("status " + text); }
    void setUpTimer() override { events.push_back("timer"); }
    std::vector<std::string> events;
};

using Strings = std::vector<std::string>;
const Strings kEnd{"hide", "status Done", "timer"};

Strings operator+(Strings a, const Strings& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class BatchWalkTest : public ::testing::Test {
protected:
    // Runs the walk and returns the sets handed on, relative to the temp folder:
    // "IMG_1.CR2|IMG_1.JPG&IMG_1.xmp" is a shot of two members and a companion.
    Strings walk(const std::vector<fs::path>& batchList, std::stop_token stop = {}, bool keepSetsTogether = false)
    {
        Strings handed;
        auto relative = [&](const fs::path& p) { return p.native().substr(dir.path().native().size() + 1); };
        processFiles(
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
            sink, stop, keepSetsTogether);
        return handed;
    }

    TempDir dir;
    RecordingSink sink;
    std::function<void(const fs::path&)> onFile;
};

TEST_F(BatchWalkTest, FolderListingGivesProgressPerEntryAndSkipsDsStoreBelowIt)
{
    fs::create_directories(dir / "trip/sub");
    writeFile(dir / "trip/IMG_1.JPG", "x");
    writeFile(dir / "trip/sub/IMG_2.JPG", "x");
    writeFile(dir / "trip/sub/.DS_Store", "x");
    writeFile(dir / "trip/.hidden.JPG", "x");
    writeFile(dir / "trip/.ds_store", "x");
    writeFile(dir / "trip/.IMG_1.JPG.velmora-tmp", "x"); // a write-back in progress

    const Strings handed = walk({dir / "trip"});
    EXPECT_EQ(handed, (Strings{"trip/.ds_store", "trip/.hidden.JPG", "trip/IMG_1.JPG", "trip/sub/IMG_2.JPG"}));
    EXPECT_EQ(sink.events, (Strings{"14", "28", "42", "57", "71", "85", "100"} + kEnd));
}

// Sets are found by name within one listing (a folder's, or the batch list's)
// and handed on at their first member, in byte order of names; progress still
// comes after every entry. Off: every file alone.
TEST_F(BatchWalkTest, FilesOfOneShotAndTheirCompanionsAreHandedOnTogether)
{
    fs::create_directories(dir / "card/sub");
    for (const char* name : {"IMG_0005.jpg", "IMG_0005.XMP", "IMG_0001.JPG", "IMG_0001.CR2", "IMG_0001.xmp",
                             "IMG_0001.CR2.xmp", "IMG_0001.CR2.dop", "IMG_0002.NEF.pp3", "IMG_0003.HEIC",
                             "IMG_0003.MOV", "MVI_0004.MOV", "IMG_0010.JPG", "IMG_0001-2.JPG", "sub/IMG_0001.JPG"})
        writeFile(dir / "card" / name, "x");
    struct Case {
        std::vector<fs::path> batchList;
        bool together;
        Strings expected;
    } cases[] = {
        {{dir / "card"},
         true,
         {"card/IMG_0001-2.JPG",
          "card/IMG_0001.CR2|card/IMG_0001.JPG&card/IMG_0001.CR2.dop&card/IMG_0001.CR2.xmp&card/IMG_0001.xmp",
          "card/IMG_0002.NEF.pp3", "card/IMG_0003.HEIC&card/IMG_0003.MOV", "card/IMG_0005.jpg&card/IMG_0005.XMP",
          "card/IMG_0010.JPG", "card/MVI_0004.MOV", "card/sub/IMG_0001.JPG"}},
        {{dir / "card"},
         false,
         {"card/IMG_0001-2.JPG", "card/IMG_0001.CR2", "card/IMG_0001.CR2.dop", "card/IMG_0001.CR2.xmp",
          "card/IMG_0001.JPG", "card/IMG_0001.xmp", "card/IMG_0002.NEF.pp3", "card/IMG_0003.HEIC", "card/IMG_0003.MOV",
          "card/IMG_0005.XMP", "card/IMG_0005.jpg", "card/IMG_0010.JPG", "card/MVI_0004.MOV", "card/sub/IMG_0001.JPG"}},
        // Dropped files keep the order they were dropped in.
        {{dir / "card/IMG_0010.JPG", dir / "card/IMG_0001.xmp", dir / "card/IMG_0001.JPG", dir / "card/IMG_0001.CR2"},
         true,
         {"card/IMG_0010.JPG", "card/IMG_0001.JPG|card/IMG_0001.CR2&card/IMG_0001.xmp"}},
        {{dir / "card/IMG_0010.JPG", dir / "card/IMG_0001.xmp", dir / "card/IMG_0001.JPG"},
         false,
         {"card/IMG_0010.JPG", "card/IMG_0001.xmp", "card/IMG_0001.JPG"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected.front() + (c.together ? " together" : " alone"));
        sink.events.clear();
        EXPECT_EQ(walk(c.batchList, {}, c.together), c.expected);
        const size_t entries = c.batchList.size() == 1 ? 15 : c.batchList.size(); // 14 files and "sub"
        EXPECT_EQ(sink.events.size(), entries + kEnd.size());
    }
}

TEST_F(BatchWalkTest, BatchLevelProgressOnlyAfterFiles)
{
    writeFile(dir / "a.JPG", "x");
    fs::create_directory(dir / "folder");
    for (const char* name : {"1.JPG", "2.JPG", "3.JPG"})
        writeFile(dir / "folder" / name, "x");
    writeFile(dir / "b.JPG", "x");
    // Named directly in the batch, ".DS_Store" is a file like any other.
    writeFile(dir / ".DS_Store", "x");

    const Strings handed = walk({dir / "a.JPG", dir / "folder", dir / "b.JPG", dir / "gone.JPG", dir / ".DS_Store"});
    EXPECT_EQ(handed.front(), "a.JPG");
    EXPECT_EQ(handed.size(), 6u);
    EXPECT_EQ(handed[4], "b.JPG");
    EXPECT_EQ(handed[5], ".DS_Store");
    // a.JPG, the folder's own three values, b.JPG; the vanished path gives nothing.
    EXPECT_EQ(sink.events, (Strings{"20", "33", "66", "100", "60", "100"} + kEnd));
}

TEST_F(BatchWalkTest, EmptyBatchEmptyFolderAndVanishedPathsOnlyEndTheBatch)
{
    fs::create_directory(dir / "empty");
    EXPECT_TRUE(walk({}).empty());
    EXPECT_TRUE(walk({dir / "empty", dir / "vanished"}).empty());
    EXPECT_EQ(sink.events, kEnd + kEnd);
}

TEST_F(BatchWalkTest, LinksToFoldersAreListedButNotEntered)
{
    fs::create_directories(dir / "trip");
    fs::create_directories(dir / "elsewhere");
    writeFile(dir / "elsewhere/IMG_9.JPG", "x");
    writeFile(dir / "trip/IMG_1.JPG", "x");
    fs::create_directory_symlink(dir / "elsewhere", dir / "trip/link");
    fs::create_directory_symlink(dir / "trip", dir / "trip/loop"); // a loop must not hang the walk
    fs::create_symlink(dir / "trip/IMG_1.JPG", dir / "trip/file-link.JPG");

    EXPECT_EQ(walk({dir / "trip"}), (Strings{"trip/IMG_1.JPG", "trip/file-link.JPG"}));
    EXPECT_EQ(sink.events.size(), 4u + kEnd.size());

    // A link named directly in the batch is followed, like the folder it names.
    sink.events.clear();
    EXPECT_EQ(walk({dir / "trip/link"}), Strings{"trip/link/IMG_9.JPG"});
}

TEST_F(BatchWalkTest, FilesCreatedDuringTheWalkAreNotVisited)
{
    for (int i = 0; i < 5; ++i)
        writeFile(dir / ("IMG_" + std::to_string(i) + ".JPG"), "x");
    onFile = [](const fs::path& p) { fs::rename(p, p.parent_path() / ("renamed-" + p.filename().native())); };
    const Strings handed = walk({dir.path()});
    EXPECT_EQ(handed.size(), 5u);
    for (const auto& name : handed)
        EXPECT_EQ(name.find("renamed-"), std::string::npos) << name;
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
            Strings handed = walk({dir / "trip", dir / "trip/locked"});
            std::string result;
            for (const auto& h : handed)
                result += "file " + h + "\n";
            for (const auto& line : log.lines())
                result += line + "\n";
            return result;
        },
        true);
    EXPECT_EQ(out, "file trip/IMG_1.JPG\n*** Folder " + (dir / "trip/locked").native() +
                       " cannot be read! ***\n*** Folder " + (dir / "trip/locked").native() + " cannot be read! ***\n");
}

TEST_F(BatchWalkTest, StopEndsTheWalkBetweenFiles)
{
    for (int i = 0; i < 10; ++i)
        writeFile(dir / ("IMG_" + std::to_string(i) + ".JPG"), "x");
    std::stop_source stop;
    onFile = [&](const fs::path&) { stop.request_stop(); };
    EXPECT_EQ(walk({dir.path()}, stop.get_token()).size(), 1u);
    EXPECT_EQ(sink.events, (Strings{"10"} + kEnd));
}

} // namespace
