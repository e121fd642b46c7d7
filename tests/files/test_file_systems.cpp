// SPDX-License-Identifier: GPL-3.0-or-later
// Velmora on the file systems where photos lie, each made and mounted for the
// test: a batch (pairs, sidecars, collisions, copy, write-back) and its Undo,
// exiv2's sample photos as evidence, and the system calls that make a date
// written in place durable there.
#include "support/MountedFileSystem.h"
#include "support/ProcessSupport.h"
#include "support/TestSupport.h"

#include "engine/BatchUndo.h"
#include "engine/DateText.h"
#include "files/Placement.h"
#include "history/BatchHistory.h"
#include "history/HistoryWriter.h"
#include "engine/DateReader.h"
#include "writeback/WriteAheadLog.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <map>
#include <poll.h>
#include <random>
#include <regex>
#include <spawn.h>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;
using namespace velmora;
using namespace velmora::test;

namespace velmora::test {
// ctest's test names and gtest's messages say "exfat_fuse", not "4-byte object <03-00 00-00>".
void PrintTo(FsKind kind, std::ostream* out)
{
    *out << fsName(kind);
}
} // namespace velmora::test

namespace {

using Names = std::vector<std::string>;
using Contents = std::map<std::string, std::string>; // name -> bytes, of the regular files of a folder

Contents contents(const fs::path& folder)
{
    Contents all;
    for (const std::string& name : listNames(folder))
        if (fs::is_regular_file(folder / name))
            all[name] = readFile(folder / name);
    return all;
}

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

long msSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}

bool isFuse(FsKind kind)
{
    return kind == FsKind::ExfatFuse || kind == FsKind::Ntfs3g || kind == FsKind::Sshfs;
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
        const auto start = std::chrono::steady_clock::now();
        mounted.emplace(GetParam());
        std::cout << fsName(GetParam()) << " made and mounted in " << msSince(start) << " ms\n";
        root = mounted->path() / "photos";
        fs::create_directory(root);
        writeFile(root / "Probe", "");
        caseInsensitive = fs::exists(root / "PROBE");
        fs::remove(root / "Probe");
    }
    // A batch over `folder` as a drop runs it, sets kept together, with its history;
    // `onRecord` hears of each photo recorded, by its count.
    std::string runBatch(const fs::path& folder, std::function<void(size_t)> onRecord = {})
    {
        journal = HistoryWriter::begin({}, {folder});
        EXPECT_TRUE(journal);
        struct : BatchRecorder {
            void record(const PhotoOutcome& o) override
            {
                journal->record(o);
                if (onRecord)
                    onRecord(++count);
            }
            HistoryWriter* journal;
            std::function<void(size_t)> onRecord;
            size_t count = 0;
        } recorder;
        recorder.journal = journal.get();
        recorder.onRecord = std::move(onRecord);
        engine.setRecorder(&recorder);
        NullSink sink;
        walkBatch(
            {folder}, [&](const PhotoSet& set) { engine.processSet(set); }, sink, {}, true,
            [&] { engine.finishBatch(); }, &engine.goneDevices());
        engine.setRecorder(nullptr);
        journal->finish();
        return journal->id();
    }
    // Writes the date back, shifted by `hours`.
    void shift(int hours)
    {
        controls.setFixTimeState(1);
        controls.setTimezonesTitle((hours > 0 ? "+" : "") + std::to_string(hours));
        host.exifInPhotos = true;
    }
    // The alerts shown since the first `from`.
    std::string alertTexts(size_t from = 0) const
    {
        const auto alerts = host.alerts();
        std::string out;
        for (size_t i = from; i < alerts.size(); ++i)
            out += alerts[i].text + "\n";
        return out;
    }

    std::optional<MountedFileSystem> mounted;
    std::unique_ptr<HistoryWriter> journal;
    fs::path root;
    bool caseInsensitive = false;
};

