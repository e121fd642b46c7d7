// SPDX-License-Identifier: GPL-3.0-or-later
// The batch journal and Undo on real photos: every way a batch places a photo
// is taken back to the byte, and a photo that is no longer as the batch left
// it is left alone with the reason; crashes during a batch or an undo.
#include "support/ProcessSupport.h"
#include "support/TestSupport.h"

#include "engine/BatchUndo.h"
#include "platform/BatchJournal.h"
#include "platform/PatchJournal.h"

#include <gtest/gtest.h>

#include <map>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace velmora;
using namespace velmora::test;

namespace {

using Names = std::vector<std::string>;
using Contents = std::map<std::string, std::string>; // name -> bytes

class HistoryTest : public EngineTest {
protected:
    // Three photos of the same second (so two get collision numbers) and one
    // without a date, each with bytes of its own.
    Contents makePhotos()
    {
        makeJpeg(dir / "a.JPG", "2010:07:14 18:05:09", "2001:01:01 00:00:01");
        makeJpeg(dir / "b.JPG", "2010:07:14 18:05:09", "2001:01:01 00:00:02");
        makeJpeg(dir / "c.jpg", "2010:07:14 18:05:09", "2001:01:01 00:00:03");
        makeJpeg(dir / "none.JPG", std::nullopt);
        return contents();
    }

    Contents contents() const
    {
        Contents all;
        for (const std::string& name : listNames(dir.path()))
            all[name] = readFile(dir / name);
        return all;
    }

    std::vector<fs::path> batchList() const
    {
        return {dir / "a.JPG", dir / "b.JPG", dir / "c.jpg", dir / "none.JPG", dir / "gone.JPG"};
    }

    // Runs the batch over the first `count` photos; the journal is ended unless
    // the batch is cut short (then it is left as a killed process leaves it,
    // one photo after its last group).
    std::string runBatch(size_t count = 5, bool cutShort = false)
    {
        auto journal = BatchJournal::begin({{"fixTime", "on"}}, batchList());
        EXPECT_TRUE(journal);
        engine.setRecorder(journal.get());
        for (size_t i = 0; i < count; ++i)
            engine.processFile(batchList()[i]);
        if (cutShort) {
            journal->sync();
            engine.processFile(batchList()[count]);
        }
        engine.setRecorder(nullptr);
        const std::string id = journal->id();
        if (cutShort)
            journal.release(); // NOLINT: the process ends here in the tests that cut short
        return id;
    }

    static BatchSummary summary(const std::string& id)
    {
        for (const BatchSummary& b : listBatches())
            if (b.id == id)
                return b;
        ADD_FAILURE() << "batch " << id << " not listed";
        return {};
    }

    static std::vector<std::string> reasons(const std::string& id)
    {
        std::vector<std::string> all;
        for (const auto& r : readUndo(id, readBatch(id).size()))
            if (r && !r->undone)
                all.push_back(r->reason);
        return all;
    }
};

TEST_F(HistoryTest, JournalTellsWhatBecameOfEachPhoto)
{
    makePhotos();
    const std::string id = runBatch();
    const auto photos = readBatch(id);
    ASSERT_EQ(photos.size(), 5u);
    const char* expected[][2] = {{"a.JPG", "2010-07-14__18-05-09.JPG"},
                                 {"b.JPG", "2010-07-14__18-05-09__1.JPG"},
                                 {"c.jpg", "2010-07-14__18-05-09.jpg"}};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(photos[i].outcome.kind, PhotoOutcome::Kind::Placed);
        EXPECT_EQ(photos[i].outcome.source.filename(), expected[i][0]);
        EXPECT_EQ(photos[i].outcome.target.filename(), expected[i][1]);
        EXPECT_EQ(photos[i].placed, fileIdentity(photos[i].outcome.target));
    }
    EXPECT_EQ(photos[3].outcome.kind, PhotoOutcome::Kind::NoDate);
    EXPECT_EQ(photos[4].outcome.kind, PhotoOutcome::Kind::NotFound);

    std::vector<fs::path> opened;
    EXPECT_EQ(readBatchHeader(id, &opened), (BatchJournal::Options{{"fixTime", "on"}}));
    EXPECT_EQ(opened, batchList());
    const BatchSummary b = summary(id);
    EXPECT_TRUE(b.finished);
    EXPECT_EQ(std::make_tuple(b.renamed, b.withoutDate, b.failed), std::make_tuple(3u, 1u, 0u));
    EXPECT_EQ(b.undo, BatchSummary::Undo::None);
    EXPECT_EQ(listBatches().front().id, id) << "newest first";
}

