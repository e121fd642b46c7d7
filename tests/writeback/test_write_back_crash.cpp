// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/MountedFileSystem.h"
#include "support/ProcessSupport.h"
#include "support/TestSupport.h"

#include "writeback/ExifDateWriter.h"
#include "files/FileIdentity.h"
#include "writeback/WriteAheadLog.h"
#include "files/Platform.h"

#include <gtest/gtest.h>

#include <csignal>
#include <optional>
#include <random>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/wait.h>

extern char** environ;

namespace fs = std::filesystem;
using namespace velmora;
using namespace velmora::test;

namespace {

// Starts the helper with `args`; killed `delayUs` after its first write-back
// changed `busy`'s ctime (or after it started), unless it kills itself. The
// signal that ended it, or -1 when it ended by itself.
int runHelper(std::vector<std::string> args, int delayUs = -1, pid_t* started = nullptr, const fs::path& busy = {})
{
    const auto changeTime = [&] { return busy.empty() ? -1 : statOf(busy).st_ctim.tv_nsec; };
    const long before = changeTime();
    std::vector<char*> argv{const_cast<char*>(WRITEBACK_CRASH_HELPER)};
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t local = -1, &pid = started ? *started : local;
    if (::posix_spawn(&pid, WRITEBACK_CRASH_HELPER, nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    if (delayUs >= 0) { // its start takes longer than the delays: the kills must fall among its writes
        for (int i = 0; i < 2000 && !busy.empty() && changeTime() == before; ++i)
            ::usleep(1000);
        ::usleep(static_cast<useconds_t>(delayUs));
        ::kill(pid, SIGKILL);
    }
    int status = 0;
    return ::waitpid(pid, &status, 0) == pid && WIFSIGNALED(status) ? WTERMSIG(status) : -1;
}

// SIGKILL at random moments on every route: the photo is the old or the new
// file, byte for byte; a kill may leave only the whole-file route's temporary file.
TEST(WriteBackCrash, KilledWriterLeavesOldOrNewPhotoNeverAMix)
{
    initializePlatform();
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    SCOPED_TRACE("seed " + std::to_string(seed));
    for (const std::string mode : {"unnamed", "named", "inplace"}) {
        SCOPED_TRACE(mode);
        const ExifWriteOptions options{mode == "unnamed", mode == "inplace"};
        TempDir dir;
        const fs::path photo = dir / "photo.jpg";
        const auto [oldBytes, newBytes] = oldAndNew(photo, options);
        for (int round = 0; round < 40; ++round) {
            const int delayUs = std::uniform_int_distribution(0, 25000)(random);
            ASSERT_EQ(runHelper({photo.native(), mode}, delayUs, nullptr, photo), SIGKILL);
            const std::string bytes = readFile(photo);
            ASSERT_TRUE(bytes == oldBytes || bytes == newBytes) << "round " << round << ": a damaged photo";
            const auto names = listNames(dir.path());
            ASSERT_TRUE(names.size() == 1 || (names.size() == 2 && names[0] == temporaryNameFor("photo.jpg")));
        }
    }
}

// The journals in the state folder that the process `pid` made.
std::vector<std::string> journalsOf(pid_t pid)
{
    std::vector<std::string> names = listNames(stateFolder());
    std::erase_if(names, [&](const std::string& n) { return !n.starts_with("patches-" + std::to_string(pid) + "-"); });
    return names;
}

// Killed at each step of an in-place patch (one a torn write): recovery makes
// the photo the new file, leaves alone a photo that is another file now, and
// keeps the record of a photo it cannot reach (card away) for a later start.
// An exFAT card in another reader has new device and inode numbers: the bytes
// tell our torn photo (completed) from another one (a date not ours: left alone).
TEST(WriteBackCrash, RecoveryCompletesAnInterruptedPatch)
{
    initializePlatform();
    enum Then { Same, Replaced, Away, Remounted, OtherRemounted };
    for (const auto& [step, then] : std::vector<std::pair<std::string, Then>>{
             {"record", Same}, {"torn", Same}, {"patched", Same}, {"torn", Replaced}, {"torn", Away},
             {"torn", Remounted}, {"torn", OtherRemounted}}) {
        SCOPED_TRACE(step + std::to_string(then));
        TempDir dir;
        if (then >= Remounted && !MountedFileSystem::unavailable(FsKind::ExfatFuse).empty())
            continue; // no exFAT card here: recovery after a remount is not checked
        std::optional<MountedFileSystem> exfat;
        if (then >= Remounted)
            exfat.emplace(FsKind::ExfatFuse);
        const fs::path card = exfat ? exfat->path() : dir / "card", photo = card / "photo.jpg";
        fs::create_directories(card);
        const auto [oldBytes, newBytes] = oldAndNew(photo, {});
        pid_t pid = -1;
        ASSERT_EQ(runHelper({photo.native(), "inplace", step}, -1, &pid), SIGKILL) << "step not reached";
        std::string killed = readFile(photo);
        ASSERT_TRUE(step != "torn" || (killed != oldBytes && killed != newBytes));
        if (then == Replaced) { // the same bytes, another file (made first, so it cannot get the old inode)
            writeFile(card / "copy.jpg", killed);
            fs::rename(card / "copy.jpg", photo);
        }
        if (then == OtherRemounted) // the torn date's year is neither the old one nor the new one
            writeFile(photo, killed.replace(killed.find(kNew.substr(0, 10) + kOld.substr(10)), 4, "1999"));
        // Another reader (a new device), where another photo is looked at first (a new
        // inode: exfat-fuse numbers files in the order they are asked for).
        if (exfat) {
            const auto before = fileIdentity(photo);
            writeFile(card / "IMG_0001.JPG", "");
            exfat->remount();
            static_cast<void>(fileIdentity(card / "IMG_0001.JPG"));
            const auto after = fileIdentity(photo);
            ASSERT_TRUE(before && after && before->dev != after->dev && before->ino != after->ino)
                << "the card kept its device or inode numbers";
        }
        LogCapture log;
        bool waited = false;
        if (then == Away) { // an empty mount point where the card was
            fs::rename(card, dir / "elsewhere");
            fs::create_directory(card);
            if ((waited = ::mount("tmpfs", card.c_str(), "tmpfs", 0, nullptr) == 0)) { // else not root: unchecked
                recoverInterruptedPatches();
                EXPECT_EQ(journalsOf(pid).size(), 1u) << "the record of an unreachable photo was dropped";
                ::umount2(card.c_str(), MNT_DETACH);
            }
            fs::remove(card);
            fs::rename(dir / "elsewhere", card);
        }
        recoverInterruptedPatches();
        const bool another = then == Replaced || then == OtherRemounted;
        EXPECT_TRUE(readFile(photo) == (another ? killed : newBytes)) << "not completed, or not left alone";
        EXPECT_TRUE(journalsOf(pid).empty());
        std::vector<std::string> lines = log.lines(); // of this photo: a parallel test's helpers may be recovered too
        std::erase_if(lines, [&](auto& line) { return line.find(photo.native()) == std::string::npos; });
        if (step != "patched" || another) {
            ASSERT_EQ(lines.size(), waited ? 2u : 1u);
            EXPECT_NE(lines.back().find(another ? "left as it is" : "Completed"), std::string::npos) << lines.back();
        }
    }
}

// Someone else's change between our read and our patch is kept: bytes changed
// behind an unchanged size and time, or the file grown.
bool grow = false;
fs::path changedPhoto;

TEST(WriteBackCrash, ChangeBeforeThePatchIsNotOverwritten)
{
    initializePlatform();
    for (const bool grown : {false, true}) {
        SCOPED_TRACE(grown ? "grown" : "date changed, time put back");
        TempDir dir;
        changedPhoto = dir / "photo.jpg";
        grow = grown;
        makeJpeg(changedPhoto, kOld, "2001:02:03 04:05:07", 64, 48);
        setPatchStepHook([](PatchStep) {
            setPatchStepHook(nullptr);
            std::string bytes = readFile(changedPhoto);
            const auto time = fs::last_write_time(changedPhoto);
            grow ? bytes.append(1, '\0') : bytes.replace(bytes.find(kOld), 4, "1999");
            writeFile(changedPhoto, bytes);
            fs::last_write_time(changedPhoto, time);
        });
        EXPECT_EQ(writeExifDate(changedPhoto, kNew, false).status, ExifWriteResult::Status::WriteFailed);
        const std::string after = readFile(changedPhoto);
        EXPECT_EQ(after.find(kNew), std::string::npos) << "the other change was overwritten";
        EXPECT_NE(after.find(grown ? kOld : "1999:02:03 04:05:06"), std::string::npos);
    }
}

// A copy killed at random moments: under a final name, nothing or the whole
// copy; besides, at most a temporary file the walk never takes for a photo.
TEST(CopyCrash, KilledCopyLeavesNoPartFileUnderItsName)
{
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::string bytes(16 << 20, '\0');
    for (size_t i = 0; i < bytes.size(); i += 4096)
        bytes[i] = static_cast<char>(random());
    for (const bool unnamed : {true, false}) {
        SCOPED_TRACE(unnamed ? "unnamed temporary file" : "named temporary file");
        TempDir dir;
        writeFile(dir / "big.NEF", bytes);
        for (int round = 0; round < 8; ++round) {
            const int delayUs = std::uniform_int_distribution(0, 100000)(random);
            ASSERT_EQ(runHelper({"copy", (dir / "big.NEF").native(), unnamed ? "unnamed" : "named"}, delayUs), SIGKILL);
            for (const std::string& name : listNames(dir.path())) {
                if (name == "big.NEF")
                    continue;
                if (!isTemporaryName(name) || unnamed) {
                    ASSERT_TRUE(name.starts_with("copy-")) << name;
                    ASSERT_TRUE(readFile(dir / name) == bytes) << name << " is not the whole copy";
                }
                fs::remove(dir / name);
            }
        }
    }
}

} // namespace
