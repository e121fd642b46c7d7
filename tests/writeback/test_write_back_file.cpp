// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ProcessSupport.h"

#include "writeback/WriteAheadLog.h"
#include "files/Placement.h"

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

// A folder we may not write, or a full disk, on either kind of temporary file: a failure, the photo and its folder as
// they were. Run as "nobody" in a folder it may write: a photo it may not write is written by no route, nor is a
// rebuilt one that lost its owner put in place; another user's photo everyone may write is patched in place and keeps
// its owner.
TEST_F(PhotoFile, PermissionsOfThePhotoAndFolderHoldOnEveryRoute)
{
    const bool root = ::geteuid() == 0;
    const struct {
        const char* name;
        mode_t folderMode; // 0: as openUpForEveryone leaves it, and a full disk
        uid_t owner;       // -1: root's photo written by root, no other user to be
        mode_t mode;
        ExifWriteOptions options;
        Status expected;
    } cases[] = {
        {"read-only folder, unnamed", 0555, uid_t(-1), 0666, {true, false}, Status::WriteFailed},
        {"read-only folder, named", 0555, uid_t(-1), 0666, {false, false}, Status::WriteFailed},
        {"full disk, unnamed", 0, uid_t(-1), 0644, {true, false}, Status::WriteFailed},
        {"full disk, named", 0, uid_t(-1), 0644, {false, false}, Status::WriteFailed},
        {"own read-only photo, in place", 0777, 65534, 0444, {true, true}, Status::WriteFailed},
        {"own read-only photo, whole file", 0777, 65534, 0444, {true, false}, Status::WriteFailed},
        {"another user's photo, in place", 0777, 0, 0644, {true, true}, Status::WriteFailed},
        {"another user's photo, whole file", 0777, 0, 0644, {true, false}, Status::WriteFailed},
        {"another user's writable photo, whole file", 0777, 0, 0666, {true, false}, Status::WriteFailed},
        {"another user's writable photo, in place", 0777, 0, 0666, {true, true}, Status::Written},
    };
    openWriteAheadLog(); // inherited by the child: nobody may not write the state folder
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const bool asNobody = c.folderMode != 0 && root, fullDisk = c.folderMode == 0;
        if (c.owner != uid_t(-1) && !root)
            continue; // giving the photo to another user and writing as nobody needs root
        TempDir dir;
        const fs::path folder = dir / "photos", photo = folder / "photo.jpg";
        fs::create_directory(folder);
        makeJpeg(photo, kOriginal, std::nullopt, 320, 240);
        openUpForEveryone(dir.path());
        if (!fullDisk)
            fs::permissions(folder, fs::perms(c.folderMode));
        ASSERT_TRUE(c.owner == uid_t(-1) || ::chown(photo.c_str(), c.owner, c.owner) == 0);
        ASSERT_EQ(::chmod(photo.c_str(), c.mode), 0);
        const struct stat before = statOf(photo);
        const std::string bytes = readFile(photo);
        const long sizeLimit = fullDisk ? static_cast<long>(bytes.size() / 2) : 0;
        EXPECT_EQ(writeInChild(photo, c.options, asNobody, sizeLimit), c.expected);
        const struct stat after = statOf(photo);
        EXPECT_EQ(after.st_ino, before.st_ino) << "the photo was replaced";
        EXPECT_EQ(std::make_pair(after.st_uid, after.st_mode & 07777), std::make_pair(before.st_uid, c.mode));
        EXPECT_EQ(readFile(photo) == bytes, c.expected != Status::Written);
        EXPECT_EQ(listNames(folder), std::vector<std::string>{"photo.jpg"});
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
