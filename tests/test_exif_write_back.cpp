// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ProcessSupport.h"
#include "support/TestSupport.h"

#include "platform/ExifDateWriter.h"
#include "platform/MetadataReader.h"
#include "platform/Platform.h"

#include <QImage>
#include <QImageReader>
#include <QJsonValue>

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace fs = std::filesystem;
using velmora::ExifWriteOptions;
using velmora::ExifWriteResult;
using velmora::writeExifDate;
using namespace velmora::test;
using Status = ExifWriteResult::Status;

namespace {

const QString kOriginal = "2001:02:03 04:05:06";
const QString kDigitized = "2001:02:03 04:05:07";
const std::string kNew = "2011:12:13 14:15:16";

class WriteBack : public ::testing::Test {
protected:
    static void SetUpTestSuite() { velmora::initializePlatform(); }
};

QString qpath(const fs::path& path)
{
    return QString::fromLocal8Bit(path.c_str());
}

bool exiftoolWrite(const fs::path& path, QStringList assignments)
{
    assignments.prepend("-overwrite_original");
    assignments.prepend("-q");
    assignments.append(qpath(path));
    return runProgram("exiftool", assignments).has_value();
}

bool convert(const QStringList& arguments)
{
    return runProgram("convert", arguments).has_value();
}

// What a camera and a photo manager leave in a photo; IPTC only where exiv2 writes it.
QStringList cameraTags(bool withDigitized, bool withIptc)
{
    QStringList tags = {"-ExifIFD:DateTimeOriginal=" + kOriginal,
                        "-IFD0:Make=Velmora Test Camera",
                        "-IFD0:Model=VT-1",
                        "-IFD0:Artist=A. Tester, \"quoted\"",
                        "-ExifIFD:ExposureTime=1/250",
                        "-ExifIFD:FNumber=5.6",
                        "-ExifIFD:ISO=200",
                        "-GPS:GPSLatitude=48.8566",
                        "-GPS:GPSLatitudeRef=N",
                        "-GPS:GPSLongitude=2.3522",
                        "-GPS:GPSLongitudeRef=E",
                        "-XMP-dc:Title=Holiday"};
    if (withDigitized)
        tags << "-ExifIFD:CreateDate=" + kDigitized;
    if (withIptc)
        tags << "-IPTC:Keywords=beach"
             << "-IPTC:City=Paris";
    return tags;
}

// exiftool's tags less those that describe the file rather than its content:
// name, times, size, the byte order a rewrite may choose, and derived tags.
QJsonObject contentTags(const fs::path& path)
{
    QJsonObject tags = exiftoolTags(path);
    for (const QString& key : tags.keys())
        if (key == "SourceFile" || key.startsWith("System:") || key.startsWith("Composite:") ||
            key == "ExifTool:ExifToolVersion" || key == "File:ExifByteOrder")
            tags.remove(key);
    return tags;
}

std::string differences(const QJsonObject& expected, const QJsonObject& actual)
{
    std::string text;
    for (const QString& key : expected.keys())
        if (expected.value(key) != actual.value(key))
            text += key.toStdString() + ": " + expected.value(key).toVariant().toString().toStdString() + " -> " +
                    actual.value(key).toVariant().toString().toStdString() + "\n";
    for (const QString& key : actual.keys())
        if (!expected.contains(key))
            text += "new " + key.toStdString() + "\n";
    return text;
}

// Every image of the file, decoded.
std::vector<QImage> frames(const fs::path& path)
{
    std::vector<QImage> result;
    QImageReader reader(qpath(path));
    do {
        QImage image = reader.read();
        if (image.isNull())
            break;
        result.push_back(image.convertToFormat(QImage::Format_ARGB32));
    } while (reader.jumpToNextImage());
    return result;
}

// The compressed image data of a JPEG: from the start-of-scan marker to the end.
std::string jpegScanData(const std::string& bytes)
{
    size_t at = 2;
    while (at + 4 <= bytes.size() && static_cast<unsigned char>(bytes[at]) == 0xFF) {
        if (static_cast<unsigned char>(bytes[at + 1]) == 0xDA)
            return bytes.substr(at);
        at += 2 + (static_cast<unsigned char>(bytes[at + 2]) << 8 | static_cast<unsigned char>(bytes[at + 3]));
    }
    return {};
}

mode_t modeOf(const fs::path& path)
{
    struct stat st {};
    ::lstat(path.c_str(), &st);
    return st.st_mode & 07777;
}

struct FormatCase {
    const char* qtFormat;
    const char* extension;
    bool iptc;
    bool digitized;
};

std::string caseName(const ::testing::TestParamInfo<FormatCase>& info)
{
    return std::string(info.param.extension) + (info.param.digitized ? "_Digitized" : "_Original");
}

class WriteBackFormats : public WriteBack, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(WriteBackFormats, ChangesOnlyTheChosenFieldAndKeepsPixelsAndPermissions)
{
    const FormatCase c = GetParam();
    TempDir dir;
    const fs::path photo = dir / (std::string("photo.") + c.extension);
    ASSERT_TRUE(testPattern(64, 48).save(qpath(photo), c.qtFormat, 100)) << "Qt cannot write " << c.qtFormat;
    ASSERT_TRUE(exiftoolWrite(photo, cameraTags(true, c.iptc)));
    fs::permissions(photo, fs::perms(0640));
    QJsonObject expected = contentTags(photo);
    ASSERT_EQ(expected.value("ExifIFD:DateTimeOriginal").toString(), kOriginal);
    const std::vector<QImage> pixelsBefore = frames(photo);
    const std::string scanBefore = jpegScanData(readFile(photo));
    ASSERT_FALSE(pixelsBefore.empty());