// A camera folder: a RAW+JPEG pair with its sidecar (named in other letters
// where letter case does not count), another shot of the same second, and a
// folder that holds the date name in small letters. Moved, copied, written
// back: each lands under the name free on this file system, and Undo brings
// back every file byte for byte.
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
        c.hours ? shift(c.hours) : controls.setFixTimeState(0);
        const std::string shifted = *shiftCaptureDate(date, c.hours);
        std::string stem = shifted;
        std::replace(stem.begin(), stem.end(), ':', '-');
        stem.replace(10, 1, "__");
        const std::string sidecar = caseInsensitive ? "img_0001.xmp" : "IMG_0001.xmp";
        for (const char* name : {"IMG_0001.CR2", "IMG_0001.JPG", "IMG_0002.JPG"})
            makeJpeg(card / name, date, "2001:01:01 00:00:0" + std::string(1, name[7]) + name[9]);
        writeFile(card / sidecar, "<x:xmpmeta/>");
        fs::create_directory(card / (stem + ".jpg")); // a name held by a folder is taken
        const Contents before = contents(card);
        const size_t alerts = host.alerts().size();

        const std::string id = runBatch(card);
        EXPECT_EQ(alertTexts(alerts), "");
        // Where letter case does not count, the folder holds the JPEG's name: the pair moves on to __1.
        const std::string pair = stem + (caseInsensitive ? "__1" : ""), next = stem + (caseInsensitive ? "__2" : "__1");
        Names expected = {pair + ".CR2", pair + ".JPG", pair + ".xmp", next + ".JPG", stem + ".jpg"};
        if (c.copy)
            expected.insert(expected.end(), {"IMG_0001.CR2", "IMG_0001.JPG", "IMG_0002.JPG", sidecar});
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(listNames(card), expected);
        for (const std::string& name : {pair + ".CR2", pair + ".JPG", next + ".JPG"})
            EXPECT_EQ(readCaptureDates(card / name).dateTimeOriginal, c.hours ? shifted : date) << name;
        if (c.copy) {
            EXPECT_EQ(readCaptureDates(card / "IMG_0001.JPG").dateTimeOriginal, date);
        }

        const UndoResult undone = undoBatch(id);
        EXPECT_EQ(std::make_pair(undone.undone, undone.kept), std::make_pair(size_t{4}, size_t{0}));
        EXPECT_EQ(changed(before, contents(card)), Names{});
        EXPECT_EQ(listNames(card).size(), before.size() + 1);
    }
}

// exiv2's dated sample photos, each renamed and +2 h written back; exiftool's
// full dump before and after differs only in that field, and Undo brings back
// every photo byte for byte under its old name.
TEST_P(FileSystems, SamplePhotosAreRenamedWrittenBackAndUndone)
{
    const fs::path samples = fs::path(VELMORA_SAMPLES), testdata = samples / "exiv2-testdata";
    if (!fs::exists(samples / "exiv2-testdata.tsv"))
        GTEST_SKIP() << "no sample photos at " << samples;
    const fs::path card = root / "DCIM";
    fs::create_directory(card);
    std::vector<fs::path> originals, targets;
    for (const std::string& name : datedPhotos(samples / "exiv2-testdata.tsv")) {
        originals.push_back(testdata / name);
        fs::copy_file(originals.back(), card / name);
    }
    const Contents before = contents(card);
    shift(2);
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
    // The few that are not written are those of the write-back's own table (README).
    EXPECT_GE(written.size(), 85u);
    EXPECT_GE(renamed, written.size());
    auto oldTags = exiftoolTags(originals), newTags = exiftoolTags(targets);
    for (const PhotoOutcome& o : written)
        EXPECT_EQ(differences(oldTags[(testdata / o.source.filename()).native()], newTags[o.target.native()]),
                  Names{"ExifIFD:DateTimeOriginal [" + o.oldDate + "] -> [" + o.newDate + "]"})
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
        EXPECT_EQ(differences(oldTags[(testdata / photo.filename()).native()], undoneTags[photo]),
                  Names{})
            << photo;
}

