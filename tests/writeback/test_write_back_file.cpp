// SPDX-License-Identifier: GPL-3.0-or-later
// The photo's file on a write-back: other links, owner, permissions, extended
// attributes, a folder or disk that refuses it, and temporary files left or held.
#include "support/ProcessSupport.h"
#include "support/TestSupport.h"

#include "writeback/ExifDateWriter.h"
#include "writeback/WriteAheadLog.h"
#include "files/Placement.h"
#include "files/Platform.h"

#include <gtest/gtest.h>

#include <cctype>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace velmora;
using namespace velmora::test;
using Status = ExifWriteResult::Status;

namespace {

const std::string kOriginal = "2001:02:03 04:05:06";

using PhotoFile = ::testing::Test;

// kNew written into `photo` by a child process (see runInChild); -1 when the child died.
Status writeInChild(const fs::path& photo, ExifWriteOptions options, bool asNobody, long fileSizeLimit = 0)
{
    const std::string status = runInChild(
        [&] { return std::to_string(static_cast<int>(writeExifDate(photo, kNew, false, options).status)); }, asNobody,
        fileSizeLimit);
    return static_cast<Status>(std::isdigit(status[0]) ? std::stoi(status) : -1);
}

// A link's target, or a second hard link (a backup), keeps the old photo: the
// link's own entry gets the new file, with the photo's mode, owner and xattrs.
TEST_F(PhotoFile, OtherLinksToThePhotoKeepTheOldOne)
{
    for (const bool symbolic : {true, false}) {
        SCOPED_TRACE(symbolic ? "symbolic link" : "hard link");
        TempDir dir;
        fs::create_directory(dir / "real");
        fs::create_directory(dir / "links");
        const fs::path photo = dir / "real" / "photo.jpg";
        makeJpeg(photo, kOriginal, "2001:02:03 04:05:07");
        fs::permissions(photo, fs::perms(0604));
        const bool root = ::geteuid() == 0;
        ASSERT_TRUE(!root || ::chown(photo.c_str(), 65534, 65534) == 0);
        const bool xattrs = ::setxattr(photo.c_str(), "user.velmora.album", "Rome", 4, 0) == 0;
        const std::string before = readFile(photo);
        const fs::path link = dir / "links" / "link.jpg";
        if (symbolic)
            fs::create_symlink("../real/photo.jpg", link);
        else
            fs::create_hard_link(photo, link);

        ASSERT_EQ(writeExifDate(link, kNew, false).status, Status::Written);
        EXPECT_EQ(exiftoolTags(link).value("ExifIFD:DateTimeOriginal").toString().toStdString(), kNew);
        EXPECT_TRUE(readFile(photo) == before) << "the other link changed";
        EXPECT_EQ(listNames(dir / "links"), std::vector<std::string>{"link.jpg"});
        const struct stat st = statOf(link);
        EXPECT_EQ(st.st_mode & 07777, 0604u);
        EXPECT_TRUE(!root || st.st_uid == 65534u) << "owner lost";
        char value[8] = {};
        EXPECT_TRUE(!xattrs || ::getxattr(link.c_str(), "user.velmora.album", value, sizeof value) == 4)
            << "extended attributes lost";
    }
}

// A folder we may not write, or a full disk, on either kind of temporary
// file: a failure, the photo as it was, nothing left behind.
TEST_F(PhotoFile, FailedReplacementLeavesPhotoAndFolderAsTheyWere)
{
    for (const auto& [readOnly, unnamed] : std::vector<std::pair<bool, bool>>{{1, 1}, {1, 0}, {0, 1}, {0, 0}}) {
        SCOPED_TRACE(std::string(readOnly ? "read-only folder" : "full disk") + (unnamed ? ", unnamed" : ""));
        TempDir dir;
        const fs::path folder = dir / "photos", photo = folder / "photo.jpg";
        fs::create_directory(folder);
        makeJpeg(photo, kOriginal, std::nullopt, 320, 240);
        const std::string before = readFile(photo);
        openUpForEveryone(dir.path());
        if (readOnly) { // the photo itself writable: only the folder is in the way
            fs::permissions(folder, fs::perms(0555));
            fs::permissions(photo, fs::perms(0666));
        }
        // As root the folder's permissions would not hold: the write runs as "nobody".
        const long sizeLimit = readOnly ? 0 : static_cast<long>(before.size() / 2);
        EXPECT_EQ(writeInChild(photo, {unnamed, false}, readOnly && ::geteuid() == 0, sizeLimit), Status::WriteFailed);
        EXPECT_TRUE(readFile(photo) == before) << "the photo changed";
        EXPECT_EQ(listNames(folder), std::vector<std::string>{"photo.jpg"});
    }
}

// Run as "nobody" in a folder it may write: a photo it may not write is written
// by no route, nor is a rebuilt one that lost its owner put in place; another
// user's photo everyone may write is patched in place and keeps its owner.
TEST_F(PhotoFile, PermissionsOfThePhotoHoldOnEveryRoute)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root, to give the photo to another user and run the write-back as nobody";
    const struct {
        const char* name;
        uid_t owner;
        mode_t mode;
        bool inPlace;
        Status expected;
    } cases[] = {
        {"own read-only photo, in place", 65534, 0444, true, Status::WriteFailed},
        {"own read-only photo, whole file", 65534, 0444, false, Status::WriteFailed},
        {"another user's photo, in place", 0, 0644, true, Status::WriteFailed},
        {"another user's photo, whole file", 0, 0644, false, Status::WriteFailed},
        {"another user's writable photo, whole file", 0, 0666, false, Status::WriteFailed},
        {"another user's writable photo, in place", 0, 0666, true, Status::Written},
    };
    openWriteAheadLog(); // inherited by the child: nobody may not write the state folder
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const fs::path photo = dir / "photo.jpg";
        makeJpeg(photo, kOriginal);
        openUpForEveryone(dir.path());
        fs::permissions(dir.path(), fs::perms(0777));
        ASSERT_EQ(::chown(photo.c_str(), c.owner, c.owner), 0);
        ASSERT_EQ(::chmod(photo.c_str(), c.mode), 0);
        const struct stat before = statOf(photo);
        const std::string bytes = readFile(photo);
        EXPECT_EQ(writeInChild(photo, {true, c.inPlace}, true), c.expected);
        const struct stat after = statOf(photo);
        EXPECT_EQ(after.st_ino, before.st_ino) << "the photo was replaced";
        EXPECT_EQ(after.st_uid, c.owner);
        EXPECT_EQ(after.st_mode & 07777, c.mode);
        EXPECT_EQ(readFile(photo) == bytes, c.expected != Status::Written);
        EXPECT_EQ(listNames(dir.path()), std::vector<std::string>{"photo.jpg"});
    }
}

