// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ProcessSupport.h"

#include "engine/BatchUndo.h"
#include "history/HistoryWriter.h"
#include "history/HistoryFolder.h"
#include "writeback/WriteAheadLog.h"

#include <chrono>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace velmora;
using namespace velmora::test;

namespace {

using Undo = BatchSummary::Undo;

// A quote, a backslash and a byte outside UTF-8: names come back byte for byte.
const std::string kOdd = "c\"\\\xff.jpg";
const Names kOldNames = {"a.JPG", "b.JPG", kOdd, "none.JPG"};

class HistoryTest : public EngineTest {
protected:
    // Three photos of one second (two get collision numbers), one without a date, one not there.
    const std::vector<fs::path> batch{dir / "a.JPG", dir / "b.JPG", dir / kOdd, dir / "none.JPG", dir / "gone.JPG"};

    Contents makePhotos() // in a folder emptied first
    {
        for (const std::string& name : listNames(dir.path()))
            fs::remove(dir / name);
        for (int i = 0; i < 3; ++i)
            makeJpeg(batch[i], "2010:07:14 18:05:09", "2001:01:01 00:00:0" + std::to_string(i));
        makeJpeg(dir / "none.JPG", std::nullopt);
        return contents(dir.path());
    }
    // Runs the batch over the first `count` photos; cut short, the process dies
    // one photo after the journal's last group.
    std::string runBatch(size_t count = 5, bool cutShort = false)
    {
        auto journal = HistoryWriter::begin({{"fixTime", "on"}}, batch);
        engine.setRecorder(journal.get());
        for (size_t i = 0; i < count; ++i)
            engine.processFile(batch[i]);
        if (cutShort) {
            journal->sync();
            engine.processFile(batch[count]);
            ::_exit(0);
        }
        engine.setRecorder(nullptr);
        return journal->id();
    }
    static BatchSummary newest() { return listBatches().front(); }
};

TEST_F(HistoryTest, BatchesAreOrderedByStartTimeThenProcessId)
{
    const fs::path folder = stateFolder() / "batches";
    fs::remove_all(folder);
    fs::create_directories(folder);
    using namespace std::chrono;
    const int64_t now = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    // Newest first: within a millisecond by process id, then by number; then a hundred
    // batches of a process whose id is longer than any process has after a reboot.
    Names ids;
    for (const char* rest : {"-40-2", "-40-1", "-40", "-5"})
        ids.push_back(std::to_string(now - 1000) + rest);
    for (int i = 0; i < 96; ++i)
        ids.push_back(std::to_string(now - 2000 - 1000 * i) + "-99999999");
    for (const std::string& id : ids)
        writeFile(batchFile(id), "");
    EXPECT_EQ(batchIds(), ids);

    // A new batch is the newest; the oldest goes to keep a hundred.
    const std::string id = HistoryWriter::begin({}, {})->id();
    ids.insert(ids.begin(), id);
    ids.pop_back();
    EXPECT_EQ(batchIds(), ids);
    EXPECT_EQ(newest().id, id);
}

TEST_F(HistoryTest, LinesTheDiskRefusedOrACrashToreAreNeverTakenForSuccessAndNoPhotoIsLost)
{
    makePhotos();
    // The photos' lines are refused, the first one torn; then the disk has room again for the end.
    auto journal = HistoryWriter::begin({}, batch);
    const std::string id = journal->id();
    {
        const DiskFull full(fs::file_size(batchFile(id)) + 10);
        engine.setRecorder(journal.get());
        for (const fs::path& photo : batch)
            engine.processFile(photo);
        engine.setRecorder(nullptr);
        journal->sync();
    }
    EXPECT_EQ(journal->writeError(), EFBIG);
    journal.reset();
    const BatchSummary b = newest();
    EXPECT_EQ(std::make_tuple(b.finished, b.renamed, b.linesLost), std::make_tuple(true, 3u, true));
    // Undo knows of no photo to take back: the batch is not undone.
    EXPECT_TRUE(undoBatch(id).recorded);
    EXPECT_EQ(newest().undo, Undo::Partly);

    // A batch the disk takes whole tells what became of each photo...
    makePhotos();
    const std::string second = runBatch();
    using enum PhotoOutcome::Kind;
    std::vector<std::tuple<PhotoOutcome::Kind, fs::path, fs::path>> journaled;
    for (const RecordedPhoto& p : readBatch(second))
        journaled.emplace_back(p.outcome.kind, p.outcome.source, p.outcome.target.filename());
    // clang-format off
    EXPECT_EQ(journaled, (decltype(journaled){{Placed, batch[0], "2010-07-14__18-05-09.JPG"},
        {Placed, batch[1], "2010-07-14__18-05-09__1.JPG"}, {Placed, batch[2], "2010-07-14__18-05-09.jpg"},
        {NoDate, batch[3], ""}, {NotFound, batch[4], ""}}));
    // clang-format on
    const BatchSummary whole = newest();
    EXPECT_EQ(std::make_tuple(whole.id, whole.finished, whole.renamed, whole.withoutDate, whole.failed, whole.undo),
              std::make_tuple(second, true, 3u, 1u, 0u, Undo::None));
    // ...and an undo of it that cannot be recorded takes nothing back.
    const Names renamed = listNames(dir.path());
    UndoResult result;
    {
        const DiskFull full(0);
        result = undoBatch(second);
    }
    EXPECT_EQ(std::make_tuple(result.recorded, result.undone), std::make_tuple(false, 0u));
    EXPECT_EQ(listNames(dir.path()), renamed);
    EXPECT_EQ(newest().undo, Undo::None);

    // Crashes during a batch and during its undo lose nothing.
    writeBackShifted(-2);
    Contents before = makePhotos();
    ASSERT_EQ(runInChild([&] { return static_cast<int>(runBatch(2, true).size()); }), 0);
    const std::string cut = newest().id;
    // The photo after the last group was placed, but the journal never heard of it.
    before.erase(kOdd);
    before["2010-07-14__16-05-09.jpg"] = readFile(dir / "2010-07-14__16-05-09.jpg");
    // A last line without its newline was torn by the crash: not a photo, however whole it looks.
    const fs::path file = stateFolder() / "batches" / (cut + ".jsonl");
    writeFile(file, readFile(file) + R"({"t":"photo","kind":"moved","from":"/x","to":"/y"})");
    EXPECT_EQ(std::make_pair(newest().finished, newest().renamed), std::make_pair(false, size_t{2}));

    // The undo killed after the first photo it took back (the last of the batch)...
    EXPECT_EQ(runInChild([&] { return static_cast<int>(undoBatch(cut, [](double) { ::_exit(0); }).undone); }), 0);
    // ...and, in a second run, between moving the next one back and its date.
    fs::rename(dir / "2010-07-14__16-05-09.JPG", dir / "a.JPG");

    result = undoBatch(cut);
    EXPECT_EQ(std::make_tuple(result.undone, result.kept, newest().undo), std::make_tuple(2u, 0u, Undo::Done));
    EXPECT_EQ(contents(dir.path()), before);
}

TEST_F(HistoryTest, UndoTakesBackWhatIsStillAsTheBatchLeftIt)
{
    // The prefix may name a folder on another file system (/dev/shm, where it is one): a move there makes a new file.
    const fs::path other = fs::path("/dev/shm") / dir.path().filename();
    fs::create_directory(other);
    controls.setTextToPrefix(fs::relative(other, dir.path()).native() + "/");
    controls.setTimezonesTitle("+2");
    enum { Copy = 1, WriteBack = 2, Elsewhere = 4 };
    struct Case {
        const char* name;
        int how;
        std::function<void(const fs::path&)> meddle; // after the batch, before the undo
        Names namesAfterUndo;
        const char* reason; // why a photo was kept, if one was
    } cases[] = {
        // clang-format off
        {"moved, collisions", 0, {}, kOldNames, ""},
        {"copied", Copy, {}, kOldNames, ""},
        {"date written back", WriteBack, {}, kOldNames, ""},
        {"copied, date written into the copies", Copy | WriteBack, {}, kOldNames, ""},
        {"moved to another file system", Elsewhere, {}, kOldNames, ""},
        {"a photo changed since", 0, [](const fs::path& d) { writeFile(d / "2010-07-14__18-05-09__1.JPG", "edit"); },
         {"2010-07-14__18-05-09__1.JPG", "a.JPG", kOdd, "none.JPG"}, undo_reason::kChanged},
        {"a file at the old name", WriteBack, [](const fs::path& d) { writeFile(d / "a.JPG", "newcomer"); },
         {"2010-07-14__20-05-09.JPG", "a.JPG", "b.JPG", kOdd, "none.JPG"}, undo_reason::kOldNameTaken},
        {"a copy whose original is gone", Copy, [](const fs::path& d) { fs::remove(d / kOdd); },
         {"2010-07-14__18-05-09.jpg", "a.JPG", "b.JPG", "none.JPG"}, undo_reason::kOriginalGone},
        // clang-format on
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Contents before = makePhotos();
        controls.setRenameState((c.how & Copy) != 0);
        controls.setFixTimeState((c.how & WriteBack) != 0);
        host.stored.changeExifInPhoto = c.how & WriteBack;
        controls.setPrefixState((c.how & Elsewhere) != 0);
        const std::string id = runBatch();
        if (c.meddle)
            c.meddle(dir.path());
        const Contents meddled = contents(dir.path());
        EXPECT_EQ(undoBatch(id).kept, *c.reason ? 1u : 0u);
        EXPECT_EQ(listNames(dir.path()), c.namesAfterUndo);
        const auto undo = readUndo(id, 5);
        const auto kept = std::find_if(undo.begin(), undo.end(), [](const auto& r) { return r && !r->undone; });
        EXPECT_EQ(kept == undo.end() ? "" : (*kept)->reason, c.reason);
        EXPECT_EQ(newest().undo, *c.reason ? Undo::Partly : Undo::Done);
        // Every photo taken back is its old self to the byte; what was kept is untouched.
        for (const auto& [name, bytes] : contents(dir.path())) {
            const auto m = meddled.find(name);
            const bool left = m != meddled.end() && (!before.contains(name) || m->second != before.at(name));
            EXPECT_EQ(bytes, left ? m->second : before.at(name)) << name;
        }
    }
    fs::remove(other);
}

} // namespace
