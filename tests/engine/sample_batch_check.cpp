// SPDX-License-Identifier: GPL-3.0-or-later
// Every file of exiv2's own test data (photos of many cameras, and about 270 reproducers of exiv2 crashes and hangs)
// through the real batch code, in batches of 50, with a +2 h shift written back, on copies. Every batch must end, lose
// no file, and stop promptly when asked to, as a quit does.
#include "engine/DateReader.h"
#include "support/TestSupport.h"

#include <chrono>
#include <future>
#include <set>
#include <thread>

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace velmora;
using namespace velmora::test;

using SampleBatchCheck = EngineTest;

TEST_F(SampleBatchCheck, EveryBatchEndsLosesNothingAndStopsPromptly)
{
    const fs::path samples = fs::path(VELMORA_SAMPLES) / "exiv2-testdata";
    if (!fs::is_directory(samples))
        GTEST_SKIP() << samples << " is absent";
    writeBackShifted(2);
    // A second pass over the same files, renaming only: what a quit interrupts.
    LiveOptions renameOnly;
    renameOnly.setDateSwitchRow(0);
    PhotoEngine secondPass(renameOnly, alertLatch, host);
    // The batch on a worker thread, as a drop starts it; false when it does not end in time.
    auto runBatch = [this](PhotoEngine& photoEngine, std::stop_token stop = {}) {
        const auto batch = [&] { walkInto(photoEngine, {dir.path()}, false, stop); };
        return std::async(std::launch::async, batch).wait_for(120s) == std::future_status::ready;
    };
    const std::vector<std::string> names = listNames(samples);
    for (size_t first = 0; first < names.size(); first += 50) {
        SCOPED_TRACE("batch from " + names[first]);
        for (const std::string& name : listNames(dir.path()))
            fs::remove(dir / name);
        std::multiset<std::string> before;
        for (size_t i = first; i < std::min(first + 50, names.size()); ++i) {
            fs::copy_file(samples / names[i], dir / names[i]);
            before.insert(readFile(samples / names[i]));
        }
        ASSERT_TRUE(runBatch(engine)) << "the batch did not end";
        const std::vector<std::string> after = listNames(dir.path());
        ASSERT_EQ(after.size(), before.size());
        for (const std::string& name : after)
            if (!before.contains(readFile(dir / name))) {
                EXPECT_TRUE(readCaptureDates(dir / name).dateTimeOriginal) << name << " lost its date";
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