    const std::string bytesBefore = readFile(photo);
    struct stat statBefore {};
    ::stat(photo.c_str(), &statBefore);
    const ExifWriteResult result = writeExifDate(photo, kNew, c.digitized);
    ASSERT_EQ(result.status, Status::Written) << result.detail;

    // Written in place: the same inode, and only the date's bytes (and a PNG chunk's CRC) differ.
    const std::string bytesAfter = readFile(photo);
    struct stat statAfter {};
    ::stat(photo.c_str(), &statAfter);
    EXPECT_EQ(statAfter.st_ino, statBefore.st_ino);
    ASSERT_EQ(bytesAfter.size(), bytesBefore.size());
    size_t changed = 0;
    for (size_t i = 0; i < bytesAfter.size(); ++i)
        changed += bytesAfter[i] != bytesBefore[i];
    EXPECT_GT(changed, 0u);
    EXPECT_LE(changed, std::string_view(c.extension) == "png" ? 19u + 4u : 19u);

    const QString field = c.digitized ? "ExifIFD:CreateDate" : "ExifIFD:DateTimeOriginal";
    const QString other = c.digitized ? "ExifIFD:DateTimeOriginal" : "ExifIFD:CreateDate";
    const QJsonObject after = contentTags(photo);
    EXPECT_EQ(after.value(field).toString().toStdString(), kNew);
    EXPECT_EQ(after.value(other), expected.value(other));
    // A terminated string of 20 bytes, as EXIF has it and cameras write it.
    const auto dump = runProgram("exiftool", {"-v3", qpath(photo)});
    ASSERT_TRUE(dump);
    EXPECT_TRUE(dump->contains(c.digitized ? "Tag 0x9004 (20 bytes, string[20])" : "Tag 0x9003 (20 bytes, string[20])"))
        << dump->toStdString();
    expected.insert(field, QString::fromStdString(kNew));
    EXPECT_EQ(after, expected) << differences(expected, after);
    EXPECT_EQ(frames(photo), pixelsBefore);
    EXPECT_TRUE(jpegScanData(readFile(photo)) == scanBefore) << "the image data changed";
    EXPECT_EQ(modeOf(photo), 0640u);
    EXPECT_EQ(listNames(dir.path()), std::vector<std::string>{photo.filename().native()});
}

INSTANTIATE_TEST_SUITE_P(
    , WriteBackFormats,
    ::testing::Values(FormatCase{"JPEG", "jpg", true, false}, FormatCase{"JPEG", "jpg", true, true},
                      FormatCase{"TIFF", "tif", true, false}, FormatCase{"TIFF", "tif", true, true},
                      FormatCase{"PNG", "png", false, false}, FormatCase{"PNG", "png", false, true},
                      FormatCase{"WEBP", "webp", false, false}, FormatCase{"WEBP", "webp", false, true}),
    caseName);

TEST_F(WriteBack, PhotoWithoutExifGetsTheOneField)
{
    TempDir dir;
    const fs::path photo = dir / "plain.jpg";
    ASSERT_TRUE(testPattern(40, 30).save(qpath(photo), "JPEG", 90));
    const QJsonObject before = contentTags(photo);
    const std::string scanBefore = jpegScanData(readFile(photo));

    const ExifWriteResult result = writeExifDate(photo, kNew, false);
    ASSERT_EQ(result.status, Status::Written) << result.detail;

    QJsonObject after = contentTags(photo);
    EXPECT_EQ(after.take("ExifIFD:DateTimeOriginal").toString().toStdString(), kNew);
    EXPECT_EQ(after, before) << differences(before, after);
    EXPECT_TRUE(jpegScanData(readFile(photo)) == scanBefore) << "the image data changed";
}

TEST_F(WriteBack, DateTextIsStoredUnchecked)
{
    TempDir dir;
    const fs::path photo = dir / "photo.jpg";
    makeJpeg(photo, kOriginal.toStdString(), kDigitized.toStdString());
    const std::string odd = "not a date, but \"kept\"";
    ASSERT_EQ(writeExifDate(photo, odd, true).status, Status::Written);
    EXPECT_EQ(exiftoolTags(photo).value("ExifIFD:CreateDate").toString().toStdString(), odd);
    EXPECT_EQ(exiftoolTags(photo).value("ExifIFD:DateTimeOriginal").toString(), kOriginal);
}

int pageCount(const fs::path& path)
{
    return QImageReader(qpath(path)).imageCount();
}

// exiv2 0.27 keeps only four images when it must lay a TIFF out anew (a field
// that the file lacks); a field already there is rewritten in place.
TEST_F(WriteBack, MultiPageTiffKeepsAllItsPages)
{
    for (const bool fieldPresent : {true, false}) {
        SCOPED_TRACE(fieldPresent ? "field present" : "field absent");
        TempDir dir;
        const fs::path photo = dir / "pages.tif";
        ASSERT_TRUE(convert({"-size", "40x30", "xc:red", "xc:green", "xc:blue", "xc:yellow", "xc:cyan", "xc:magenta",
                             "-depth", "8", qpath(photo)}));
        ASSERT_TRUE(exiftoolWrite(photo, cameraTags(fieldPresent, false)));
        ASSERT_EQ(pageCount(photo), 6);
        const std::string bytesBefore = readFile(photo);
        const std::vector<QImage> pixelsBefore = frames(photo);

        const ExifWriteResult result = writeExifDate(photo, kNew, true);
        EXPECT_EQ(pageCount(photo), 6);
        EXPECT_EQ(frames(photo), pixelsBefore);
        if (fieldPresent) {
            EXPECT_EQ(result.status, Status::Written) << result.detail;
        }
        if (result.status == Status::Written) {
            EXPECT_EQ(exiftoolTags(photo).value("ExifIFD:CreateDate").toString().toStdString(), kNew);
        } else {
            EXPECT_EQ(result.status, Status::EncodeFailed) << result.detail;
            EXPECT_TRUE(readFile(photo) == bytesBefore) << "the photo changed";
        }
        EXPECT_EQ(listNames(dir.path()), std::vector<std::string>{"pages.tif"});
    }
}

// A link's target, or a second hard link (a backup), never changes with the
// photo: the photo's own directory entry gets the new file.
TEST_F(WriteBack, OtherLinksToThePhotoKeepTheOldOne)
{
    for (const bool symbolic : {true, false}) {
        SCOPED_TRACE(symbolic ? "symbolic link" : "hard link");
        TempDir dir;
        fs::create_directory(dir / "real");
        fs::create_directory(dir / "links");
        const fs::path photo = dir / "real" / "photo.jpg";
        makeJpeg(photo, kOriginal.toStdString(), kDigitized.toStdString());
        fs::permissions(photo, fs::perms(0604));
        const std::string before = readFile(photo);
        const fs::path link = dir / "links" / "link.jpg";
        if (symbolic)
            fs::create_symlink("../real/photo.jpg", link);
        else
            fs::create_hard_link(photo, link);

        ASSERT_EQ(writeExifDate(link, kNew, false).status, Status::Written);
        EXPECT_FALSE(fs::is_symlink(link));
        EXPECT_EQ(exiftoolTags(link).value("ExifIFD:DateTimeOriginal").toString().toStdString(), kNew);
        EXPECT_EQ(modeOf(link), 0604u);
        EXPECT_TRUE(readFile(photo) == before) << "the other link changed";
        EXPECT_EQ(listNames(dir / "links"), std::vector<std::string>{"link.jpg"});
    }
}

// A copy still without a name takes its date in place, or rebuilt where the field is absent.
TEST_F(WriteBack, UnnamedCopyTakesItsDateBeforeItHasAName)
{
    for (const bool digitized : {false, true}) {
        SCOPED_TRACE(digitized ? "field absent" : "field present");
        TempDir dir;
        makeJpeg(dir / "photo.jpg", kOriginal.toStdString());
        const int fd = ::open(dir.path().c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        ASSERT_GE(fd, 0);
        const std::string bytes = readFile(dir / "photo.jpg");
        ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        EXPECT_EQ(velmora::writeExifDateIntoUnnamed(fd, kNew, digitized).status, Status::Written);
        const velmora::CaptureDates dates = velmora::readCaptureDates("/proc/self/fd/" + std::to_string(fd));
        EXPECT_EQ(digitized ? dates.dateTimeDigitized : dates.dateTimeOriginal, kNew);
        ::close(fd);
        EXPECT_EQ(listNames(dir.path()), std::vector<std::string>{"photo.jpg"});
    }
}

TEST_F(WriteBack, OwnerAndExtendedAttributesAreKept)
{
    TempDir dir;
    const fs::path photo = dir / "photo.jpg";
    makeJpeg(photo, kOriginal.toStdString(), kDigitized.toStdString());
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(photo.c_str(), 65534, 65534), 0);
    }
    const bool xattrs = ::setxattr(photo.c_str(), "user.velmora.album", "Rome", 4, 0) == 0;

