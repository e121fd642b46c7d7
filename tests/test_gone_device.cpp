// SPDX-License-Identifier: GPL-3.0-or-later
// A card pulled or a share lost in the middle of a batch: the FUSE daemon of an
// exFAT card is killed, and every later access to the card fails with ENOTCONN.
// The photos before the pull may fail to be placed where the file system
// refuses links (exFAT through FUSE): what is tested is what comes after.
#include "platform/BatchHistory.h"
#include "platform/BatchJournal.h"
#include "support/FuseCard.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <set>

namespace fs = std::filesystem;
using namespace velmora;
using namespace velmora::test;

namespace {

class GoneDeviceTest : public EngineTest {};

TEST_F(GoneDeviceTest, CardPulledMidBatchLeavesEveryPhotoWholeAndTheRestRecordedAsNotReached)
{
    if (const std::string why = MountedFileSystem::unavailable(FsKind::ExfatFuse); !why.empty())
        GTEST_SKIP() << why;
    const MountedFileSystem card(FsKind::ExfatFuse);
    const ReinsertAtEnd reinsert{card};
    const fs::path dcim = card.path() / "DCIM";
    fs::create_directory(dcim);
    const size_t photos = 30, beforePull = 5;
    std::multiset<std::string> before;
    for (size_t i = 0; i < photos; ++i) {
        const fs::path path = dcim / ("IMG_" + std::to_string(1000 + i) + ".JPG");
        makeJpeg(path, "2010:07:14 18:05:" + std::to_string(10 + i));
        before.insert(readFile(path));
    }

    // The card goes once the fifth photo is recorded.
    const auto journal = BatchJournal::begin({}, {dcim});
    ASSERT_TRUE(journal);
    struct : BatchRecorder {
        void record(const PhotoOutcome& o) override
        {
            journal->record(o);
            if (++recorded == beforePull) {
                pulled = pullCard(*card);
                alertsAtPull = host->alerts().size();
            }
        }
        BatchJournal* journal;
        const MountedFileSystem* card;
        RecordingHost* host;
        size_t recorded = 0, alertsAtPull = 0;
        bool pulled = false;
    } recorder;
    recorder.journal = journal.get();
    recorder.card = &card;
    recorder.host = &host;
    engine.setRecorder(&recorder);
    NullSink sink;
    const auto start = std::chrono::steady_clock::now();
    walkBatch(
        {dcim}, [this](const PhotoSet& set) { engine.processSet(set); }, sink, {}, true,
        [this] { engine.finishBatch(); }, &engine.goneDevices());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    journal->finish();
    ASSERT_TRUE(recorder.pulled) << "the card's FUSE daemon could not be killed";

    // The history holds every photo: those after the pull as not reached, with one alert at most.
    const std::vector<JournalPhoto> history = readBatch(journal->id());
    ASSERT_EQ(history.size(), photos);
    for (size_t i = 0; i < photos; ++i) {
        const PhotoOutcome& o = history[i].outcome;
        SCOPED_TRACE(o.source.native() + ": " + o.error);
        EXPECT_EQ(o.unreachable, i >= beforePull);
        if (o.unreachable)
            EXPECT_EQ(o.kind, PhotoOutcome::Kind::Failed);
    }
    EXPECT_EQ(journal->notReached(), photos - beforePull);
    EXPECT_LE(host.alerts().size(), recorder.alertsAtPull + 1);

    // Back in the reader: every photo is its old file or its complete new one.
    ASSERT_TRUE(reinsertCard(card));
    std::multiset<std::string> after;
    for (const std::string& name : listNames(dcim))
        if (name.ends_with(".JPG") && !FileManager::isTemporaryName(name))
            after.insert(readFile(dcim / name));
    EXPECT_EQ(after, before);
}

} // namespace
