// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ProcessSupport.h"
#include "support/TestSupport.h"

#include "platform/ExifDateWriter.h"
#include "platform/PatchJournal.h"
#include "platform/Platform.h"

#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <map>
#include <sstream>
#include <iostream>
#include <random>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;
using namespace velmora;
using namespace velmora::test;

namespace {

// The helper writes these two dates in turn (see writeback_crash_helper.cpp).
const std::string kNew = "2011:12:13 14:15:16";
const std::string kOld = "2001:02:03 04:05:06";

pid_t startHelper(std::vector<std::string> args)
{
    const std::string program = WRITEBACK_CRASH_HELPER;
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    return pid;
}

int waitForEnd(pid_t pid)
{
    int status = 0;
    return ::waitpid(pid, &status, 0) == pid && WIFSIGNALED(status) ? WTERMSIG(status) : -1;
}

// SIGKILL at random moments, many times, on either route: the photo is always
// the old or the new file, byte for byte, and readable. The only thing a kill
// may leave is the temporary file of the whole-file route (a kill between
// naming it and the rename), which the next write-back into the photo removes.
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
        makeJpeg(photo, kOld, "2001:02:03 04:05:07", 640, 480);
        // The two states; writing a date twice gives the same bytes.
        ASSERT_EQ(writeExifDate(photo, kNew, false, options).status, ExifWriteResult::Status::Written);
        const std::string newBytes = readFile(photo);
        ASSERT_EQ(writeExifDate(photo, kOld, false, options).status, ExifWriteResult::Status::Written);
        const std::string oldBytes = readFile(photo);
        ASSERT_EQ(writeExifDate(photo, kNew, false, options).status, ExifWriteResult::Status::Written);
        ASSERT_TRUE(readFile(photo) == newBytes) << "writing a date twice gave other bytes";
        ASSERT_TRUE(oldBytes != newBytes);
        const std::string tempName = writeBackTempName("photo.jpg");

        int seenOld = 0, seenNew = 0, leftOver = 0;
        std::uniform_int_distribution<int> delayUs(0, 25000);
        for (int round = 0; round < 40; ++round) {
            const pid_t pid = startHelper({photo.native(), mode});
            ASSERT_GT(pid, 0);
            ::usleep(static_cast<useconds_t>(delayUs(random)));
            ::kill(pid, SIGKILL);
            ASSERT_EQ(waitForEnd(pid), SIGKILL) << "the helper stopped by itself";

            const std::string bytes = readFile(photo);
            ASSERT_TRUE(bytes == oldBytes || bytes == newBytes) << "round " << round << ": a damaged photo";
            (bytes == oldBytes ? seenOld : seenNew)++;
            EXPECT_FALSE(QImage(QString::fromLocal8Bit(photo.c_str())).isNull());
            const auto names = listNames(dir.path());
            if (names.size() == 2 && names[0] == tempName)
                ++leftOver;
            else
                ASSERT_EQ(names, std::vector<std::string>{"photo.jpg"});
        }
        std::cout << mode << ": " << seenOld << " old, " << seenNew << " new, " << leftOver
                  << " rounds with a temporary file left\n";

        ASSERT_EQ(writeExifDate(photo, kOld, false, options).status, ExifWriteResult::Status::Written);
        EXPECT_TRUE(readFile(photo) == oldBytes);
        EXPECT_EQ(listNames(dir.path()), std::vector<std::string>{"photo.jpg"});
    }
}

// The process killed at each step of an in-place patch (a torn write made on
// purpose among them): recovery makes the photo the new file byte for byte,
// and leaves alone a photo that is no longer the same file.
TEST(WriteBackCrash, RecoveryCompletesAnInterruptedPatch)
{
    initializePlatform();
    struct Case {
        const char* step;
        bool replaced; // another file under the photo's name before recovery
    };
    for (const Case c : {Case{"record", false}, Case{"torn", false}, Case{"patched", false}, Case{"record", true}}) {
        SCOPED_TRACE(std::string(c.step) + (c.replaced ? ", photo replaced" : ""));
        TempDir dir;
        const fs::path photo = dir / "photo.jpg";
        makeJpeg(photo, kOld, "2001:02:03 04:05:07", 64, 48);
        const std::string oldBytes = readFile(photo);
        fs::copy_file(photo, dir / "copy.jpg");
        ASSERT_EQ(writeExifDate(dir / "copy.jpg", kNew, false).status, ExifWriteResult::Status::Written);
        const std::string newBytes = readFile(dir / "copy.jpg");

        const pid_t pid = startHelper({photo.native(), "inplace", c.step});
        ASSERT_GT(pid, 0);
        ASSERT_EQ(waitForEnd(pid), SIGKILL) << "the helper never reached the step";
        const std::string killed = readFile(photo);
        if (std::string(c.step) == "torn") {
            ASSERT_TRUE(killed != oldBytes && killed != newBytes) << "no torn write was made";
        }
        if (c.replaced) {
            fs::remove(photo);
            writeFile(photo, oldBytes);
        }

        LogCapture log;
        recoverInterruptedPatches();
        EXPECT_TRUE(readFile(photo) == (c.replaced ? oldBytes : newBytes)) << "a photo neither old nor new";
        const std::string journal = "patches-" + std::to_string(pid) + ".journal";
        EXPECT_FALSE(fs::exists(stateFolder() / journal)) << "the dead process's record was kept";
        const auto lines = log.lines();
        const bool logged = lines.size() == 1 && lines[0].find(photo.native()) != std::string::npos &&
                            lines[0].find(c.replaced ? "left as it is" : "Completed") != std::string::npos;
        EXPECT_TRUE(logged || (!c.replaced && std::string(c.step) == "patched" && lines.empty()))
            << (lines.empty() ? "nothing logged" : lines[0]);
    }
}

