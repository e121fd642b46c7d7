// SPDX-License-Identifier: GPL-3.0-or-later
// "Shift every date of the photo": the three fields of a real photo move, each from its own
// time, by either route; one write-ahead record for all; a sidecar's dates keep their forms;
// Undo takes photo and sidecar back to the byte.
#include "support/ProcessSupport.h"
#include "support/TestSupport.h"

#include "engine/BatchUndo.h"
#include "engine/BatchWalk.h"
#include "engine/DateText.h"
#include "engine/XmpSidecar.h"
#include "history/HistoryWriter.h"
#include "metadata/DateLocator.h"
#include "writeback/ExifDateWriter.h"
#include "writeback/WriteAheadLog.h"

#include <gtest/gtest.h>

#include <csignal>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace fs = std::filesystem;
using namespace velmora;
using namespace velmora::test;

namespace {

using Lines = std::vector<std::string>;
class ShiftAllDates : public EngineTest {};
const DateEdit kTwoHoursOn = [](DateTag, const std::string& old) { return shiftCaptureDate(old, 2); };

// A camera photo whose DateTime is not its capture time; empty when the samples are not here.
fs::path copyOfSample(const fs::path& to)
{
    const fs::path sample = fs::path(VELMORA_SAMPLES) / "exiv2-testdata" / "exiv2-bug1026.jpg";
    if (!fs::exists(sample))
        return {};
    fs::copy_file(sample, to);
    return to;
}

TEST_F(ShiftAllDates, TheThreeFieldsMoveEachFromItsOwnTimeAndNothingElse)
{
    for (const bool inPlace : {true, false}) {
        TempDir dir;
        const fs::path photo = copyOfSample(dir / "photo.jpg");
        if (photo.empty())
            GTEST_SKIP() << "no sample photos in " VELMORA_SAMPLES;
        const auto size = fs::file_size(photo);
        const QJsonObject before = exiftoolTags(photo);
        std::vector<DateChange> changes;
        ExifWriteOptions options;
        options.patchInPlace = inPlace;
        const auto r = writeExifDates(photo, kTwoHoursOn, changes, options);
        ASSERT_EQ(r.status, ExifWriteResult::Status::Written) << r.detail;
        EXPECT_EQ(differences(before, exiftoolTags(photo)),
                  (Lines{"ExifIFD:CreateDate [2014:12:20 11:57:54] -> [2014:12:20 13:57:54]",
                         "ExifIFD:DateTimeOriginal [2014:12:20 11:57:54] -> [2014:12:20 13:57:54]",
                         "IFD0:ModifyDate [2015:01:18 10:33:25] -> [2015:01:18 12:33:25]"}))
            << (inPlace ? "in place" : "whole file");
        EXPECT_EQ(changes.size(), 3u);
        EXPECT_TRUE(!inPlace || fs::file_size(photo) == size);
    }
}

// Killed once the record is durable, or between two fields: recovery completes all of them.
TEST_F(ShiftAllDates, ACrashBetweenTwoFieldsLeavesAllOrNone)
{
    for (std::string step : {"record", "torn"}) {
        TempDir dir;
        const fs::path photo = copyOfSample(dir / "photo.jpg");
        if (photo.empty())
            GTEST_SKIP() << "no sample photos in " VELMORA_SAMPLES;
        const std::string before = readFile(photo);
        std::vector<DateChange> changes;
        ASSERT_EQ(writeExifDates(photo, kTwoHoursOn, changes).status, ExifWriteResult::Status::Written);
        const std::string after = readFile(photo);
        writeFile(photo, before);
        std::string path = photo.native(), mode = "shiftall";
        char* argv[] = {const_cast<char*>(WRITEBACK_CRASH_HELPER), path.data(), mode.data(), step.data(), nullptr};
        pid_t pid = -1;
        int status = 0;
        ASSERT_EQ(::posix_spawn(&pid, WRITEBACK_CRASH_HELPER, nullptr, nullptr, argv, environ), 0);
        ASSERT_TRUE(::waitpid(pid, &status, 0) == pid && WIFSIGNALED(status)) << step << " not reached";
        ASSERT_NE(readFile(photo), after) << step;
        recoverInterruptedPatches();
        EXPECT_TRUE(readFile(photo) == after) << step;
    }
}

const std::string kSidecar = R"(<?xpacket begin="" id="W5M0MpCehiHzreSzNTczkc9d"?>
<x:xmpmeta xmlns:x="adobe:ns:meta/"><rdf:RDF xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#">
 <rdf:Description rdf:about="" xmlns:xmp="http://ns.adobe.com/xap/1.0/" xmlns:exif="http://ns.adobe.com/exif/1.0/"
   xmlns:ps="http://ns.adobe.com/photoshop/1.0/"
   xmp:CreateDate="2021-06-01T23:30:15.25+02:00" xmp:ModifyDate = '2021-06-01T23:30Z' xmp:Label="2021-06-01">
  <exif:DateTimeOriginal>2021-06-01T23:30:15</exif:DateTimeOriginal>
  <ps:DateCreated>2021-06-01</ps:DateCreated>
 </rdf:Description>
</rdf:RDF></x:xmpmeta>
<?xpacket end="w"?>)";

