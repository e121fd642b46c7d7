// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/MountedFileSystem.h"
#include "support/ProcessSupport.h"
#include "support/TestSupport.h"

#include "writeback/ExifDateWriter.h"
#include "files/FileIdentity.h"
#include "writeback/WriteAheadLog.h"
#include "files/Platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <optional>
#include <random>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;
using namespace velmora;
using namespace velmora::test;

namespace {

// Starts the helper with `args`; killed `delayUs` after it first changed
// `busy` (or after it started), unless it kills itself. The signal that ended
// it, or -1 when it ended by itself.
int runHelper(std::vector<std::string> args, int delayUs = -1, pid_t* started = nullptr, const fs::path& busy = {})
{
    // A write-back changes the photo's inode, or replaces it by a new one: either changes its ctime.
    const auto changeTime = [&] {
        struct stat st {};
        return ::stat(busy.c_str(), &st) == 0 ? st.st_ctim.tv_nsec : -1;
    };
    const long before = changeTime();
    std::vector<char*> argv{const_cast<char*>(WRITEBACK_CRASH_HELPER)};
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (::posix_spawn(&pid, WRITEBACK_CRASH_HELPER, nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    if (started)
        *started = pid;
    if (delayUs >= 0) {
        // Its start takes longer than the delays: the kills must fall among its writes.
        for (int i = 0; i < 2000 && !busy.empty() && changeTime() == before; ++i)
            ::usleep(1000);
        ::usleep(static_cast<useconds_t>(delayUs));
        ::kill(pid, SIGKILL);
    }
    int status = 0;
    return ::waitpid(pid, &status, 0) == pid && WIFSIGNALED(status) ? WTERMSIG(status) : -1;
}

// SIGKILL at random moments, many times, on every route: the photo is always
// the old or the new file, byte for byte. The only thing a kill may leave is
// the temporary file of the whole-file route, which the next write-back removes
// (as a stale one).
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
        ASSERT_TRUE(oldBytes != newBytes);
        for (int round = 0; round < 40; ++round) {
            ASSERT_EQ(
                runHelper({photo.native(), mode}, std::uniform_int_distribution(0, 25000)(random), nullptr, photo),
                SIGKILL);
            const std::string bytes = readFile(photo);
            ASSERT_TRUE(bytes == oldBytes || bytes == newBytes) << "round " << round << ": a damaged photo";
            const auto names = listNames(dir.path());
            ASSERT_TRUE(names.size() == 1 || (names.size() == 2 && names[0] == temporaryNameFor("photo.jpg")));
        }
    }
}

// The names of the journals in the state folder that the process `pid` made.
std::vector<std::string> journalsOf(pid_t pid)
{
    std::vector<std::string> names = listNames(stateFolder());
    std::erase_if(names, [&](const std::string& n) { return !n.starts_with("patches-" + std::to_string(pid) + "-"); });
    return names;
}

// The process killed at each step of an in-place patch (a torn write made on
// purpose among them): recovery makes the photo the new file byte for byte,
// leaves alone a photo that is no longer the same file, and keeps the record
// of a photo it cannot reach (its card not inserted) for a later start. An
// exFAT card put back into another reader has new device and inode numbers:
// its photo's bytes tell whether it is still the one (torn: completed) or
// another of the same size (a date neither ours: left alone).
TEST(WriteBackCrash, RecoveryCompletesAnInterruptedPatch)
{
    initializePlatform();
    enum Then { Same, Replaced, Away, Remounted, OtherRemounted };
    for (const auto& [step, then] :
         {std::pair{"record", Same}, std::pair{"torn", Same}, std::pair{"patched", Same}, std::pair{"torn", Replaced},
          std::pair{"torn", Away}, std::pair{"torn", Remounted}, std::pair{"torn", OtherRemounted}}) {
        const char* const cases[] = {"", ", photo replaced", ", card away", ", card remounted", ", another remounted"};
        SCOPED_TRACE(step + std::string(cases[then]));
        TempDir dir;
        std::optional<MountedFileSystem> exfat;
        if (then >= Remounted) {
            if (const std::string why = MountedFileSystem::unavailable(FsKind::ExfatFuse); !why.empty()) {
                std::cout << "note: no exFAT card (" << why << "): recovery after a remount is not checked\n";
                continue;
            }
            exfat.emplace(FsKind::ExfatFuse);
        }
        const fs::path card = exfat ? exfat->path() : dir / "card", photo = card / "photo.jpg";
        fs::create_directories(card);
        const auto [oldBytes, newBytes] = oldAndNew(photo, {});
        pid_t pid = -1;
        ASSERT_EQ(runHelper({photo.native(), "inplace", step}, -1, &pid), SIGKILL) << "step not reached";
        std::string killed = readFile(photo);
        ASSERT_TRUE(std::string_view(step) != "torn" || (killed != oldBytes && killed != newBytes));
        if (then == Replaced) { // the same bytes, another file (made first, so it cannot get the old inode)
            writeFile(card / "copy.jpg", killed);
            fs::rename(card / "copy.jpg", photo);
        }
        if (then == OtherRemounted) // the torn date's year is neither the old one nor the new one
            writeFile(photo, killed.replace(killed.find(kNew.substr(0, 10) + kOld.substr(10)), 4, "1999"));
        // Into another reader (a new device number), where another photo is looked at first
        // (a new inode number: exfat-fuse numbers files in the order they are asked for).
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
            if ((waited = ::mount("tmpfs", card.c_str(), "tmpfs", 0, nullptr) == 0)) {
                recoverInterruptedPatches();
                EXPECT_EQ(journalsOf(pid).size(), 1u) << "the record of an unreachable photo was dropped";
                ::umount2(card.c_str(), MNT_DETACH);
            } else {
                std::cout << "note: no tmpfs mount (not root?): the record of an unreachable photo is not checked\n";
            }
            fs::remove(card);
            fs::rename(dir / "elsewhere", card);
        }
        recoverInterruptedPatches();
        const bool another = then == Replaced || then == OtherRemounted;
        EXPECT_TRUE(readFile(photo) == (another ? killed : newBytes)) << "not completed, or not left alone";
        EXPECT_TRUE(journalsOf(pid).empty());
        // Of this photo (a parallel test's dead helpers may be recovered too).
        std::vector<std::string> lines = log.lines();
        std::erase_if(lines, [&](auto& line) { return line.find(photo.native()) == std::string::npos; });
        if (std::string_view(step) != "patched" || another) {
            ASSERT_EQ(lines.size(), waited ? 2u : 1u);
            EXPECT_NE(lines.back().find(another ? "left as it is" : "Completed"), std::string::npos) << lines.back();
        }
    }
}

// Someone else's change to the photo between our read and our patch is kept:
// its bytes changed behind an unchanged size and time, or the file grown.
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

// A copy killed at random moments: under a final name there is nothing or
// the whole copy; the only other thing left is a hidden temporary file that
// the walk never takes for a photo.
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
