#include "support/TestSupport.h"

#include "platform/ExifDateWriter.h"
#include "platform/Platform.h"

#include <QImage>

#include <gtest/gtest.h>

#include <csignal>
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

// SIGKILL at random moments, many times: the photo is always the old or the
// new file, byte for byte, and readable. The only thing a kill may leave is
// the temporary file (a kill between naming it and the rename), which the
// next write-back into the photo removes.
TEST(WriteBackCrash, KilledWriterLeavesOldOrNewPhotoNeverAMix)
{
    initializePlatform();
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    SCOPED_TRACE("seed " + std::to_string(seed));

    for (const bool unnamed : {true, false}) {
        SCOPED_TRACE(unnamed ? "unnamed temporary file" : "named temporary file");
        TempDir dir;
        const fs::path photo = dir / "photo.jpg";
        makeJpeg(photo, kOld, "2001:02:03 04:05:07", 640, 480);
        // The two states; writing a date twice gives the same bytes.
        ASSERT_EQ(writeExifDate(photo, kNew, false).status, ExifWriteResult::Status::Written);
        const std::string newBytes = readFile(photo);
        ASSERT_EQ(writeExifDate(photo, kOld, false).status, ExifWriteResult::Status::Written);
        const std::string oldBytes = readFile(photo);
        ASSERT_EQ(writeExifDate(photo, kNew, false).status, ExifWriteResult::Status::Written);
        ASSERT_TRUE(readFile(photo) == newBytes) << "writing a date twice gave other bytes";
        ASSERT_TRUE(oldBytes != newBytes);
        const std::string tempName = writeBackTempName("photo.jpg");

        int seenOld = 0, seenNew = 0, leftOver = 0;
        std::uniform_int_distribution<int> delayUs(0, 25000);
        for (int round = 0; round < 40; ++round) {
            const pid_t pid = startHelper({photo.native(), unnamed ? "unnamed" : "named"});
            ASSERT_GT(pid, 0);
            ::usleep(static_cast<useconds_t>(delayUs(random)));
            ::kill(pid, SIGKILL);
            int status = 0;
            ASSERT_EQ(::waitpid(pid, &status, 0), pid);
            ASSERT_TRUE(WIFSIGNALED(status)) << "the helper stopped by itself with " << WEXITSTATUS(status);

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
        std::cout << (unnamed ? "unnamed" : "named") << ": " << seenOld << " old, " << seenNew << " new, " << leftOver
                  << " rounds with a temporary file left\n";

        ASSERT_EQ(writeExifDate(photo, kOld, false).status, ExifWriteResult::Status::Written);
        EXPECT_TRUE(readFile(photo) == oldBytes);
        EXPECT_EQ(listNames(dir.path()), std::vector<std::string>{"photo.jpg"});
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