// A day and two hours on: every form stays its own; a date alone moves by the whole day.
TEST_F(ShiftAllDates, SidecarDatesKeepTheirForms)
{
    TempDir dir;
    const auto shifted = [&](const std::string& text, std::vector<SidecarDate>& changes) {
        writeFile(dir / "a.xmp", text);
        EXPECT_TRUE(editSidecarDates(
            dir / "a.xmp", [](const std::string&, const std::string& v) { return shiftXmpDate(v, 26 * 3600); },
            changes));
        return readFile(dir / "a.xmp");
    };
    std::vector<SidecarDate> changes;
    std::string expected = kSidecar;
    for (const auto& [from, to] : std::vector<std::pair<std::string, std::string>>{
             {"2021-06-01T23:30:15.25+02:00", "2021-06-03T01:30:15.25+02:00"},
             {"2021-06-01T23:30Z", "2021-06-03T01:30Z"},
             {">2021-06-01T23:30:15<", ">2021-06-03T01:30:15<"},
             {">2021-06-01<", ">2021-06-02<"}})
        expected.replace(expected.find(from), from.size(), to);
    EXPECT_EQ(shifted(kSidecar, changes), expected);
    Lines names;
    for (const SidecarDate& c : changes)
        names.push_back(c.property + " " + c.oldText);
    EXPECT_EQ(names, (Lines{"xmp:CreateDate 2021-06-01T23:30:15.25+02:00", "xmp:ModifyDate 2021-06-01T23:30Z",
                            "exif:DateTimeOriginal 2021-06-01T23:30:15", "photoshop:DateCreated 2021-06-01"}));
    const std::string broken = kSidecar.substr(0, kSidecar.size() - 40);
    EXPECT_EQ(shifted(broken, changes), broken);
    EXPECT_TRUE(changes.empty());
}

// A batch with the preference on, then its Undo: photo and sidecar come back byte for byte.
TEST_F(ShiftAllDates, UndoPutsBackPhotoAndSidecar)
{
    const fs::path photo = copyOfSample(dir / "IMG_1.jpg");
    if (photo.empty())
        GTEST_SKIP() << "no sample photos in " VELMORA_SAMPLES;
    writeFile(dir / "IMG_1.xmp", kSidecar);
    const Contents before = contents(dir.path());
    host.stored.changeExifInPhoto = host.stored.shiftAllDates = true;
    controls.setFixTimeState(1);
    controls.setTimezonesTitle("+2");
    auto journal = HistoryWriter::begin({}, {dir.path()});
    engine.setRecorder(journal.get());
    NullSink sink;
    walkBatch(
        {dir.path()}, [&](const PhotoSet& set) { engine.processSet(set); }, sink, {}, true,
        [&] { engine.finishBatch(); });
    engine.setRecorder(nullptr);
    const std::string id = journal->id();
    journal.reset(); // its flush thread ended: exiftool is started from a process of one thread
    const Contents after = contents(dir.path());
    ASSERT_EQ(after.size(), 2u);
    const std::string& sidecar = after.rbegin()->second;
    EXPECT_NE(sidecar.find("2021-06-02T01:30:15.25+02:00"), std::string::npos) << sidecar;
    // Read by our locator, not exiftool: a process forked beside the batch's threads is what
    // ThreadSanitizer cannot follow (exiftool's view of the three fields is the test above).
    const std::string shifted = readFile(dir / after.begin()->first);
    const auto located = locateDates(reinterpret_cast<const uint8_t*>(shifted.data()), shifted.size());
    ASSERT_TRUE(located && located->modified);
    EXPECT_EQ(located->modified->text, "2015:01:18 12:33:25");
    EXPECT_EQ(undoBatch(id).undone, 2u);
    EXPECT_TRUE(contents(dir.path()) == before);
}

} // namespace
