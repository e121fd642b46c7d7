// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ProcessSupport.h"

#include "writeback/WriteAheadLog.h"
#include "files/UniqueFd.h"

#include <QProcess>

#include <algorithm>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace velmora;
using namespace velmora::test;

namespace {

// A missing flush is invisible to a kill: the system calls of one in-place write-back show the order. The record is
// durable before the photo is touched, and emptied only once the photo is flushed (how each file system flushes, FUSE
// among them: FileSystems.PhotoIsFlushedBeforeItsRecordIsCleared).
TEST(WriteBackCrash, PatchIsJournaledInTheRightOrder)
{
    if (!runProgram("strace", {"-V"}))
        GTEST_SKIP() << "strace is not installed";
    TempDir dir;
    const fs::path photo = dir / "photo.jpg", trace = dir / "trace";
    makeJpeg(photo, kOld, "2001:02:03 04:05:07", 64, 48);
    const std::vector<std::string> calls = patchSystemCalls(WRITEBACK_CRASH_HELPER, photo, trace);
    const auto record = std::find(calls.begin(), calls.end(), "pwrite64 journal record");
    ASSERT_NE(record, calls.end()) << "no record written";
    EXPECT_EQ(std::vector<std::string>(record, calls.end()),
              (std::vector<std::string>{"pwrite64 journal record", "fdatasync journal", "pwrite64 photo", "syncfs photo",
                                        "pwrite64 journal"}));
    EXPECT_EQ(std::count(calls.begin(), record, "pwrite64 photo"), 0) << "the photo was written before its record";
}

// What the batch is told matches what the photo ends up as, when a system call fails or another process steps in at the
// worst moment (strace injects the error, or holds the call back for a second while the test steps in): a failure
// reported is the old photo after recovery, a success the new one.
enum class During { Nothing, RecoverJournals, TakeOverTemp };
struct Fault {
    const char* name;
    const char* route;
    const char* step;
    std::vector<std::string> strace; // "PHOTO" and "FOLDER" stand for the paths
    During during;
    int reported; // the helper's exit: 0 written, 1 not written, -1 killed at its step
    bool newAfterRecovery;
};

// clang-format off
const Fault kFaults[] = {
    {"folder flush fails", "named", "once", {"-P", "FOLDER", "-e", "trace=fsync", "-e", "inject=fsync:error=EIO"},
     During::Nothing, 1, true},
    {"photo flush fails", "inplace", "once",
     {"-P", "PHOTO", "-e", "trace=syncfs,fdatasync", "-e", "inject=syncfs,fdatasync:error=EIO"}, During::Nothing, 1,
     false},
    {"photo write fails", "inplace", "once",
     {"-P", "PHOTO", "-e", "trace=pwrite64", "-e", "inject=pwrite64:error=EIO"}, During::Nothing, 1, false},
    {"journal seen before it is locked", "inplace", "torn",
     {"-e", "trace=flock", "-e", "inject=flock:delay_enter=1000000"}, During::RecoverJournals, -1, true},
    {"temporary file taken over", "named", "once", {"-e", "trace=flock", "-e", "inject=flock:delay_enter=1000000"},
     During::TakeOverTemp, 1, false},
};
// clang-format on

void PrintTo(const Fault& f, std::ostream* out)
{
    *out << f.name;
}

class WriteBackFault : public ::testing::TestWithParam<Fault> {};

TEST_P(WriteBackFault, ReportMatchesThePhoto)
{
    const Fault& f = GetParam();
    if (!runProgram("strace", {"-V"}))
        GTEST_SKIP() << "strace is not installed";
    TempDir dir;
    const fs::path photo = dir / "photo.jpg";
    const auto [oldBytes, newBytes] = oldAndNew(photo);
    QStringList args{noLeakCheck(), "strace", "-qq", "-o", "/dev/null"};
    for (const std::string& a : f.strace)
        args << QString::fromStdString(a == "PHOTO" ? photo.native() : a == "FOLDER" ? dir.path().native() : a);
    args << WRITEBACK_CRASH_HELPER << QString::fromStdString(photo.native()) << f.route << f.step;
    QProcess helper;
    helper.start("env", args);

    const std::string temp = temporaryNameFor("photo.jpg");
    UniqueFd ours;
    for (int i = 0; i < 3000 && helper.state() != QProcess::NotRunning && !helper.waitForFinished(2); ++i) {
        const std::vector<std::string> names = listNames(stateFolder());
        if (f.during == During::RecoverJournals &&
            std::any_of(names.begin(), names.end(), [](auto& n) { return n.starts_with("patches-"); }))
            recoverInterruptedPatches(); // what another process does as it starts
        if (f.during == During::TakeOverTemp && ours.get() < 0 && fs::exists(dir / temp)) {
            // What a concurrent write-back of the same photo does with a temporary file it may lock.
            const UniqueFd found(::open((dir / temp).c_str(), O_RDONLY | O_CLOEXEC));
            if (found.get() >= 0 && ::flock(found.get(), LOCK_EX | LOCK_NB) == 0 &&
                ::unlink((dir / temp).c_str()) == 0) {
                ours.reset(::open((dir / temp).c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
                ASSERT_EQ(::flock(ours.get(), LOCK_EX), 0);
                ASSERT_EQ(::write(ours.get(), "half a photo", 12), 12);
            }
        }
    }
    ASSERT_EQ(helper.state(), QProcess::NotRunning) << "the helper did not end";
    EXPECT_EQ(helper.exitStatus() == QProcess::NormalExit ? helper.exitCode() : -1, f.reported);
    EXPECT_TRUE(f.during != During::TakeOverTemp || ours.get() >= 0) << "the temporary file was never unlocked";
    recoverInterruptedPatches();
    const std::string after = readFile(photo);
    EXPECT_TRUE(after == (f.newAfterRecovery ? newBytes : oldBytes)) << (after == oldBytes   ? "the old photo"
                                                                         : after == newBytes ? "the new photo"
                                                                                             : "a damaged photo");
}

INSTANTIATE_TEST_SUITE_P(, WriteBackFault, ::testing::ValuesIn(kFaults), [](const auto& info) {
    std::string name = info.param.name;
    std::replace(name.begin(), name.end(), ' ', '_');
    return name;
});

} // namespace
