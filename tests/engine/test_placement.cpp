// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/DateText.h"
#include "engine/DateReader.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <map>
#include <set>
#include <thread>

namespace fs = std::filesystem;
using namespace velmora;
using namespace velmora::test;

namespace {

const std::string kStem = "2010-07-14__18-05-09";

class PlacementTest : public EngineTest {
protected:
    fs::path photo(const fs::path& path, const std::string& date = "2010:07:14 18:05:09")
    {
        fs::create_directories(path.parent_path());
        makeJpeg(path, date, "2001:02:03 04:05:06");
        return path;
    }
};

TEST_F(PlacementTest, NameIsTheFirstFreeOneFromPrefixDateAndOldNameOrTheFailureIsShown)
{
    const std::string jpg = kStem + ".JPG", kept = kStem + "__IMG_0001", longPrefix(240, 'x');
    const struct {
        std::string source;
        int prefixState;
        std::string prefix;
        int suffixState;
        Names taken; // by other files of the folder
        Names expected;
        std::string failure; // the alert's reason, after "could not be moved to “target”: "
        Names dangling = {}; // symbolic links to nothing
    } cases[] = {
        {"IMG_0001.JPG", 0, "Rome_", 0, {}, {jpg}, ""},
        {"IMG_0001.JPG", 1, "Rome_", 1, {}, {"Rome_" + kept + ".JPG"}, ""},
        {"IMG_0001.JPG", 1, "100% ", 0, {}, {"100% " + jpg}, ""}, // no separator is added
        {"IMG_0001.JPG", -1, "Rome_", -1, {}, {jpg}, ""},         // mixed is not on
        {"IMG_0001.JPG", 1, "Rome/", 0, {}, {"Rome/" + jpg}, ""}, // into an existing folder
        {"IMG_0001", 0, "", 0, {}, {kStem + "."}, ""},
        {"sub/deeper/a.b.jpeg", 0, "", 0, {}, {"sub/deeper/" + kStem + ".jpeg"}, ""},
        {"caf\xe9.jpg", 0, "", 1, {}, {kStem + "__caf\xe9.jpg"}, ""}, // not UTF-8: bytes like any other
        // The first free number, after the old name when it is kept.
        {"IMG_0001.JPG", 0, "", 0, {jpg, kStem + "__2.JPG"}, {jpg, kStem + "__1.JPG", kStem + "__2.JPG"}, ""},
        {"IMG_0001.JPG", 0, "", 1, {kept + ".JPG"}, {kept + ".JPG", kept + "__1.JPG"}, ""},
        // A photo that has its name, with or without a number, stays.
        {jpg, 0, "", 0, {}, {jpg}, ""},
        {kStem + "__1.JPG", 0, "", 0, {jpg}, {jpg, kStem + "__1.JPG"}, ""},
        {kStem + "__3.JPG", 0, "", 0, {jpg}, {jpg, kStem + "__3.JPG"}, ""},
        {kStem + "__01.JPG", 0, "", 0, {jpg}, {jpg, kStem + "__1.JPG"}, ""},
        // A name held by a link to nothing is taken all the same.
        {"IMG_0001.JPG", 0, "", 0, {}, {kStem + "__1.JPG"}, "", {jpg}},
        {"IMG_0001.JPG", 1, "Paris/", 0, {}, {"IMG_0001.JPG"}, "there is no folder “/Paris”."},
        {"IMG_0001.JPG", 1, longPrefix, 0, {}, {"IMG_0001.JPG"}, "File name too long."},
    };
    const auto filesBelow = [](const fs::path& folder) { // regular files, sorted, relative to `folder`
        Names names;
        for (const auto& entry : fs::recursive_directory_iterator(folder))
            if (entry.is_regular_file())
                names.push_back(fs::relative(entry.path(), folder).native());
        std::sort(names.begin(), names.end());
        return names;
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.source + " " + c.prefix);
        TempDir folder;
        fs::create_directory(folder / "Rome");
        for (const std::string& name : c.taken)
            writeFile(folder / name, name);
        for (const std::string& name : c.dangling)
            fs::create_symlink("nowhere", folder / name);
        photo(folder / c.source);
        LogCapture caseLog;
        const size_t alerts = host.alerts().size();
        controls.setPrefixState(c.prefixState);
        controls.setTextToPrefix(c.prefix);
        controls.setSuffixState(c.suffixState);
        // Spelled with a doubled slash, as a drop may give it: the same photo.
        engine.processFile(folder.path().native() + "//" + c.source);
        EXPECT_EQ(filesBelow(folder.path()), c.expected);
        ASSERT_EQ(host.alerts().size(), alerts + !c.failure.empty());
        ASSERT_EQ(caseLog.lines().size(), c.failure.empty() ? 0u : 1u);
        if (c.failure.empty())
            continue;
        std::string reason = c.failure;
        if (const auto at = reason.find("“/"); at != std::string::npos)
            reason.insert(at + 3, folder.path().native());
        const std::string target = fs::path(c.prefix + jpg).filename().native();
        EXPECT_EQ(host.alerts().back().text,
                  "The photo “" + c.source + "” could not be moved to “" + target + "”: " + reason);
        EXPECT_TRUE(host.alerts().back().button == "OK" && caseLog.lines()[0].starts_with("Error!! "));
    }
}