TEST_F(HistoryTest, UndoTakesBackWhatIsStillAsTheBatchLeftIt)
{
    struct Case {
        const char* name;
        bool copy;
        bool writeBack;
        // Done after the batch, before the undo.
        void (*meddle)(const fs::path& dir);
        Names namesAfterUndo;
        std::vector<std::string> reasons;
    } cases[] = {
        {"moved, collisions", false, false, nullptr, {"a.JPG", "b.JPG", "c.jpg", "none.JPG"}, {}},
        {"copied", true, false, nullptr, {"a.JPG", "b.JPG", "c.jpg", "none.JPG"}, {}},
        {"date written back", false, true, nullptr, {"a.JPG", "b.JPG", "c.jpg", "none.JPG"}, {}},
        {"copied, date written into the copies", true, true, nullptr, {"a.JPG", "b.JPG", "c.jpg", "none.JPG"}, {}},
        {"a photo changed since",
         false,
         false,
         [](const fs::path& d) { writeFile(d / "2010-07-14__18-05-09__1.JPG", "edited"); },
         {"2010-07-14__18-05-09__1.JPG", "a.JPG", "c.jpg", "none.JPG"},
         {undo_reason::kChanged}},
        {"a file at the old name",
         false,
         true,
         [](const fs::path& d) { writeFile(d / "a.JPG", "newcomer"); },
         {"2010-07-14__20-05-09.JPG", "a.JPG", "b.JPG", "c.jpg", "none.JPG"},
         {undo_reason::kOldNameTaken}},
        {"a copy whose original is gone",
         true,
         false,
         [](const fs::path& d) { fs::remove(d / "c.jpg"); },
         {"2010-07-14__18-05-09.jpg", "a.JPG", "b.JPG", "none.JPG"},
         {undo_reason::kOriginalGone}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const std::string& name : listNames(dir.path()))
            fs::remove(dir / name);
        const Contents before = makePhotos();
        controls.setRenameState(c.copy ? 1 : 0);
        controls.setFixTimeState(c.writeBack ? 1 : 0);
        controls.setTimezonesTitle("+2");
        host.exifInPhotos = c.writeBack;
        const std::string id = runBatch();
        if (c.writeBack) { // the batch did write: the undo has something to take back
            EXPECT_NE(readFile(dir / "2010-07-14__20-05-09.JPG"), before.at("a.JPG"));
        }
        if (c.meddle)
            c.meddle(dir.path());
        const Contents meddled = contents();

        const UndoResult result = undoBatch(id);
        EXPECT_EQ(listNames(dir.path()), c.namesAfterUndo);
        EXPECT_EQ(reasons(id), c.reasons);
        EXPECT_EQ(result.kept, c.reasons.size());
        EXPECT_EQ(summary(id).undo, c.reasons.empty() ? BatchSummary::Undo::Done : BatchSummary::Undo::Partly);
        // Every photo taken back is its old self to the byte; what was kept is untouched.
        for (const auto& [name, bytes] : contents()) {
            SCOPED_TRACE(name);
            const auto m = meddled.find(name);
            const bool kept = m != meddled.end() && (!before.contains(name) || m->second != before.at(name));
            EXPECT_EQ(bytes, kept ? m->second : before.at(name));
        }
    }
}

TEST_F(HistoryTest, BatchCutShortIsListedAndItsDonePartUndone)
{
    Contents before = makePhotos();
    const std::string id = runInChild([&] { return runBatch(2, true); }, false);
    // The photo after the last group was renamed, but the journal never heard of it.
    before["2010-07-14__18-05-09.jpg"] = before["c.jpg"];
    before.erase("c.jpg");
    ASSERT_NE(id, "child died");
    // A line torn by the crash is not a photo.
    writeFile(stateFolder() / "batches" / (id + ".jsonl"),
              readFile(stateFolder() / "batches" / (id + ".jsonl")) + "{\"t\":\"photo\",\"kind\":\"mov");

    const BatchSummary b = summary(id);
    EXPECT_FALSE(b.finished);
    EXPECT_EQ(b.renamed, 2u);
    EXPECT_EQ(readBatch(id).size(), 2u);
    EXPECT_EQ(undoBatch(id).undone, 2u);
    EXPECT_EQ(contents(), before);
}

TEST_F(HistoryTest, UndoCutShortGoesOnWhereItStopped)
{
    controls.setFixTimeState(1);
    controls.setTimezonesTitle("-2");
    host.exifInPhotos = true;
    const Contents before = makePhotos();
    const std::string id = runBatch();

    // Killed after the first photo it took back (the last of the batch)...
    int calls = 0;
    EXPECT_EQ(runInChild([&] {
                  undoBatch(id, [&](double) {
                      if (++calls == 1)
                          ::_exit(0);
                  });
                  return 1;
              }),
              0);
    EXPECT_EQ(summary(id).undo, BatchSummary::Undo::Partly);
    // ...and, in a second run, between moving the next one back and its date.
    fs::rename(dir / "2010-07-14__16-05-09__1.JPG", dir / "b.JPG");

    const UndoResult result = undoBatch(id);
    EXPECT_EQ(std::make_pair(result.undone, result.kept), std::make_pair(size_t{3}, size_t{0}));
    EXPECT_EQ(summary(id).undo, BatchSummary::Undo::Done);
    EXPECT_EQ(contents(), before);
}

} // namespace