    ASSERT_EQ(writeExifDate(photo, kNew, false).status, Status::Written);
    struct stat st {};
    ASSERT_EQ(::stat(photo.c_str(), &st), 0);
    if (root) {
        EXPECT_EQ(st.st_uid, 65534u);
        EXPECT_EQ(st.st_gid, 65534u);
    }
    if (xattrs) {
        char value[16] = {};
        EXPECT_EQ(::getxattr(photo.c_str(), "user.velmora.album", value, sizeof value), 4);
        EXPECT_STREQ(value, "Rome");
    }
}

TEST_F(WriteBack, ReadOnlyFolderGivesFailureAndLeavesPhotoAlone)
{
    TempDir dir;
    const fs::path folder = dir / "locked";
    fs::create_directory(folder);
    const fs::path photo = folder / "photo.jpg";
    makeJpeg(photo, kOriginal.toStdString(), kDigitized.toStdString());
    const std::string before = readFile(photo);
    const bool root = ::geteuid() == 0;
    // As root the folder's permissions would not hold: the write runs as "nobody",
    // who may write the photo but not the folder.
    fs::permissions(dir.path(), fs::perms(0755));
    if (root) {
        ASSERT_EQ(::chown(photo.c_str(), 65534, 65534), 0);
    }
    fs::permissions(folder, fs::perms(0555));

    for (const bool unnamed : {true, false}) {
        const int code = runInChild([&] {
            if (root && !velmora::test::becomeNobody())
                return 98;
            return static_cast<int>(writeExifDate(photo, kNew, false, ExifWriteOptions{unnamed, false}).status);
        });
        EXPECT_EQ(code, static_cast<int>(Status::WriteFailed));
    }
    EXPECT_TRUE(readFile(photo) == before) << "the photo changed";
    EXPECT_EQ(listNames(folder), std::vector<std::string>{"photo.jpg"});
}