TEST_F(PlacementTest, ShiftedDateIsWrittenIntoTheChosenFieldOfThePlacedPhotoOnlyElseOneAlertSays)
{
    writeBackShifted(2);
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
    EXPECT_TRUE(host.alerts().empty());

    controls.setPrefixState(1);
    controls.setTextToPrefix("Paris/"); // no such folder
    for (const char* name : {"a.JPG", "b.JPG"})
        engine.processFile(photo(dir / "failed" / name, before));
    EXPECT_EQ(readCaptureDates(dir / "failed/a.JPG").dateTimeOriginal, before);
    std::string out;
    for (const auto& alert : host.alerts())
        out += alert.text + " [" + alert.button + "]\n";
    // Each failed copy gets its own alert; the image-save alert comes once, after the first.
    const auto first = out.find("a.JPG"), save = out.find("Error during image save. [OK]"), second = out.find("b.JPG");
    ASSERT_TRUE(first < save && save < second && second != std::string::npos) << out;
    EXPECT_EQ(out.find("Error during image save.", save + 1), std::string::npos) << out;
}

TEST_F(PlacementTest, OverlappingBatchesOverOneFolderLoseNoPhoto)
{
    // Many photos share a second, so both engines race for the same names.
    for (int i = 0; i < 60; ++i)
        makeJpeg(dir / ("IMG_" + std::to_string(i) + ".JPG"), "2010:07:14 18:05:0" + std::to_string(i % 4),
                 "2001:01:01 00:00:" + std::to_string(10 + i));
    const Contents before = contents(dir.path());
    PhotoEngine other(controls, alertLatch, host);
    std::thread forward([&] {
        for (const auto& [name, bytes] : before)
            engine.processFile(dir / name);
    });
    for (auto it = before.rbegin(); it != before.rend(); ++it)
        other.processFile(dir / it->first);
    forward.join();

    std::multiset<std::string> photos, placed;
    for (const auto& [name, bytes] : before)
        photos.insert(bytes);
    for (const auto& [name, bytes] : contents(dir.path())) {
        EXPECT_EQ(name.rfind("2010-07-14__18-05-0", 0), 0u) << name;
        placed.insert(bytes);
    }
    EXPECT_EQ(placed, photos);
    EXPECT_TRUE(host.alerts().empty());
}