// A missing flush is invisible to a kill: the system calls of one in-place
// write-back show the order. The record is durable before the photo is
// touched, and cleared only once the photo is synced.
TEST(WriteBackCrash, PatchIsJournaledInTheRightOrder)
{
    if (!runProgram("strace", {"-V"}))
        GTEST_SKIP() << "strace is not installed";
    TempDir dir;
    const fs::path photo = dir / "photo.jpg";
    makeJpeg(photo, kOld, "2001:02:03 04:05:07", 64, 48);
    const fs::path trace = dir / "trace";
    // LeakSanitizer cannot run under ptrace: the leak check is off for this one run.
    const QString asan = "ASAN_OPTIONS=" + qEnvironmentVariable("ASAN_OPTIONS") + ":detect_leaks=0";
    ASSERT_TRUE(runProgram("env", {asan, "strace", "-f", "-qq", "-o", QString::fromStdString(trace.native()), "-e",
                                   "trace=openat,fcntl,pwrite64,fsync,fdatasync,syncfs", WRITEBACK_CRASH_HELPER,
                                   QString::fromStdString(photo.native()), "inplace", "once"}));

    // The calls on the journal and on the photo, as "pwrite journal", "fsync photo", ...
    std::vector<std::string> calls;
    std::map<std::string, std::string> files; // descriptor -> journal or photo
    std::istringstream lines(readFile(trace));
    for (std::string line; std::getline(lines, line);) {
        // strace pads the process id: "4537  openat(...", "28288 openat(...".
        const size_t call = line.find_first_not_of(' ', line.find(' ')), paren = line.find('(', call);
        const std::string name = line.substr(call, paren - call), result = line.substr(line.rfind(' ') + 1);
        const std::string fd = line.substr(paren + 1, line.find_first_of(",)", paren) - paren - 1);
        if (name == "openat" && line.find(".journal\"") != std::string::npos)
            files[result] = "journal";
        else if (name == "openat" && line.find("\"photo.jpg\", O_RDWR") != std::string::npos)
            files[result] = "photo";
        else if (name == "fcntl" && files.count(fd))
            files[result] = files[fd]; // a duplicate kept until the group's flush
        else if (files.count(fd) && name != "openat")
            calls.push_back((name == "fdatasync"  ? "fsync"
                             : name == "pwrite64" ? "pwrite"
                                                  : name) +
                            " " + files[fd] + (line.find("VLMPATCH") != std::string::npos ? " record" : ""));
    }
    const auto record = std::find(calls.begin(), calls.end(), "pwrite journal record");
    ASSERT_NE(record, calls.end()) << "no record written";
    EXPECT_EQ(std::vector<std::string>(record, calls.end()),
              (std::vector<std::string>{"pwrite journal record", "fsync journal", "pwrite photo", "syncfs photo",
                                        "pwrite journal"}));
    EXPECT_EQ(std::count(calls.begin(), record, "pwrite photo"), 0) << "the photo was written before its record";
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
        int whole = 0, leftOver = 0;
        std::uniform_int_distribution<int> delayUs(0, 100000);
        for (int round = 0; round < 8; ++round) {
            const pid_t pid = startHelper({"copy", (dir / "big.NEF").native(), unnamed ? "unnamed" : "named"});
            ASSERT_GT(pid, 0);
            ::usleep(static_cast<useconds_t>(delayUs(random)));
            ::kill(pid, SIGKILL);
            int status = 0;
            ASSERT_EQ(::waitpid(pid, &status, 0), pid);
            ASSERT_TRUE(WIFSIGNALED(status)) << "the helper stopped by itself with " << WEXITSTATUS(status);
            for (const std::string& name : listNames(dir.path())) {
                if (name == "big.NEF")
                    continue;
                if (isWriteBackTempName(name) && !unnamed) {
                    ++leftOver;
                } else {
                    ASSERT_EQ(name.rfind("copy-", 0), 0u) << name;
                    ASSERT_TRUE(readFile(dir / name) == bytes) << name << " is not the whole copy";
                    ++whole;
                }
                fs::remove(dir / name);
            }
        }
        std::cout << (unnamed ? "unnamed" : "named") << ": " << whole << " whole copies, " << leftOver
                  << " temporary files left\n";
    }
}

} // namespace
