// SPDX-License-Identifier: GPL-3.0-or-later
// The new name, collision numbers, a move or copy that never replaces a file,
// and the write-back into the placed photo only.
#include "platform/MetadataReader.h"
#include "support/ProcessSupport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <fcntl.h>
#include <map>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <set>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <thread>

namespace fs = std::filesystem;
using namespace velmora;
using namespace velmora::test;

namespace {

using Names = std::vector<std::string>;
const std::string kStem = "2010-07-14__18-05-09";

class PlacementTest : public EngineTest {
protected:
    fs::path photo(const fs::path& path, const std::string& date = "2010:07:14 18:05:09")
    {
        fs::create_directories(path.parent_path());
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

// Regular files below `folder`, as sorted paths relative to it.
Names filesBelow(const fs::path& folder)
{
    Names names;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            names.push_back(fs::relative(entry.path(), folder).native());
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(PlacementTest, NameIsComposedFromPrefixDateAndOldNameOrTheFailureIsShown)
{
    const std::string longPrefix(240, 'x');
    const struct {
        const char* source;
        int prefixState;
        std::string prefix;
        int suffixState;
        std::string expected;
        std::string failure; // the alert's reason, after "could not be moved to “target”: "
    } cases[] = {
        {"IMG_0001.JPG", 0, "Rome_", 0, kStem + ".JPG", ""},
        {"IMG_0001.JPG", 1, "Rome_", 1, "Rome_" + kStem + "__IMG_0001.JPG", ""},
        {"IMG_0001.JPG", 1, "100% ", 0, "100% " + kStem + ".JPG", ""}, // no separator is added
        {"IMG_0001.JPG", -1, "Rome_", -1, kStem + ".JPG", ""},         // mixed is not on
        {"IMG_0001.JPG", 0, "", 1, kStem + "__IMG_0001.JPG", ""},
        {"IMG_0001.JPG", 1, "Rome/", 0, "Rome/" + kStem + ".JPG", ""}, // into an existing folder
        {"IMG_0001", 0, "", 0, kStem + ".", ""},
        {"sub/deeper/a.b.jpeg", 0, "", 0, "sub/deeper/" + kStem + ".jpeg", ""},
        {"caf\xe9.jpg", 0, "", 1, kStem + "__caf\xe9.jpg", ""}, // not UTF-8: bytes like any other
        {"IMG_0001.JPG", 1, "Paris/", 0, "IMG_0001.JPG", "there is no folder “/Paris”."},
        {"IMG_0001.JPG", 1, longPrefix, 0, "IMG_0001.JPG", "File name too long."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.prefix + c.expected);
        TempDir folder;
        fs::create_directory(folder / "Rome");
        LogCapture caseLog;
        const size_t alerts = host.alerts().size();
        controls.setPrefixState(c.prefixState);
        controls.setTextToPrefix(c.prefix);
        controls.setSuffixState(c.suffixState);
        engine.processFile(photo(folder / c.source));
        EXPECT_EQ(filesBelow(folder.path()), Names{c.expected});
        ASSERT_EQ(host.alerts().size(), alerts + !c.failure.empty());
        ASSERT_EQ(caseLog.lines().size(), c.failure.empty() ? 0u : 1u);
        if (c.failure.empty())
            continue;
        std::string reason = c.failure;
        if (reason.find("“/") != std::string::npos)
            reason.insert(reason.find("“/") + 3, folder.path().native());
        const std::string target = fs::path(c.prefix + kStem + ".JPG").filename().native();
        EXPECT_EQ(host.alerts().back().text,
                  "The photo “" + std::string(c.source) + "” could not be moved to “" + target + "”: " + reason);
        EXPECT_EQ(host.alerts().back().button, "OK");
        EXPECT_EQ(caseLog.lines()[0].rfind("Error!! ", 0), 0u);
    }
}

TEST_F(PlacementTest, TakenNamesGetTheFirstFreeNumberAndANamedPhotoStays)
{
    for (const char* name : {"a.JPG", "b.JPG", "c.JPG"})
        engine.processFile(photo(dir / name));
    const Names numbered{kStem + ".JPG", kStem + "__1.JPG", kStem + "__2.JPG"};
    EXPECT_EQ(listNames(dir.path()), numbered);

    // A second run leaves the photo that has its name, however the path is
    // written; its twin finds "__1" taken by itself.
    const std::string first = readFile(dir / numbered[0]);
    for (const std::string& path : {dir.path().native() + "//" + numbered[0], "/" + (dir / numbered[0]).native()})
        engine.processFile(path);
    engine.processFile(dir / numbered[1]);
    EXPECT_EQ(listNames(dir.path()), (Names{numbered[0], numbered[2], kStem + "__3.JPG"}));
    EXPECT_EQ(readFile(dir / numbered[0]), first);

    // With the old name kept, the number goes after it.
    controls.setSuffixState(1);
    engine.processFile(photo(dir / "x/IMG_0001.JPG"));
    engine.processFile(photo(dir / "x/IMG_0001.JPG"));
    EXPECT_EQ(listNames(dir / "x"), (Names{kStem + "__IMG_0001.JPG", kStem + "__IMG_0001__1.JPG"}));
    EXPECT_EQ(alertsText(), "");
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(PlacementTest, CopyKeepsTheSourceWithItsTimesAndPermissions)
{
    controls.setRenameState(1);
    const fs::path source = photo(dir / "IMG_0001.JPG");
    ::chmod(source.c_str(), 0640);
    const struct timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
    ::utimensat(AT_FDCWD, source.c_str(), old, 0);
    engine.processFile(source);

    EXPECT_EQ(listNames(dir.path()), (Names{kStem + ".JPG", "IMG_0001.JPG"}));
    EXPECT_EQ(readFile(dir / (kStem + ".JPG")), readFile(source));
    struct stat st {};
    ASSERT_EQ(::stat((dir / (kStem + ".JPG")).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(st.st_mtim.tv_sec, 1000000000);
}

TEST_F(PlacementTest, ShiftedDateIsWrittenIntoTheChosenFieldOfThePlacedPhotoOnly)
{
    host.exifInPhotos = true;
    controls.setFixTimeState(1);
    controls.setTimezonesTitle("+2");
    controls.setRenameState(1); // a copy: the source must keep its dates
    const std::string before = "2010:07:14 16:05:09", after = "2010:07:14 18:05:09";
    for (const int row : {0, 1}) {
        SCOPED_TRACE(row);
        TempDir folder;
        makeJpeg(folder / "IMG_0001.JPG", before, before);
        controls.setDateSwitchRow(row);
        engine.processFile(folder / "IMG_0001.JPG");
        const auto placed = readCaptureDates(folder / (kStem + ".JPG"));
        EXPECT_EQ(placed.dateTimeOriginal, row == 0 ? after : before);
        EXPECT_EQ(placed.dateTimeDigitized, row == 1 ? after : before);
        EXPECT_EQ(readCaptureDates(folder / "IMG_0001.JPG").dateTimeOriginal, before);
    }
    // Already named after the shifted date: written in place.
    controls.setDateSwitchRow(0);
    engine.processFile(photo(dir / (kStem + ".JPG"), before));
    EXPECT_EQ(listNames(dir.path()), Names{kStem + ".JPG"});
    EXPECT_EQ(readCaptureDates(dir / (kStem + ".JPG")).dateTimeOriginal, after);
    EXPECT_EQ(alertsText(), "");
}

TEST_F(PlacementTest, FailedPlacementsRaiseErrorAlertsThenOneImageSaveAlert)
{
    // Root passes every permission check: the engine runs as nobody in a child.
    photo(dir / "a.JPG");
    photo(dir / "b.JPG", "2011:01:01 01:01:01");
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
    const auto first = out.find("a.JPG"), save = out.find("Error during image save. [OK]"), second = out.find("b.JPG");
    ASSERT_TRUE(first < save && save < second && second != std::string::npos) << out;
    EXPECT_EQ(out.find("Error during image save.", save + 1), std::string::npos) << out;
}

TEST_F(PlacementTest, OverlappingBatchesOverOneFolderLoseNoPhoto)
{
    // Many photos share a second, so both engines race for the same names.
    std::multiset<std::string> before;
    for (int i = 0; i < 60; ++i) {
        const fs::path path = dir / ("IMG_" + std::to_string(i) + ".JPG");
        makeJpeg(path, "2010:07:14 18:05:0" + std::to_string(i % 4), "2001:01:01 00:00:" + std::to_string(10 + i));
        before.insert(readFile(path));
    }
    const Names listing = listNames(dir.path());
    RecordingHost otherHost;
    std::atomic<bool> otherLatch{false};
    PhotoEngine other(controls, otherLatch, otherHost);
    std::thread forward([&] {
        for (const auto& name : listing)
            engine.processFile(dir / name);
    });
    for (auto it = listing.rbegin(); it != listing.rend(); ++it)
        other.processFile(dir / *it);
    forward.join();

    std::multiset<std::string> after;
    for (const auto& name : listNames(dir.path())) {
        EXPECT_EQ(name.rfind("2010-07-14__18-05-0", 0), 0u) << name;
        after.insert(readFile(dir / name));
    }
    EXPECT_EQ(after, before);
    EXPECT_EQ(alertsText(), "");
    EXPECT_TRUE(otherHost.alerts().empty());
}

// A folder as a camera and a raw editor leave it, through the real walk: pairs
// and their sidecars keep one name and one number, a burst the camera's order.
TEST_F(PlacementTest, CameraFolderKeepsItsSetsTogether)
{
    std::map<std::string, std::string> expected; // content -> new name
    auto make = [&, n = 10](const std::string& name, std::optional<std::string> date,
                            const std::string& renamed) mutable {
        // Distinct bytes for every file, so that its new name leads back to its old one.
        makeJpeg(dir / name, std::move(date), "2001:01:01 00:00:" + std::to_string(n++));
        expected[readFile(dir / name)] = renamed;
    };
    const std::string pair = "2010-07-14__18-05-09", burst = "2011-01-01__10-00-00", live = "2012-02-02__12-00-00";
    make("IMG_0001.CR2", "2010:07:14 18:05:09", pair + ".CR2"); // the date reader goes by content
    make("IMG_0001.JPG", "2010:07:14 18:05:09", pair + ".JPG");
    make("IMG_0002.NEF", "2010:07:14 18:05:09", pair + "__1.NEF"); // another pair in the same second
    make("IMG_0002.JPG", "2010:07:14 18:05:09", pair + "__1.JPG");
    for (int i = 1; i <= 12; ++i)
        make("BURST_" + std::string(i < 10 ? "0" : "") + std::to_string(i) + ".JPG", "2011:01:01 10:00:00",
             burst + (i > 1 ? "__" + std::to_string(i - 1) : "") + ".JPG");
    make("IMG_0100.JPG", "2012:02:02 12:00:00", live + ".JPG");
    make("NODATE.JPG", std::nullopt, "NODATE.JPG");
    for (const auto& [name, renamed] : {std::pair{"IMG_0001.CR2.xmp", pair + ".CR2.xmp"},
                                        {"IMG_0001.xmp", pair + ".xmp"},
                                        {"IMG_0002.NEF.XMP", pair + "__1.NEF.XMP"},
                                        {"IMG_0100.MOV", live + ".MOV"},
                                        {"IMG_0100.JPG.pp3", live + ".JPG.pp3"},
                                        {"NODATE.JPG.xmp", "NODATE.JPG.xmp"}}) {
        writeFile(dir / name, name);
        expected[name] = renamed;
    }
    NullSink sink;
    walkBatch(
        {dir.path()}, [this](const PhotoSet& set) { engine.processSet(set); }, sink, {}, true);

    std::map<std::string, std::string> renamed;
    for (const std::string& name : listNames(dir.path()))
        renamed[readFile(dir / name)] = name;
    EXPECT_EQ(renamed, expected);
    EXPECT_EQ(log.lines(), Names{"*** File " + (dir / "NODATE.JPG").native() + " doesn't have EXIF data! ***"});
    EXPECT_EQ(host.alerts().size(), 1u); // the latched missing-date alert
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
    char pattern[] = "/dev/shm/velmora-test-XXXXXX";
    if (!::mkdtemp(pattern))
        GTEST_SKIP() << "no second file system here";
    const std::string content(300000, 'p');
    writeFile(dir / "photo.jpg", content);
    const auto error = FileManager().moveItem(dir / "photo.jpg", fs::path(pattern) / "moved.jpg");
    EXPECT_FALSE(error.has_value()) << error->description;
    EXPECT_FALSE(fs::exists(dir / "photo.jpg"));
    EXPECT_EQ(readFile(fs::path(pattern) / "moved.jpg"), content);
    fs::remove_all(pattern);
}

// Makes every fsync of the calling process fail with EIO, as a failing disk does.
bool failEveryFsync()
{
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_fsync, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EIO),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    const sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}

TEST(FileManagerTest, CopyThatCannotBeMadeDurableFailsAndLeavesNoTarget)
{
    TempDir dir;
    const std::string content(2 << 20, 'p');
    writeFile(dir / "photo.jpg", content);
    for (const bool fullDisk : {true, false}) {
        SCOPED_TRACE(fullDisk ? "full disk" : "fsync fails");
        const std::string out = runInChild(
            [&] {
                if (!fullDisk && !failEveryFsync())
                    return std::string("no seccomp");
                const auto error = FileManager().copyItem(dir / "photo.jpg", dir / "copy.jpg");
                return error ? error->description : std::string("copied");
            },
            false, fullDisk ? 1 << 20 : 0);
        if (out == "no seccomp")
            GTEST_SKIP() << "system-call filters are not allowed here";
        EXPECT_NE(out.find(fullDisk ? "File too large" : "Input/output error"), std::string::npos) << out;
        EXPECT_EQ(readFile(dir / "photo.jpg"), content);
        EXPECT_FALSE(fs::exists(dir / "copy.jpg"));
    }
}

} // namespace
