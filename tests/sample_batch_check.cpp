// SPDX-License-Identifier: GPL-3.0-or-later
// Every file of exiv2's own test data (photos of many cameras, and about 270
// reproducers of exiv2 crashes and hangs) through the real batch code, in
// batches of 50, with a +2 h shift written back, on copies. Every batch must
// end, lose no file, and stop promptly when asked to, as a quit does.
#include "engine/BatchWalk.h"
#include "platform/MetadataReader.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <map>
#include <thread>

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace velmora;
using namespace velmora::test;

namespace {

// Contents of every file below `folder`, by content.
std::multiset<std::string> contentsBelow(const fs::path& folder)
{
    std::multiset<std::string> contents;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            contents.insert(readFile(entry.path()));
    return contents;
}

class SampleBatchCheck : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        controls.setFixTimeState(1);
        controls.setTimezonesTitle(std::string("+2"));
        host.exifInPhotos = true;
    }

    // The batch on a worker thread, as a drop starts it; false when it does not end in time.
    bool runBatch(PhotoEngine& photoEngine, std::stop_token stop = {})
    {
        auto done = std::async(std::launch::async, [&] {
            NullSink sink;
            walkBatch(
                {dir.path()}, [&](const PhotoSet& set) { photoEngine.processSet(set); }, sink, stop);
        });
        return done.wait_for(120s) == std::future_status::ready;
    }
};

TEST_F(SampleBatchCheck, EveryBatchEndsLosesNothingAndStopsPromptly)
{
    const fs::path samples = fs::path(VELMORA_SAMPLES) / "exiv2-testdata";
    if (!fs::is_directory(samples))
        GTEST_SKIP() << samples << " is absent";
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(samples))
        files.push_back(entry.path());
    std::sort(files.begin(), files.end());

    // A second pass over the same files, renaming only: what a quit interrupts.
    ControlMirror renameOnly;
    renameOnly.setDateSwitchRow(0);
    PhotoEngine secondPass(renameOnly, runDialog, host);
    for (size_t first = 0; first < files.size(); first += 50) {
        const std::string batch = files[first].filename().native();
        SCOPED_TRACE("batch from " + batch);
        for (const auto& entry : fs::directory_iterator(dir.path()))
            fs::remove(entry.path());
        for (size_t i = first; i < std::min(first + 50, files.size()); ++i)
            fs::copy_file(files[i], dir / files[i].filename().native());
        const std::multiset<std::string> before = contentsBelow(dir.path());

        ASSERT_TRUE(runBatch(engine)) << "the batch did not end";
        // Every file is there, as it was or with its date written back.
        const std::multiset<std::string> after = contentsBelow(dir.path());
        ASSERT_EQ(after.size(), before.size());
        std::vector<std::string> rewritten;
        std::set_difference(after.begin(), after.end(), before.begin(), before.end(), std::back_inserter(rewritten));
        for (const auto& entry : fs::directory_iterator(dir.path()))
            if (std::find(rewritten.begin(), rewritten.end(), readFile(entry.path())) != rewritten.end()) {
                EXPECT_TRUE(readCaptureDates(entry.path()).dateTimeOriginal) << entry.path() << " lost its date";
            }

        std::stop_source quit;
        std::thread stopper([&] {
            std::this_thread::sleep_for(20ms);
            quit.request_stop();
        });
        const auto start = std::chrono::steady_clock::now();
        ASSERT_TRUE(runBatch(secondPass, quit.get_token()));
        stopper.join();
        EXPECT_LT(std::chrono::steady_clock::now() - start, 1s + 20ms);
    }
}

} // namespace
