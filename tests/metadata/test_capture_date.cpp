// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/DateReader.h"
#include "metadata/DateLocator.h"
#include "support/ProcessSupport.h"
#include "history/BatchHistory.h"
#include "history/HistoryWriter.h"

#include <set>

namespace fs = std::filesystem;
using namespace velmora;
using namespace velmora::test;

namespace {

using CaptureDateTest = EngineTest;

// The selected row picks the field, without falling back to the other; the shift follows the pop-up's title whenever
// fix-time is not off, and a camera clock's correction moves the name and the date written back, with the shift or
// alone. A photo without a usable date keeps its name, with a log line and an alert that say why. With the other date
// allowed, a photo that has only that one is named after it (a Kodak DC210 records DateTimeOriginal only) and the shift
// is written into it; the history says which field named each photo.
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
        bool useOther = false;
        std::string why = {}; // the log line's reason, when the photo has no date to be named after
    } cases[] = {
        {0, 1, "+2", full, nullptr, "2010-07-14__20-05-09.jpg"},
        {-1, -1, "-20", full, nullptr, "2010-07-13__22-05-09.jpg"},                  // no row is row 0, mixed is on
        {0, 0, "+5", full, "2011:01:02 03:04:05", "2010-07-14__18-05-09.jpg", 0, full}, // off: the title is not read
        {1, 0, "", full, "2011:01:02 03:04:05", "2011-01-02__03-04-05.jpg"},
        {1, 0, "", full, nullptr, "IMG_0001.jpg", 0, nullptr, false, "(no DateTimeDigitized; it has DateTimeOriginal)"},
        {1, 1, "+1", "kodak", nullptr, "2000-10-26__17-46-51.jpg", 0, "2000:10:26 17:46:51", true},
        {1, 0, "", nullptr, nullptr, "IMG_0001.jpg", 0, nullptr, true, "(no DateTimeDigitized nor DateTimeOriginal)"},
        {0, 0, "+2", "2010:07:14 18:05", nullptr, "2010-07-14__18-05.jpg"}, // a short date stands as it is
        {0, 1, "+2", "2010:07:14 18:05", nullptr, "IMG_0001.jpg"},          // but is never shifted into a name
        {0, 0, "", "", nullptr, "IMG_0001.jpg"},
        {0, 0, "", nullptr, nullptr, "IMG_0001.jpg", 0, nullptr, false, "(no DateTimeOriginal)"},
        {0, 0, "", "2010/07/14 18:05:09", nullptr, "IMG_0001.jpg"}, // would reach into a folder "2010"
        {0, 0, "+2", full, nullptr, "2010-07-14__18-08-36.jpg", 207, "2010:07:14 18:08:36"},
        {0, 1, "+2", full, nullptr, "2010-07-13__20-04-58.jpg", -86411, "2010:07:13 20:04:58"}, // +2 h, -1 d 11 s
    };
    const auto text = [](const char* s) { return s ? std::optional<std::string>(s) : std::nullopt; };
    const fs::path kodak = fs::path(VELMORA_SAMPLES) / "exiv2-testdata/exiv2-kodak-dc210.jpg";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected + c.why);
        TempDir folder;
        const fs::path photo = folder / "IMG_0001.jpg";
        if (text(c.original) != "kodak")
            makeJpeg(photo, text(c.original), text(c.digitized));
        else if (!fs::exists(kodak) || !fs::copy_file(kodak, photo))
            continue; // the sample is absent
        controls.setDateSwitchRow(c.row);
        controls.setFixTimeState(c.fixTimeState);
        controls.setTimezonesTitle(std::string(c.title));
        host.stored.clockOffsetSeconds = c.correction;
        host.stored.changeExifInPhoto = c.written != nullptr;
        host.stored.useOtherDate = c.useOther;
        alertLatch = false; // a batch of its own: the alert latch is cleared
        LogCapture caseLog;
        auto journal = HistoryWriter::begin({}, {photo});
        engine.setRecorder(journal.get());
        engine.processFile(photo);
        engine.setRecorder(nullptr);
        journal->sync();
        ASSERT_EQ(listNames(folder.path()), Names{c.expected});
        const bool named = c.expected != photo.filename();
        EXPECT_EQ(readBatch(journal->id()).at(0).outcome.dateField,
                  !named ? "" : c.row == 1 && c.digitized ? "DateTimeDigitized" : "DateTimeOriginal");
        if (c.written) {
            const CaptureDates written = readCaptureDatesWithExiv2(folder / c.expected);
            EXPECT_EQ(written.dateTimeOriginal, c.written);
            EXPECT_EQ(written.dateTimeDigitized, text(c.digitized));
        }
        if (!c.why.empty()) {
            EXPECT_EQ(caseLog.lines(), Names{"*** File " + photo.native() + " doesn't have EXIF data! *** " + c.why});
            const char* alert = c.why.find("it has") != std::string::npos ? "One or more photos do not have"
                                                                          : "One or more files do not contain EXIF";
            EXPECT_EQ(host.alerts().back().text.rfind(alert, 0), 0u) << host.alerts().back().text;
        }
    }
    EXPECT_EQ(host.alerts().size(), 6u);
}

// Every dated photo of exiv2's test data reads as exiftool reads it, most by the locator without exiv2.
TEST(SampleDatesTest, EveryDatedSampleReadsAsExiftoolReadsIt)
{
    const fs::path samples = fs::path(VELMORA_SAMPLES);
    if (!fs::exists(samples / "exiv2-testdata.tsv"))
        GTEST_SKIP() << samples << " is absent";
    // exiv2 0.27 reads no JPEG XR; a date in IFD0 is not the EXIF one; exiftool prints a control byte as '.'.
    const std::set<std::string> apart = {"IMG_1913_8bit_prophoto_q50.jxr", "exiv2-bug479.jpg",
                                         "issue_ghsa_8949_hhfh_j7rj_poc.jp2"};
    int dated = 0, located = 0;
    for (const auto& [file, date] : datedPhotos(samples / "exiv2-testdata.tsv")) {
        if (apart.contains(file))
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
