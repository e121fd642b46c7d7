// SPDX-License-Identifier: GPL-3.0-or-later
// Which date a photo is named after, when it has none, and how the hour shift
// applies: the first half of the per-photo operation, on real photos.
#include "engine/DateReader.h"
#include "metadata/DateLocator.h"
#include "support/TestSupport.h"
#include "history/BatchHistory.h"
#include "history/HistoryWriter.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>

namespace fs = std::filesystem;
using namespace velmora;
using namespace velmora::test;

namespace {

using CaptureDateTest = EngineTest;
using Names = std::vector<std::string>;

// The selected row picks the field, without falling back to the other; the shift follows the pop-up's
// title whenever fix-time is not off, and a camera clock's correction moves the name and the date
// written back, with the shift or alone. A photo without a usable date keeps its name.
TEST_F(CaptureDateTest, NameComesFromTheChosenFieldShiftedAsTheControlsSay)
{
    engine.processFile(dir / "gone%s.jpg"); // a path gone before its turn is only logged
    EXPECT_EQ(log.lines(), Names{"*** File " + (dir / "gone%s.jpg").native() + " not found! ***"});
    const char* full = "2010:07:14 18:05:09";
    const struct {
        int row, fixTimeState;
        const char *title, *original, *digitized, *expected;
        long long correction = 0;
        const char* written = nullptr; // DateTimeOriginal after the batch, written back if it moved
    } cases[] = {
        {0, 1, "+2", full, nullptr, "2010-07-14__20-05-09.jpg"},
        {-1, -1, "-20", full, nullptr, "2010-07-13__22-05-09.jpg"},                  // no row is row 0, mixed is on
        {0, 0, "+5", full, "2011:01:02 03:04:05", "2010-07-14__18-05-09.jpg", 0, full}, // off: the title is not read
        {1, 0, "", full, "2011:01:02 03:04:05", "2011-01-02__03-04-05.jpg"},
        {1, 0, "", full, nullptr, "IMG_0001.jpg"},
        {0, 0, "+2", "2010:07:14 18:05", nullptr, "2010-07-14__18-05.jpg"}, // a short date stands as it is
        {0, 1, "+2", "2010:07:14 18:05", nullptr, "IMG_0001.jpg"},          // but is never shifted into a name
        {0, 0, "", "", nullptr, "IMG_0001.jpg"},
        {0, 0, "", nullptr, nullptr, "IMG_0001.jpg"},
        {0, 0, "", "2010/07/14 18:05:09", nullptr, "IMG_0001.jpg"}, // would reach into a folder "2010"
        {0, 0, "+2", full, nullptr, "2010-07-14__18-08-36.jpg", 207, "2010:07:14 18:08:36"},
        {0, 1, "+2", full, nullptr, "2010-07-13__20-04-58.jpg", -86411, "2010:07:13 20:04:58"}, // +2 h, -1 d 11 s
    };
    const auto text = [](const char* s) { return s ? std::optional<std::string>(s) : std::nullopt; };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        TempDir folder;
        makeJpeg(folder / "IMG_0001.jpg", text(c.original), text(c.digitized));
        controls.setDateSwitchRow(c.row);
        controls.setFixTimeState(c.fixTimeState);
        controls.setTimezonesTitle(std::string(c.title));
        host.stored.clockOffsetSeconds = c.correction;
        host.stored.changeExifInPhoto = c.written != nullptr;
        alertLatch = false; // a batch of its own: the alert latch is cleared
        engine.processFile(folder / "IMG_0001.jpg");
        ASSERT_EQ(listNames(folder.path()), Names{c.expected});
        if (c.written)
            EXPECT_EQ(readCaptureDatesWithExiv2(folder / c.expected).dateTimeOriginal, c.written);
    }
    EXPECT_EQ(host.alerts().size(), 5u);
}

