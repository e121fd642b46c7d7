// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/MountedFileSystem.h"
#include "support/ProcessSupport.h"

#include "engine/DateText.h"
#include "files/Placement.h"
#include "history/BatchHistory.h"
#include "writeback/WriteAheadLog.h"

#include <QElapsedTimer>
#include <QProcess>

#include <csignal>
#include <fcntl.h>
#include <map>
#include <random>
#include <set>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace velmora;
using namespace velmora::test;

namespace {

// Written and flushed: what a power cut cannot take.
void writeDurably(const fs::path& path, const std::string& bytes)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    ASSERT_TRUE(fd >= 0 && ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()) &&
                ::fsync(fd) == 0)
        << path;
    ::close(fd);
}

// A power cut during a batch that writes +2 h into 40 photos, and one just after it, on a file system that loses every
// write not yet flushed (records and history on it too). After the next start's recovery every photo is there once, old
// or new bytes, and new ones where the history calls it written.
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
        makeJpeg(made / name, date, digitized);
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
        // writeback_crash_helper's batch, its records under `state`; it prints "done" once ended.
        QProcess batch;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_STATE_HOME", QString::fromStdString(state.native()));
        batch.setProcessEnvironment(environment);
        batch.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QElapsedTimer clock;
        clock.start();
        batch.start(WRITEBACK_CRASH_HELPER, {"batch", QString::fromStdString(photos.native())});
        ASSERT_TRUE(batch.waitForStarted());
        // First just after the batch (which times it), then at random moments during one.
        if (round == 0) {
            ASSERT_TRUE(batch.waitForReadyRead(120000)) << "the batch did not end";
            batchMs = clock.elapsed();
        } else {
            batch.waitForReadyRead(std::uniform_int_distribution<int>(0, static_cast<int>(batchMs))(random));
        }
        const long cutMs = clock.elapsed();
        ::kill(static_cast<pid_t>(batch.processId()), SIGSTOP); // the process and the disk with its cache stop at once
        EXPECT_TRUE(disk.cut());
        batch.kill();
        batch.waitForFinished();
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
        // Each photo's files (by inode: a second name is a link a move cut short left).
        std::vector<std::set<ino_t>> found(oldBytes.size());
        for (const std::string& name : listNames(photos)) {
            const std::string bytes = readFile(photos / name);
            const auto photo = photoOf.find(bytes);
            // A write-back's temporary file is never taken for a photo, and the next write-back removes it.
            if (isTemporaryName(name) || (bytes.empty() && photo == photoOf.end()))
                continue;
            ASSERT_NE(photo, photoOf.end()) << name << " is neither a photo's old bytes nor its new ones";
            found[photo->second].insert(statOf(photos / name).st_ino);
            EXPECT_TRUE(written.find(name + "\n") == std::string::npos || bytes == newBytes[photo->second])
                << name << ": the history calls it written";
        }
        for (size_t i = 0; i < found.size(); ++i)
            EXPECT_EQ(found[i].size(), 1u) << "IMG_" << i << ": " << testing::PrintToString(listNames(photos));
        std::cout << "  cut after " << cutMs << " ms of " << batchMs << "\n";
    }
}

} // namespace