TEST_F(PlacementTest, EachPhotoFollowsOneSnapshotOfOptionsChangedDuringTheBatch)
{
    struct : BatchRecorder {
        void record(const PhotoOutcome& o) override { outcomes.add(o); }
        Recorded<PhotoOutcome> outcomes;
    } recorder;
    // The user clicks at any moment: another thread changes the shift and
    // copy, and the date row changes whenever the stored preference is read.
    struct : RecordingHost {
        StoredPreferences storedPreferences() override
        {
            options->setDateSwitchRow(++asked % 2);
            return {true};
        }
        LiveOptions* options;
        int asked = 0;
    } clicking;
    clicking.options = &controls;
    PhotoEngine engine(controls, alertLatch, clicking);
    engine.setRecorder(&recorder);
    controls.setFixTimeState(1);
    controls.setTimezonesTitle("+1");
    auto dates = [](int i, bool digitized) {
        const std::string mmss = std::to_string(10 + i / 40) + ":" + std::to_string(10 + i % 40);
        return (digitized ? "2011:03:01 10:" : "2010:07:14 10:") + mmss;
    };
    const int photos = 80;
    std::map<std::string, int> index;
    for (int i = 0; i < photos; ++i) {
        const std::string name = "IMG_" + std::to_string(1000 + i) + ".JPG";
        makeJpeg(dir / name, dates(i, false), dates(i, true));
        index[(dir / name).native()] = i;
    }
    std::atomic<bool> done{false};
    std::thread toggler([&] {
        for (int k = 0; !done; ++k) {
            controls.setTimezonesTitle(k % 3 ? "+1" : "+2");
            controls.setRenameState(k % 5 == 0);
            std::this_thread::yield();
        }
    });
    walkInto(engine, {dir.path()}, false);
    done = true;
    toggler.join();

    std::set<bool> rows; // digitized or not
    const auto outcomes = recorder.outcomes.all();
    ASSERT_EQ(outcomes.size(), size_t{photos});
    for (const PhotoOutcome& o : outcomes) {
        SCOPED_TRACE(o.source.native() + " -> " + o.target.native());
        ASSERT_EQ(o.kind, PhotoOutcome::Kind::Placed);
        const int i = index.at(o.source.native());
        const std::string read = dates(i, o.digitized), other = dates(i, !o.digitized);
        EXPECT_EQ(o.oldDate, read);
        EXPECT_TRUE(o.newDate == shiftCaptureDate(read, 1) || o.newDate == shiftCaptureDate(read, 2)) << o.newDate;
        EXPECT_EQ(o.target.filename().native(), dateStem(o.newDate) + ".JPG");
        EXPECT_EQ(fs::exists(o.source), o.copied);
        const CaptureDates placed = readCaptureDates(o.target);
        EXPECT_EQ(o.digitized ? placed.dateTimeDigitized : placed.dateTimeOriginal, o.newDate);
        EXPECT_EQ(o.digitized ? placed.dateTimeOriginal : placed.dateTimeDigitized, other);
        rows.insert(o.digitized);
    }
    EXPECT_EQ(rows.size(), 2u); // a change reaches the photos after it
}

// A folder as a camera and a raw editor leave it, through the real walk: pairs and their sidecars keep one name and one
// number, a burst the camera's order; a sidecar in other letters than its photo goes with it.
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
    make("IMG_0100.JPG", "2012:02:02 12:00:00", live + "__1.JPG");
    fs::create_symlink("nowhere", dir / (live + ".MOV")); // a link to nothing holds a name of the set all the same
    expected[""] = live + ".MOV";
    make("NODATE.JPG", std::nullopt, "NODATE.JPG");
    for (const auto& [name, renamed] : {std::pair{"IMG_0001.CR2.xmp", pair + ".CR2.xmp"},
                                        {"IMG_0001.xmp", pair + ".xmp"},
                                        {"IMG_0002.NEF.XMP", pair + "__1.NEF.XMP"},
                                        {"IMG_0100.MOV", live + "__1.MOV"},
                                        {"IMG_0100.JPG.pp3", live + "__1.JPG.pp3"},
                                        {"NODATE.JPG.xmp", "NODATE.JPG.xmp"}}) {
        writeFile(dir / name, name);
        expected[name] = renamed;
    }
    auto run = [&] {
        walkInto(engine, {dir.path()});
        std::map<std::string, std::string> renamed;
        for (const std::string& name : listNames(dir.path()))
            renamed[readFile(dir / name)] = name;
        return renamed;
    };
    EXPECT_EQ(run(), expected);
    EXPECT_EQ(log.lines(), Names{"*** File " + (dir / "NODATE.JPG").native() +
                                " doesn't have EXIF data! *** (no DateTimeOriginal; it has DateTimeDigitized)"});
    EXPECT_EQ(host.alerts().size(), 1u); // the latched missing-date alert
    // Later runs over the folder move nothing: a burst is not reshuffled.
    EXPECT_EQ(run(), expected);
    EXPECT_EQ(run(), expected);

    // Where the file system ignores letter case the walk hands on IMG_0001.JPG with
    // img_0001.xmp: the sidecar takes the photo's new name all the same.
    TempDir other;
    writeFile(other / "img_0001.xmp", "x");
    engine.processSet({{photo(other / "IMG_0001.JPG")}, {other / "img_0001.xmp"}});
    EXPECT_EQ(listNames(other.path()), (Names{kStem + ".JPG", kStem + ".xmp"}));
}

} // namespace