// The system calls of one date written in place: between the patch and the
// clearing of its record, a flush that this file system honours for the
// photo (a FUSE daemon never sees syncfs: only the photo's own flush reaches it).
TEST_P(FileSystems, PhotoIsFlushedBeforeItsRecordIsCleared)
{
    if (!runProgram("strace", {"-V"}))
        GTEST_SKIP() << "strace is not installed";
    const fs::path photo = root / "photo.jpg", trace = dir / "trace";
    makeJpeg(photo, "2001:02:03 04:05:06", "2001:02:03 04:05:07", 64, 48);
    const bool wrote = runProgram("strace", {"-f", "-qq", "-y", "-o", QString::fromStdString(trace.native()), "-e",
                                             "trace=pwrite64,fsync,fdatasync,syncfs", WRITEBACK_CRASH_HELPER,
                                             QString::fromStdString(photo.native()), "inplace", "once"})
                           .has_value();
    ASSERT_TRUE(wrote) << "the date was not written:\n" << readFile(trace);
    // "4537  pwrite64(3</mnt/photos/photo.jpg>, ..." as "pwrite64 photo"; the record's write as "pwrite64 record".
    std::vector<std::string> calls;
    const std::regex call(R"(^\d+ +(\w+)\(\d+<[^>]*(\.journal|/photo\.jpg)>)");
    std::istringstream lines(readFile(trace));
    for (std::string line; std::getline(lines, line);)
        if (std::smatch m; std::regex_search(line, m, call))
            calls.push_back(m.str(1) + (m.str(2) != ".journal"                      ? " photo"
                                        : line.find("VLMPATCH") != std::string::npos ? " record"
                                                                                     : " journal"));
    const auto patch = std::find(std::find(calls.begin(), calls.end(), "pwrite64 record"), calls.end(), "pwrite64 photo");
    ASSERT_NE(patch, calls.end()) << "not patched in place";
    const auto cleared = std::find(patch, calls.end(), "pwrite64 journal");
    ASSERT_NE(cleared, calls.end()) << "the record was never cleared";
    const std::vector<std::string> between(patch + 1, cleared);
    Names counts = {"fdatasync photo", "fsync photo"};
    if (!isFuse(GetParam()))
        counts.push_back("syncfs photo");
    EXPECT_TRUE(std::find_first_of(between.begin(), between.end(), counts.begin(), counts.end()) != between.end())
        << "between the patch and the clearing: " << testing::PrintToString(between);
}

