// SPDX-License-Identifier: GPL-3.0-or-later
// The first half of the per-photo operation: which date a photo is named
// after, when it has none, and how the hour shift applies. Real JPEGs, real exiv2.
#include "platform/Platform.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <thread>

namespace fs = std::filesystem;
using namespace velmora;
using namespace velmora::test;

namespace {

const std::string kMissingAlert =
    "One or more files do not contain EXIF metadata information and therefore they cannot be renamed.";

class CaptureDateTest : public EngineTest {
protected:
    // A fresh batch: the latch is cleared at every batch start.
    void newBatch() { runDialog = false; }
};

TEST_F(CaptureDateTest, SelectedRowChoosesTheFieldWithoutFallback)
{
    makeJpeg(dir / "both.jpg", "2010:07:14 18:05:09", "2011:01:02 03:04:05");
    makeJpeg(dir / "original-only.jpg", "2012:05:06 07:08:09");

    controls.setDateSwitchRow(1);
    engine.processFile(dir / "both.jpg");
    engine.processFile(dir / "original-only.jpg");
    EXPECT_EQ(listNames(dir.path()), (std::vector<std::string>{"2011-01-02__03-04-05.jpg", "original-only.jpg"}));
    ASSERT_EQ(host.alerts().size(), 1u);

    // Row 0, and no selection at all, read the date of capture.
    controls.setDateSwitchRow(-1);
    engine.processFile(dir / "original-only.jpg");
    EXPECT_EQ(listNames(dir.path()),
              (std::vector<std::string>{"2011-01-02__03-04-05.jpg", "2012-05-06__07-08-09.jpg"}));
}

TEST_F(CaptureDateTest, MissingDatesLeaveThePhotoAndRaiseOneAlertPerBatch)
{
    makeJpeg(dir / "a.jpg", std::string(""));
    makeJpeg(dir / "b.jpg", std::string("0000:00:00 00:00:00"));
    makeJpeg(dir / "c.jpg", std::string("    :  :     :  :  "));
    makeJpeg(dir / "d.jpg", std::nullopt);
    makeJpeg(dir / "e.jpg", std::string("2010/07/14 18:05:09")); // would reach into a folder "2010"
    writeFile(dir / "notes.txt", "not a photo");
    const auto before = listNames(dir.path());

    for (const auto& name : before)
        engine.processFile(dir / name);

    EXPECT_EQ(listNames(dir.path()), before);
    ASSERT_EQ(host.alerts().size(), 1u);
    EXPECT_EQ(host.alerts()[0].text, kMissingAlert);
    EXPECT_EQ(host.alerts()[0].button, "OK");
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), before.size());
    EXPECT_EQ(lines[0], "*** File " + (dir / "a.jpg").native() + " doesn't have EXIF data! ***");

    newBatch();
    engine.processFile(dir / "a.jpg");
    EXPECT_EQ(host.alerts().size(), 2u);
}

TEST_F(CaptureDateTest, ShortDateIsTakenAsItStandsUnlessItMustBeShifted)
{
    makeJpeg(dir / "short.jpg", "2010:07:14 18:05");
    engine.processFile(dir / "short.jpg");
    EXPECT_EQ(listNames(dir.path()), std::vector<std::string>{"2010-07-14__18-05.jpg"});

    // With the shift on, a date that cannot be read is never turned into a name.
    controls.setFixTimeState(1);
    controls.setTimezonesTitle("+2");
    engine.processFile(dir / "2010-07-14__18-05.jpg");
    EXPECT_EQ(listNames(dir.path()), std::vector<std::string>{"2010-07-14__18-05.jpg"});
    EXPECT_EQ(host.alerts().size(), 1u);
}

TEST_F(CaptureDateTest, ShiftFollowsThePopUpTitleWheneverFixTimeIsNotOff)
{
    struct Case {
        int fixTimeState;
        std::optional<std::string> title;
        const char* expected;
    } cases[] = {
        {1, "+2", "2010-07-14__20-05-09.jpg"},
        {-1, "-20", "2010-07-13__22-05-09.jpg"}, // mixed counts as on
        {1, "0", "2010-07-14__18-05-09.jpg"},
        {1, "no number", "2010-07-14__18-05-09.jpg"},
        {1, std::nullopt, "2010-07-14__18-05-09.jpg"},
        {0, "+5", "2010-07-14__18-05-09.jpg"}, // off: the title is not read
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        TempDir folder;
        makeJpeg(folder / "IMG_0001.jpg", "2010:07:14 18:05:09");
        controls.setFixTimeState(c.fixTimeState);
        controls.setTimezonesTitle(c.title);
        engine.processFile(folder / "IMG_0001.jpg");
        EXPECT_EQ(listNames(folder.path()), std::vector<std::string>{c.expected});
    }
    EXPECT_TRUE(host.alerts().empty());
}

TEST_F(CaptureDateTest, VanishedPathIsLoggedWithoutAlert)
{
    engine.processFile(dir / "gone%s.jpg");
    EXPECT_EQ(log.lines(), std::vector<std::string>{"*** File " + (dir / "gone%s.jpg").native() + " not found! ***"});
    EXPECT_TRUE(host.alerts().empty());
}

TEST_F(CaptureDateTest, HostileFilesTakeTheMissingDatePathWithoutHanging)
{
    makeJpeg(dir / "whole.jpg", "2010:07:14 18:05:09", std::nullopt, 320, 240);
    const std::string whole = readFile(dir / "whole.jpg");
    // Cut inside the EXIF block, and cut just after the header.
    writeFile(dir / "cut-exif.jpg", whole.substr(0, 40));
    writeFile(dir / "cut-header.jpg", whole.substr(0, 4));
    writeFile(dir / "empty.jpg", "");
    ASSERT_EQ(::mkfifo((dir / "pipe.jpg").c_str(), 0644), 0);
    fs::remove(dir / "whole.jpg");

    // A FIFO without a writer would block a plain open() for ever.
    std::thread worker([&] {
        for (const char* name : {"cut-exif.jpg", "cut-header.jpg", "empty.jpg", "pipe.jpg"})
            engine.processFile(dir / name);
    });
    worker.join();

    EXPECT_EQ(listNames(dir.path()),
              (std::vector<std::string>{"cut-exif.jpg", "cut-header.jpg", "empty.jpg", "pipe.jpg"}));
    EXPECT_EQ(host.alerts().size(), 1u);
    EXPECT_EQ(log.lines().size(), 4u);
}

} // namespace