// A camera that records one date only (a Kodak DC210: DateTimeOriginal), the date of digitizing chosen:
// with the other date allowed, named after it, the shift written into it, and the history says which;
// without, left with a log line and an alert that say why.
TEST_F(CaptureDateTest, PhotoWithTheOtherDateOnlyIsNamedAfterItWhenAllowed)
{
    const fs::path kodak = fs::path(VELMORA_SAMPLES) / "exiv2-testdata/exiv2-kodak-dc210.jpg";
    if (!fs::exists(kodak))
        GTEST_SKIP() << kodak << " is absent";
    controls.setDateSwitchRow(1);
    controls.setFixTimeState(1);
    controls.setTimezonesTitle("+1");
    host.stored.changeExifInPhoto = true;
    const struct {
        bool useOther, dated;
        std::string name, logged, alert, field;
    } cases[] = {
        {false, true, "k.jpg", "(no DateTimeDigitized; it has DateTimeOriginal)", "One or more photos do not have", ""},
        {true, true, "2000-10-26__17-46-51.jpg", "", "", "DateTimeOriginal"},
        {true, false, "k.jpg", "(no DateTimeDigitized nor DateTimeOriginal)", "One or more files do not contain", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name + c.logged);
        TempDir folder;
        if (c.dated)
            fs::copy_file(kodak, folder / "k.jpg");
        else
            makeJpeg(folder / "k.jpg", std::nullopt);
        host.stored.useOtherDate = c.useOther;
        alertLatch = false;
        const size_t alerts = host.alerts().size();
        LogCapture caseLog;
        auto journal = HistoryWriter::begin({}, {folder / "k.jpg"});
        engine.setRecorder(journal.get());
        engine.processFile(folder / "k.jpg");
        engine.setRecorder(nullptr);
        const std::string id = journal->id();
        journal.reset();
        ASSERT_EQ(listNames(folder.path()), Names{c.name});
        EXPECT_EQ(readBatch(id).at(0).outcome.dateField, c.field);
        ASSERT_EQ(host.alerts().size(), alerts + !c.alert.empty());
        if (c.alert.empty()) {
            const CaptureDates written = readCaptureDatesWithExiv2(folder / c.name);
            EXPECT_EQ(written.dateTimeOriginal, "2000:10:26 17:46:51");
            EXPECT_EQ(written.dateTimeDigitized, std::nullopt);
            continue;
        }
        EXPECT_EQ(host.alerts().back().text.rfind(c.alert, 0), 0u) << host.alerts().back().text;
        EXPECT_EQ(caseLog.lines(),
                  Names{"*** File " + (folder / "k.jpg").native() + " doesn't have EXIF data! *** " + c.logged});
    }
}

// Every dated photo of exiv2's test data reads as exiftool reads it, most by the locator without exiv2.
TEST(SampleDatesTest, EveryDatedSampleReadsAsExiftoolReadsIt)
{
    const fs::path samples = fs::path(VELMORA_SAMPLES);
    std::ifstream table(samples / "exiv2-testdata.tsv");
    std::string file, date, rest;
    if (!std::getline(table, rest))
        GTEST_SKIP() << samples << " is absent";
    // exiv2 0.27 reads no JPEG XR; a date in IFD0 is not the EXIF one; exiftool prints a control byte as '.'.
    const std::set<std::string> apart = {"IMG_1913_8bit_prophoto_q50.jxr", "exiv2-bug479.jpg",
                                         "issue_ghsa_8949_hhfh_j7rj_poc.jp2"};
    int dated = 0, located = 0;
    while (std::getline(std::getline(table, file, '\t'), date, '\t') && std::getline(table, rest)) {
        if (date == "-" || rest.starts_with("EXV") || rest.starts_with("XMP") || apart.contains(file))
            continue;
        ++dated;
        EXPECT_EQ(readCaptureDates(samples / "exiv2-testdata" / file).dateTimeOriginal.value_or("-"), date) << file;
        const std::string bytes = readFile(samples / "exiv2-testdata" / file);
        const auto found = locateDates(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        located += found && found->original;
    }
    EXPECT_GT(dated, 80);
    EXPECT_GE(located, 68) << "read by the locator, without exiv2";
}

} // namespace