// A full disk, two ways: a small file system of its own where this machine
// lets us mount one, and a file size limit, which works everywhere.
TEST_F(WriteBack, FullDiskGivesFailureAndLeavesNothingBehind)
{
    for (const bool tmpfs : {true, false}) {
        for (const bool unnamed : {true, false}) {
            SCOPED_TRACE(std::string(tmpfs ? "tmpfs" : "RLIMIT_FSIZE") + (unnamed ? ", unnamed" : ", named"));
            TempDir dir;
            const fs::path folder = dir / "disk";
            fs::create_directory(folder);
            const fs::path photo = folder / "photo.jpg";
            const fs::path source = dir / "source.jpg";
            makeJpeg(source, kOriginal.toStdString(), kDigitized.toStdString(), 320, 240);
            const std::string before = readFile(source);

            enum { kFailedUnchanged = 0, kNoMount = 10, kWrongStatus = 11, kChanged = 12, kLeftOver = 13 };
            const int code = runInChild([&]() -> int {
                if (tmpfs) {
                    if (::unshare(CLONE_NEWNS) != 0 ||
                        ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                        ::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=64k") != 0)
                        return kNoMount;
                    writeFile(photo, before);
                    // Fill the rest of the file system.
                    const int fill = ::open((folder / "filler").c_str(), O_WRONLY | O_CREAT, 0600);
                    const std::string block(4096, 'x');
                    while (::write(fill, block.data(), block.size()) > 0) {
                    }
                    ::close(fill);
                } else {
                    writeFile(photo, before);
                    std::signal(SIGXFSZ, SIG_IGN);
                    const rlim_t limit = before.size() / 2;
                    const rlimit rl{limit, limit};
                    ::setrlimit(RLIMIT_FSIZE, &rl);
                }
                const ExifWriteResult r = writeExifDate(photo, kNew, false, ExifWriteOptions{unnamed, false});
                if (r.status != Status::WriteFailed)
                    return kWrongStatus;
                if (readFile(photo) != before)
                    return kChanged;
                for (const std::string& name : listNames(folder))
                    if (name != "photo.jpg" && name != "filler")
                        return kLeftOver;
                return kFailedUnchanged;
            });
            if (code == kNoMount) {
                std::cout << "note: this machine lets no test mount a tmpfs; the file size limit stands in\n";
                continue;
            }
            EXPECT_EQ(code, kFailedUnchanged);
        }
    }
}

TEST_F(WriteBack, StaleTemporaryFileIsRemovedAndLiveOneIsLeftAlone)
{
    for (const bool unnamed : {true, false}) {
        SCOPED_TRACE(unnamed ? "unnamed" : "named");
        TempDir dir;
        const fs::path photo = dir / "photo.jpg";
        makeJpeg(photo, kOriginal.toStdString(), kDigitized.toStdString());
        const fs::path temp = dir / velmora::writeBackTempName("photo.jpg");

        // Left by a write-back that was killed: nobody holds it.
        writeFile(temp, "half a photo");
        ASSERT_EQ(writeExifDate(photo, kNew, false, ExifWriteOptions{unnamed, false}).status, Status::Written);
        EXPECT_EQ(listNames(dir.path()), std::vector<std::string>{"photo.jpg"});

        // Held by a write-back that is still running: not ours to take.
        writeFile(temp, "being written");
        const int held = ::open(temp.c_str(), O_RDONLY | O_CLOEXEC);
        ASSERT_EQ(::flock(held, LOCK_EX), 0);
        const std::string before = readFile(photo);
        EXPECT_EQ(writeExifDate(photo, "2020:01:01 00:00:00", false, ExifWriteOptions{unnamed, false}).status,
                  Status::WriteFailed);
        EXPECT_TRUE(readFile(photo) == before) << "the photo changed";
        EXPECT_EQ(readFile(temp), "being written");
        ::close(held);
    }
}

TEST_F(WriteBack, LongNameUsesShortTemporaryName)
{
    TempDir dir;
    const std::string name = std::string(240, 'n') + ".jpg";
    makeJpeg(dir / name, kOriginal.toStdString(), kDigitized.toStdString());
    EXPECT_LE(velmora::writeBackTempName(name).size(), 255u);
    for (const bool unnamed : {true, false})
        EXPECT_EQ(writeExifDate(dir / name, kNew, false, ExifWriteOptions{unnamed, false}).status, Status::Written);
    EXPECT_EQ(listNames(dir.path()), std::vector<std::string>{name});
}

} // namespace