// A card pulled or a share lost mid-batch: the FUSE daemon is killed and every
// later access fails with ENOTCONN. The photos after it are recorded as not
// reached, with one alert at most, and once mounted again every photo is its old
// file or its complete new one. (Those before may fail where links are refused:
// what comes after is tested.)
TEST_P(FileSystems, DeviceGoneMidBatchLeavesEveryPhotoWholeAndTheRestRecordedAsNotReached)
{
    if (!isFuse(GetParam()))
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
    const std::string id = runBatch(root, [&](size_t recorded) {
        if (recorded == beforePull) {
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

// Written and flushed: what a power cut cannot take.
void writeDurably(const fs::path& path, const std::string& bytes)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    ASSERT_TRUE(fd >= 0 && ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()) &&
                ::fsync(fd) == 0)
        << path;
    ::close(fd);
}

// The batch of writeback_crash_helper in a process of its own, its history and
// write-back records under `state`; reading its end gives "done" once the batch has ended.
pid_t startBatch(const fs::path& folder, const fs::path& state, int& out)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return -1;
    const std::string stateHome = "XDG_STATE_HOME=" + state.native();
    const char* argv[] = {"/usr/bin/env", stateHome.c_str(), WRITEBACK_CRASH_HELPER, "batch", folder.c_str(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    pid_t pid = -1;
    ::posix_spawn(&pid, argv[0], &actions, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    out = fds[0];
    return pid;
}

// A power cut during a batch that writes +2 h into 40 photos, and one just
// after it, on a file system that loses every write not yet flushed with
// fsync or fdatasync (the photos and the records and history in a folder of
// the same file system, so the cut takes them too). After the next start's
// recovery every photo is there once, its old bytes or its new ones, and
// every photo the history calls written has its new ones.
TEST(PowerCut, BatchWritingDatesBackLosesNothingTheHistoryCallsWritten)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "mounted file systems are tested in the plain build";
#endif
    if (const std::string why = MountedFileSystem::unavailable(FsKind::PowerCut); !why.empty())
        GTEST_SKIP() << "no power-cut file system here: " << why;
    TempDir made;
    std::map<std::string, int> photoOf;        // bytes, old or new -> photo
    std::vector<std::string> oldBytes, newBytes; // by photo
    for (int i = 0; i < 40; ++i) {
        char name[16], date[20], digitized[20];
        std::snprintf(name, sizeof name, "IMG_%04d.JPG", i);
        std::snprintf(date, sizeof date, "2010:07:14 18:05:%02d", i / 2); // two a second: collisions
        std::snprintf(digitized, sizeof digitized, "2001:01:01 00:00:%02d", i);
        makeJpeg(made / name, date);
        setExifDates(made / name, date, digitized);
        oldBytes.push_back(readFile(made / name));
        newBytes.push_back(oldBytes.back());
        newBytes.back().replace(newBytes.back().find(date), 19, *shiftCaptureDate(date, 2));
        photoOf[oldBytes.back()] = photoOf[newBytes.back()] = i;
    }
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    SCOPED_TRACE("seed " + std::to_string(seed));
    long batchMs = 0;
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        MountedFileSystem disk(FsKind::PowerCut);
        const fs::path photos = disk.path() / "photos", state = disk.path() / "state";
        fs::create_directory(photos);
        fs::create_directory(state);
        for (const std::string& name : listNames(made.path()))
            if (!name.starts_with("."))
                writeDurably(photos / name, readFile(made / name));
        int out = -1;
        const auto start = std::chrono::steady_clock::now();
        const pid_t batch = startBatch(photos, state, out);
        ASSERT_GT(batch, 0);
        // First just after the batch (which times it), then at random moments during one.
        pollfd done{out, POLLIN, 0};
        if (round == 0) {
            ASSERT_EQ(::poll(&done, 1, 120000), 1) << "the batch did not end";
            batchMs = msSince(start);
        } else {
            ::poll(&done, 1, std::uniform_int_distribution<int>(0, static_cast<int>(batchMs))(random));
        }
        const long cutMs = msSince(start);
        ::kill(batch, SIGSTOP); // everything stops at once: the process, and the disk with its cache
        EXPECT_TRUE(disk.cut());
        ::kill(batch, SIGKILL);
        ::waitpid(batch, nullptr, 0);
        ::close(out);
        disk.remount();

        // The next start: the write-back's recovery, then what the history says.
        const std::string written = runInChild(
            [&] {
                ::setenv("XDG_STATE_HOME", state.c_str(), 1);
                recoverInterruptedPatches();
                std::string names;
                for (const BatchSummary& b : listBatches())
                    for (const RecordedPhoto& p : readBatch(b.id))
                        if (!p.outcome.newDate.empty() && p.outcome.error.empty())
                            names += p.outcome.target.filename().native() + "\n";
                return names;
            },
            false);
        ASSERT_NE(written, "child died");
        // Each photo's files: a second name for the same file is a link the cut left between the
        // link and the unlink of a move, not a second photo.
        std::vector<std::set<ino_t>> found(oldBytes.size());
        int nowNew = 0;
        for (const std::string& name : listNames(photos)) {
            const std::string bytes = readFile(photos / name);
            const auto photo = photoOf.find(bytes);
            // A write-back's temporary file is never taken for a photo, and the next write-back removes it.
            if (isTemporaryName(name) || (bytes.empty() && photo == photoOf.end())) {
                std::cout << "  left by the cut: " << name << " (" << bytes.size() << " bytes)\n";
                continue;
            }
            ASSERT_NE(photo, photoOf.end()) << name << " is neither a photo's old bytes nor its new ones";
            struct stat st {};
            ::stat((photos / name).c_str(), &st);
            if (!found[photo->second].insert(st.st_ino).second)
                std::cout << "  left by the cut: " << name << ", a second link to a photo\n";
            nowNew += bytes == newBytes[photo->second];
            if (written.find(name + "\n") != std::string::npos) {
                EXPECT_EQ(bytes, newBytes[photo->second]) << name << ": the history calls it written";
            }
        }
        for (size_t i = 0; i < found.size(); ++i)
            EXPECT_EQ(found[i].size(), 1u) << "IMG_" << i << (found[i].empty() ? " is lost" : " is there twice") << ":\n"
                                   << testing::PrintToString(listNames(photos));
        std::cout << "  cut after " << cutMs << " ms (the batch takes " << batchMs << " ms): "
                  << std::count(written.begin(), written.end(), '\n') << " written by the history, " << nowNew
                  << " hold the new date\n";
    }
}

} // namespace
