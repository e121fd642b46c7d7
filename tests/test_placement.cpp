// SPDX-License-Identifier: GPL-3.0-or-later
// The second half of the per-photo operation: the new name, collision
// numbers, move or copy that never replaces a file, and the write-back into
// the placed photo only.
#include "platform/MetadataReader.h"
#include "platform/Platform.h"
#include "support/ProcessSupport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>

namespace fs = std::filesystem;
using namespace velmora;
using namespace velmora::test;

namespace {

using Names = std::vector<std::string>;

class PlacementTest : public EngineTest {
protected:
    fs::path photo(const std::string& name, const std::string& date = "2010:07:14 18:05:09",
                   const fs::path& folder = {})
    {
        const fs::path path = (folder.empty() ? dir.path() : folder) / name;
        makeJpeg(path, date, "2001:02:03 04:05:06");
        return path;
    }

    std::string alertsText() const
    {
        std::string all;
        for (const auto& a : host.alerts())
            all += a.text + " [" + a.button + "]\n";
        return all;
    }
};

TEST_F(PlacementTest, NameIsComposedFromPrefixStemAndOldName)
{
    struct Case {
        int prefixState;
        const char* prefixText;
        int suffixState;
        const char* expected;
    } cases[] = {
        {0, "Rome_", 0, "2010-07-14__18-05-09.JPG"},
        {1, "Rome_", 1, "Rome_2010-07-14__18-05-09__IMG_0001.JPG"},
        {1, "Rome", 0, "Rome2010-07-14__18-05-09.JPG"}, // no separator is added
        {1, "", 0, "2010-07-14__18-05-09.JPG"},
        {-1, "Rome_", -1, "2010-07-14__18-05-09.JPG"}, // mixed is not on
        {0, "", 1, "2010-07-14__18-05-09__IMG_0001.JPG"},
        {1, "100% ", 0, "100% 2010-07-14__18-05-09.JPG"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        TempDir folder;
        photo("IMG_0001.JPG", "2010:07:14 18:05:09", folder.path());
        controls.setPrefixState(c.prefixState);
        controls.setTextToPrefix(c.prefixText);
        controls.setSuffixState(c.suffixState);
        engine.processFile(folder / "IMG_0001.JPG");
        EXPECT_EQ(listNames(folder.path()), Names{c.expected});
    }
    EXPECT_EQ(alertsText(), "");
}

TEST_F(PlacementTest, TakenNamesGetTheFirstFreeNumber)
{
    photo("a.JPG");
    photo("b.JPG");
    photo("c.JPG");
    for (const char* name : {"a.JPG", "b.JPG", "c.JPG"})
        engine.processFile(dir / name);
    EXPECT_EQ(listNames(dir.path()),
              (Names{"2010-07-14__18-05-09.JPG", "2010-07-14__18-05-09__1.JPG", "2010-07-14__18-05-09__2.JPG"}));

    // With the old name kept, the number goes after it.
    controls.setSuffixState(1);
    photo("IMG_0001.JPG");
    photo("x/IMG_0001.JPG", "2010:07:14 18:05:09", (fs::create_directory(dir / "x"), dir.path()));
    engine.processFile(dir / "IMG_0001.JPG");
    fs::rename(dir / "x/IMG_0001.JPG", dir / "IMG_0001.JPG");
    engine.processFile(dir / "IMG_0001.JPG");
    EXPECT_TRUE(fs::exists(dir / "2010-07-14__18-05-09__IMG_0001.JPG"));
    EXPECT_TRUE(fs::exists(dir / "2010-07-14__18-05-09__IMG_0001__1.JPG"));
    EXPECT_EQ(alertsText(), "");
}

TEST_F(PlacementTest, SecondRunLeavesNamedPhotosAloneButRenumbersTwins)
{
    photo("a.JPG");
    photo("b.JPG");
    engine.processFile(dir / "a.JPG");
    engine.processFile(dir / "b.JPG");
    const std::string first = readFile(dir / "2010-07-14__18-05-09.JPG");

    // The photo that already has its name stays; its twin finds "__1" taken by itself.
    engine.processFile(dir / "2010-07-14__18-05-09.JPG");
    engine.processFile(dir / "2010-07-14__18-05-09__1.JPG");
    EXPECT_EQ(listNames(dir.path()), (Names{"2010-07-14__18-05-09.JPG", "2010-07-14__18-05-09__2.JPG"}));
    EXPECT_EQ(readFile(dir / "2010-07-14__18-05-09.JPG"), first);
    EXPECT_EQ(alertsText(), "");
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(PlacementTest, OddSourcePathsKeepTheirFolder)
{
    photo("IMG_0001");
    engine.processFile(dir / "IMG_0001");
    fs::create_directories(dir / "sub/deeper");
    photo("a.b.jpeg", "2011:11:11 11:11:11", dir / "sub/deeper");
    engine.processFile(dir / "sub/deeper/a.b.jpeg");
    // A name that is not valid UTF-8 is bytes like any other.
    controls.setSuffixState(1);
    photo("caf\xe9.jpg", "2012:12:12 12:12:12");
    engine.processFile(dir / "caf\xe9.jpg");

    EXPECT_EQ(listNames(dir.path()), (Names{"2010-07-14__18-05-09.", "2012-12-12__12-12-12__caf\xe9.jpg", "sub"}));
    EXPECT_EQ(listNames(dir / "sub/deeper"), Names{"2011-11-11__11-11-11.jpeg"});
    EXPECT_EQ(alertsText(), "");
}

TEST_F(PlacementTest, PrefixWithSlashReachesIntoAnExistingFolderOnly)
{
    controls.setPrefixState(1);
    controls.setTextToPrefix("Rome/");
    fs::create_directory(dir / "Rome");
    photo("a.JPG");
    engine.processFile(dir / "a.JPG");
    EXPECT_EQ(listNames(dir / "Rome"), Names{"2010-07-14__18-05-09.JPG"});

    controls.setTextToPrefix("Paris/");
    photo("b.JPG");
    engine.processFile(dir / "b.JPG");
    EXPECT_TRUE(fs::exists(dir / "b.JPG"));
    ASSERT_EQ(host.alerts().size(), 1u);
    EXPECT_NE(host.alerts()[0].text.find("b.JPG"), std::string::npos) << alertsText();
    EXPECT_NE(host.alerts()[0].text.find("no folder “" + (dir / "Paris").native() + "”"), std::string::npos)
        << alertsText();
    EXPECT_EQ(host.alerts()[0].button, "OK");
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(log.lines()[0].rfind("Error!! ", 0), 0u);
}

TEST_F(PlacementTest, CopyKeepsTheSourceWithItsTimesAndPermissions)
{
    controls.setRenameState(1);
    const fs::path source = photo("IMG_0001.JPG");
    ::chmod(source.c_str(), 0640);
    const struct timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
    ::utimensat(AT_FDCWD, source.c_str(), old, 0);
    engine.processFile(source);

    EXPECT_EQ(listNames(dir.path()), (Names{"2010-07-14__18-05-09.JPG", "IMG_0001.JPG"}));
    EXPECT_EQ(readFile(dir / "2010-07-14__18-05-09.JPG"), readFile(source));
    struct stat st {};
    ASSERT_EQ(::stat((dir / "2010-07-14__18-05-09.JPG").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(st.st_mtim.tv_sec, 1000000000);
}

TEST_F(PlacementTest, ShiftedDateIsWrittenBackIntoTheChosenFieldOfThePlacedPhoto)
{
    host.exifInPhotos = true;
    controls.setFixTimeState(1);
    controls.setTimezonesTitle("+2");
    for (const int row : {0, 1}) {
        SCOPED_TRACE(row);
        TempDir folder;
        makeJpeg(folder / "IMG_0001.JPG", "2010:07:14 18:05:09", "2010:07:14 18:05:09");
        controls.setDateSwitchRow(row);
        controls.setRenameState(1); // copy: the source must keep its dates
        engine.processFile(folder / "IMG_0001.JPG");
        const auto placed = readCaptureDates(folder / "2010-07-14__20-05-09.JPG");
        EXPECT_EQ(placed.dateTimeOriginal, row == 0 ? "2010:07:14 20:05:09" : "2010:07:14 18:05:09");
        EXPECT_EQ(placed.dateTimeDigitized, row == 1 ? "2010:07:14 20:05:09" : "2010:07:14 18:05:09");
        EXPECT_EQ(readCaptureDates(folder / "IMG_0001.JPG").dateTimeOriginal, "2010:07:14 18:05:09");
    }

    // Already named after the shifted date: written in place, even for a shift of 0.
    controls.setTimezonesTitle("0");
    controls.setDateSwitchRow(0);
    photo("2010-07-14__18-05-09.JPG");
    setExifDates(dir / "2010-07-14__18-05-09.JPG", "2010:07:14 18:05:09", std::nullopt);
    const auto before = fs::last_write_time(dir / "2010-07-14__18-05-09.JPG");
    engine.processFile(dir / "2010-07-14__18-05-09.JPG");
    EXPECT_EQ(listNames(dir.path()), Names{"2010-07-14__18-05-09.JPG"});
    EXPECT_GE(fs::last_write_time(dir / "2010-07-14__18-05-09.JPG"), before);
    EXPECT_EQ(alertsText(), "");
}

TEST_F(PlacementTest, FailedPlacementsRaiseErrorAlertsThenOneImageSaveAlert)
{
    // Root passes every permission check: the engine runs as nobody in a child.
    photo("a.JPG");
    photo("b.JPG", "2011:01:01 01:01:01");
    openUpForEveryone(dir.path());
    host.exifInPhotos = true;
    controls.setFixTimeState(1);
    controls.setTimezonesTitle("+2");
    const std::string out = runInChild(
        [&] {
            engine.processFile(dir / "a.JPG");
            engine.processFile(dir / "b.JPG");
            return alertsText();
        },
        true);

    EXPECT_EQ(listNames(dir.path()), (Names{"a.JPG", "b.JPG"}));
    // Each failed move gets its own alert; the image-save alert comes once, after the first.
    const auto first = out.find("a.JPG");
    const auto save = out.find("Error during image save. [OK]");
    const auto second = out.find("b.JPG");
    ASSERT_NE(first, std::string::npos) << out;
    ASSERT_NE(save, std::string::npos) << out;
    ASSERT_NE(second, std::string::npos) << out;
    EXPECT_LT(first, save);
    EXPECT_LT(save, second);
    EXPECT_EQ(out.find("Error during image save.", save + 1), std::string::npos) << out;
}

TEST_F(PlacementTest, NameTooLongForTheFileSystemLeavesThePhoto)
{
    controls.setPrefixState(1);
    controls.setTextToPrefix(std::string(240, 'x'));
    photo("IMG_0001.JPG");
    engine.processFile(dir / "IMG_0001.JPG");
    EXPECT_EQ(listNames(dir.path()), Names{"IMG_0001.JPG"});
    ASSERT_EQ(host.alerts().size(), 1u);
    EXPECT_NE(host.alerts()[0].text.find("IMG_0001.JPG"), std::string::npos);
}

TEST_F(PlacementTest, OverlappingBatchesOverOneFolderLoseNoPhoto)
{
    // Many photos share a second, so both engines race for the same names.
    std::multiset<std::string> before;
    for (int i = 0; i < 60; ++i) {
        const std::string date = "2010:07:14 18:05:0" + std::to_string(i % 4);
        makeJpeg(dir / ("IMG_" + std::to_string(i) + ".JPG"), date, "2001:01:01 00:00:" + std::to_string(10 + i));
        before.insert(readFile(dir / ("IMG_" + std::to_string(i) + ".JPG")));
    }
    const Names listing = listNames(dir.path());
    RecordingHost otherHost;
    std::atomic<bool> otherLatch{false};
    PhotoEngine other(controls, otherLatch, otherHost);
    std::thread a([&] {
        for (const auto& name : listing)
            engine.processFile(dir / name);
    });
    std::thread b([&] {
        for (auto it = listing.rbegin(); it != listing.rend(); ++it)
            other.processFile(dir / *it);
    });
    a.join();
    b.join();

    std::multiset<std::string> after;
    for (const auto& name : listNames(dir.path())) {
        EXPECT_EQ(name.rfind("2010-07-14__18-05-0", 0), 0u) << name;
        after.insert(readFile(dir / name));
    }
    EXPECT_EQ(after, before);
    EXPECT_EQ(alertsText(), "");
}

TEST(FileManagerTest, MoveAndCopyNeverReplaceAnExistingFile)
{
    TempDir dir;
    writeFile(dir / "source", "photo");
    writeFile(dir / "target", "someone else's");
    const FileManager manager;
    for (const auto& error :
         {manager.moveItem(dir / "source", dir / "target"), manager.copyItem(dir / "source", dir / "target")}) {
        ASSERT_TRUE(error.has_value());
        EXPECT_EQ(error->code, FileError::kAlreadyExists);
    }
    EXPECT_EQ(readFile(dir / "source"), "photo");
    EXPECT_EQ(readFile(dir / "target"), "someone else's");
}

TEST(FileManagerTest, MoveAcrossFileSystemsCopiesThenRemoves)
{
    TempDir dir;
    if (!fs::is_directory("/dev/shm"))
        GTEST_SKIP() << "no second file system here";
    const std::string content(300000, 'p');
    writeFile(dir / "photo.jpg", content);
    char pattern[] = "/dev/shm/velmora-test-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const fs::path other = pattern;
    const auto error = FileManager().moveItem(dir / "photo.jpg", other / "moved.jpg");
    EXPECT_FALSE(error.has_value()) << error->description;
    EXPECT_FALSE(fs::exists(dir / "photo.jpg"));
    EXPECT_EQ(readFile(other / "moved.jpg"), content);
    fs::remove_all(other);
}

TEST(FileManagerTest, FullDiskDuringCopyLeavesSourceAndNoPartialTarget)
{
    TempDir dir;
    const std::string content(2 << 20, 'p');
    writeFile(dir / "photo.jpg", content);
    const std::string out = runInChild(
        [&] {
            const auto error = FileManager().copyItem(dir / "photo.jpg", dir / "copy.jpg");
            return error ? error->description : std::string("copied");
        },
        false, 1 << 20);
    EXPECT_NE(out.find("File too large"), std::string::npos) << out;
    EXPECT_EQ(readFile(dir / "photo.jpg"), content);
    EXPECT_FALSE(fs::exists(dir / "copy.jpg"));
}

} // namespace
