// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/MountedFileSystem.h"
#include "support/ProcessSupport.h"

#include "engine/BatchUndo.h"
#include "engine/DateText.h"
#include "files/Placement.h"
#include "history/BatchHistory.h"
#include "history/HistoryWriter.h"
#include "engine/DateReader.h"

#include <chrono>
#include <functional>
#include <set>

namespace fs = std::filesystem;
using namespace velmora;
using namespace velmora::test;

namespace velmora::test {
// ctest's names say "exfat_fuse", not "4-byte object <03-00 00-00>".
void PrintTo(FsKind kind, std::ostream* out) { *out << fsName(kind); }
} // namespace velmora::test

namespace {

// The files that are not the same in both: missing, added, or where their bytes first differ.
Names changed(const Contents& before, const Contents& after)
{
    Names names;
    for (const auto& [name, bytes] : before)
        if (!after.contains(name))
            names.push_back(name + " (gone)");
        else if (const std::string& now = after.at(name); now != bytes)
            names.push_back(name + " (at byte " +
                            std::to_string(std::mismatch(now.begin(), now.end(), bytes.begin(), bytes.end()).first -
                                           now.begin()) +
                            ")");
    for (const auto& [name, bytes] : after)
        if (!before.contains(name))
            names.push_back(name + " (new)");
    return names;
}

class FileSystems : public EngineTest, public ::testing::WithParamInterface<FsKind> {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
        // The same code as on the local disk, under mounts that cost minutes: the plain build checks it.
        GTEST_SKIP() << "mounted file systems are tested in the plain build";
#endif
        if (const std::string why = MountedFileSystem::unavailable(GetParam()); !why.empty())
            GTEST_SKIP() << fsName(GetParam()) << " cannot be mounted here: " << why;
        mounted.emplace(GetParam());
        root = mounted->path() / "photos";
        fs::create_directory(root);
        writeFile(root / "Probe", "");
        caseInsensitive = fs::exists(root / "PROBE");
        fs::remove(root / "Probe");
    }
    // A batch over `folder` as a drop runs it, sets kept together, with its history;
    // `afterSet` hears of each set done, by its count.
    std::string runBatch(const fs::path& folder, const std::function<void(size_t)>& afterSet = {})
    {
        journal = HistoryWriter::begin({}, {folder});
        EXPECT_TRUE(journal);
        engine.setRecorder(journal.get());
        NullSink sink;
        size_t sets = 0;
        const auto process = [&](const PhotoSet& set) {
            engine.processSet(set);
            if (afterSet)
                afterSet(++sets);
        };
        walkBatch({folder}, process, sink, {}, true, [&] { engine.finishBatch(); }, &engine.goneDevices());
        engine.setRecorder(nullptr);
        journal->finish();
        return journal->id();
    }
    // FUSE ones are the kinds from exfat_fuse on, as MountedFileSystem orders them.
    bool fuse() const { return GetParam() >= FsKind::ExfatFuse; }

    std::optional<MountedFileSystem> mounted;
    std::unique_ptr<HistoryWriter> journal;
    fs::path root;
    bool caseInsensitive = false;
};