// A temporary file left by a killed write-back is removed; one a running write-back
// holds is left alone. A name too long for the decoration gets a short one.
TEST_F(PhotoFile, StaleTemporaryFileIsRemovedAndLiveOneIsLeftAlone)
{
    const std::string longName = std::string(240, 'n') + ".jpg";
    for (const auto& [name, unnamed] : std::vector<std::pair<std::string, bool>>{
             {"photo.jpg", true}, {"photo.jpg", false}, {longName, true}, {longName, false}}) {
        SCOPED_TRACE(std::to_string(name.size()) + (unnamed ? " unnamed" : " named"));
        TempDir dir;
        const fs::path photo = dir / name, temp = dir / temporaryNameFor(name);
        makeJpeg(photo, kOriginal);
        EXPECT_LE(temp.filename().native().size(), 255u);

        writeFile(temp, "half a photo");
        ASSERT_EQ(writeExifDate(photo, kNew, false, ExifWriteOptions{unnamed, false}).status, Status::Written);
        EXPECT_EQ(listNames(dir.path()), std::vector<std::string>{name});

        writeFile(temp, "being written");
        const int held = ::open(temp.c_str(), O_RDONLY | O_CLOEXEC);
        ASSERT_EQ(::flock(held, LOCK_EX), 0);
        const std::string before = readFile(photo);
        EXPECT_EQ(writeExifDate(photo, kOld, false, ExifWriteOptions{unnamed, false}).status, Status::WriteFailed);
        EXPECT_TRUE(readFile(photo) == before) << "the photo changed";
        EXPECT_EQ(readFile(temp), "being written");
        ::close(held);
    }
}

} // namespace