// A camera folder: a RAW+JPEG pair with its sidecar (named in other letters where letter case does not count), another
// shot of the same second, and a folder that holds the date name in small letters. Moved, copied, written back: each
// lands under the name free on this file system, and Undo brings back every file byte for byte.
TEST_P(FileSystems, BatchPlacesSetsAndCollisionsAndUndoTakesThemBack)
{
    const std::string date = "2010:07:14 18:05:09";
    const struct {
        const char* name;
        bool copy;
        int hours;
    } cases[] = {{"moved", false, 0}, {"copied, date written back", true, 2}, {"moved, date written back", false, -1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path card = root / c.name;
        fs::create_directory(card);
        controls.setRenameState(c.copy);
        c.hours ? writeBackShifted(c.hours) : controls.setFixTimeState(0);
        const std::string shifted = *shiftCaptureDate(date, c.hours);
        const std::string stem = dateStem(shifted);
        const std::string sidecar = caseInsensitive ? "img_0001.xmp" : "IMG_0001.xmp";
        for (const char* name : {"IMG_0001.CR2", "IMG_0001.JPG", "IMG_0002.JPG"})
            makeJpeg(card / name, date, "2001:01:01 00:00:0" + std::string(1, name[7]) + name[9]);
        writeFile(card / sidecar, "<x:xmpmeta/>");
        fs::create_directory(card / (stem + ".jpg")); // a name held by a folder is taken
        const Contents before = contents(card);
        const size_t alerts = host.alerts().size();

        const std::string id = runBatch(card);
        EXPECT_EQ(host.alerts().size(), alerts) << host.alerts().back().text;
        // Where letter case does not count, the folder holds the JPEG's name: the pair moves on to __1.
        const std::string pair = stem + (caseInsensitive ? "__1" : ""), next = stem + (caseInsensitive ? "__2" : "__1");
        Names expected = {pair + ".CR2", pair + ".JPG", pair + ".xmp", next + ".JPG", stem + ".jpg"};
        if (c.copy)
            expected.insert(expected.end(), {"IMG_0001.CR2", "IMG_0001.JPG", "IMG_0002.JPG", sidecar});
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(listNames(card), expected);
        for (const std::string& name : {pair + ".CR2", pair + ".JPG", next + ".JPG"})
            EXPECT_EQ(readCaptureDates(card / name).dateTimeOriginal, c.hours ? shifted : date) << name;
        EXPECT_TRUE(!c.copy || readCaptureDates(card / "IMG_0001.JPG").dateTimeOriginal == date);

        mounted->remount(); // the card taken out and put back: a new device number, perhaps new inode numbers
        const UndoResult undone = undoBatch(id);
        EXPECT_EQ(std::make_pair(undone.undone, undone.kept), std::make_pair(size_t{4}, size_t{0}));
        EXPECT_EQ(changed(before, contents(card)), Names{});
        EXPECT_EQ(listNames(card).size(), before.size() + 1);
    }
}

// exiv2's dated sample photos, each renamed and +2 h written back (into the digitized date on every other file system);
// exiftool's full dump before and after differs only in that field, and Undo brings back every photo byte for byte
// under its old name.
TEST_P(FileSystems, SamplePhotosAreRenamedWrittenBackAndUndone)
{
    const bool digitized = static_cast<int>(GetParam()) % 2;
    const fs::path samples = fs::path(VELMORA_SAMPLES), testdata = samples / "exiv2-testdata";
    if (!fs::exists(samples / "exiv2-testdata.tsv"))
        GTEST_SKIP() << "no sample photos at " << samples;
    const fs::path card = root / "DCIM";
    fs::create_directory(card);
    std::vector<fs::path> originals, targets;
    for (const auto& [name, date] : datedPhotos(samples / "exiv2-testdata.tsv")) {
        originals.push_back(testdata / name);
        fs::copy_file(originals.back(), card / name);
    }
    const Contents before = contents(card);
    writeBackShifted(2);
    controls.setDateSwitchRow(digitized);
    const std::string id = runBatch(card);

    std::vector<PhotoOutcome> written;
    size_t renamed = 0;
    for (const RecordedPhoto& p : readBatch(id)) {
        const PhotoOutcome& o = p.outcome;
        EXPECT_NE(o.kind, PhotoOutcome::Kind::Failed) << o.source << ": " << o.error;
        renamed += o.kind == PhotoOutcome::Kind::Placed && o.target != o.source;
        if (!o.newDate.empty() && o.error.empty()) {
            written.push_back(o);
            targets.push_back(o.target);
        }
    }
    // The few that are not written are those of the write-back's own table (docs/write-back.md).
    EXPECT_GE(written.size(), digitized ? 80u : 85u);
    EXPECT_GE(renamed, written.size());
    auto oldTags = exiftoolTags(originals), newTags = exiftoolTags(targets);
    for (const PhotoOutcome& o : written)
        EXPECT_EQ(differences(oldTags[(testdata / o.source.filename()).native()], newTags[o.target.native()]),
                  Names{(digitized ? "ExifIFD:CreateDate [" : "ExifIFD:DateTimeOriginal [") + o.oldDate + "] -> [" +
                        o.newDate + "]"})
            << o.target;
    std::cout << fsName(GetParam()) << ": " << renamed << " renamed, " << written.size() << " written back of "
              << originals.size() << "\n";

    const UndoResult undone = undoBatch(id);
    EXPECT_EQ(undone.kept, 0u);
    // A date written in place goes back byte for byte; one the whole-file route
    // wrote (PNG with EXIF in a text chunk) goes back as a date: exiftool sees the old photo.
    const Contents after = contents(card);
    std::vector<fs::path> rebuilt;
    for (const std::string& name : changed(before, after)) {
        EXPECT_NE(name.find(" (at byte"), std::string::npos) << name;
        rebuilt.push_back(card / name.substr(0, name.find(" (")));
    }
    auto undoneTags = exiftoolTags(rebuilt);
    for (const fs::path& photo : rebuilt)
        EXPECT_EQ(differences(oldTags[(testdata / photo.filename()).native()], undoneTags[photo]), Names{}) << photo;
}

// The system calls of one date written in place: between the patch and the clearing of its record, a flush that this
// file system honours for the photo (a FUSE daemon never sees syncfs: only the photo's own flush reaches it).
TEST_P(FileSystems, PhotoIsFlushedBeforeItsRecordIsCleared)
{
    if (!runProgram("strace", {"-V"}))
        GTEST_SKIP() << "strace is not installed";
    const fs::path photo = root / "photo.jpg", trace = dir / "trace";
    makeJpeg(photo, "2001:02:03 04:05:06", "2001:02:03 04:05:07", 64, 48);
    const std::vector<std::string> calls = patchSystemCalls(WRITEBACK_CRASH_HELPER, photo, trace);
    ASSERT_FALSE(calls.empty()) << "the date was not written:\n" << readFile(trace);
    const auto patch =
        std::find(std::find(calls.begin(), calls.end(), "pwrite64 journal record"), calls.end(), "pwrite64 photo");
    ASSERT_NE(patch, calls.end()) << "not patched in place";
    const auto cleared = std::find(patch, calls.end(), "pwrite64 journal");
    ASSERT_NE(cleared, calls.end()) << "the record was never cleared";
    const std::vector<std::string> between(patch + 1, cleared);
    Names counts = {"fdatasync photo", "fsync photo"};
    if (!fuse())
        counts.push_back("syncfs photo");
    EXPECT_TRUE(std::find_first_of(between.begin(), between.end(), counts.begin(), counts.end()) != between.end())
        << "between the patch and the clearing: " << testing::PrintToString(between);
}

// A card pulled or a share lost mid-batch: the FUSE daemon is killed and every later access fails with ENOTCONN. The
// photos after it are recorded as not reached, with one alert at most, and once mounted again every photo is its old
// file or its complete new one. (Those before may fail where links are refused: what comes after is tested.)
TEST_P(FileSystems, DeviceGoneMidBatchLeavesEveryPhotoWholeAndTheRestRecordedAsNotReached)
{
    if (!fuse())
        GTEST_SKIP() << "only a FUSE daemon can be killed under a batch";
    const size_t photos = 30, beforePull = 5;
    std::multiset<std::string> before, after;
    for (size_t i = 0; i < photos; ++i) {
        const fs::path path = root / ("IMG_" + std::to_string(1000 + i) + ".JPG");
        makeJpeg(path, "2010:07:14 18:05:" + std::to_string(10 + i));
        before.insert(readFile(path));
    }
    bool pulled = false;
    size_t alertsAtPull = 0;
    const auto start = std::chrono::steady_clock::now();
    const std::string id = runBatch(root, [&](size_t done) {
        if (done == beforePull) {
            pulled = mounted->cut();
            alertsAtPull = host.alerts().size();
        }
    });
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    ASSERT_TRUE(pulled) << "the FUSE daemon could not be killed";

    const std::vector<RecordedPhoto> history = readBatch(id);
    ASSERT_EQ(history.size(), photos);
    for (size_t i = 0; i < photos; ++i) {
        const PhotoOutcome& o = history[i].outcome;
        SCOPED_TRACE(o.source.native() + ": " + o.error);
        EXPECT_EQ(o.unreachable, i >= beforePull);
        EXPECT_TRUE(!o.unreachable || o.kind == PhotoOutcome::Kind::Failed);
    }
    EXPECT_EQ(journal->notReached(), photos - beforePull);
    EXPECT_LE(host.alerts().size(), alertsAtPull + 1);

    mounted->remount();
    for (const std::string& name : listNames(root))
        if (name.ends_with(".JPG") && !isTemporaryName(name))
            after.insert(readFile(root / name));
    EXPECT_EQ(after, before);
}

INSTANTIATE_TEST_SUITE_P(Mounted, FileSystems, ::testing::ValuesIn(kFsKinds),
                         [](const auto& info) { return std::string(fsName(info.param)); });

} // namespace
