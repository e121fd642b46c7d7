// SPDX-License-Identifier: GPL-3.0-or-later
// Files that are not what they seem: each ends with every photo intact and a
// clear log line or alert, and none hangs the batch.
#include "engine/BatchWalk.h"
#include "platform/ExifHelper.h"
#include "platform/MetadataReader.h"
#include "platform/Platform.h"
#include "platform/UniqueFd.h"
#include "platform/VideoSniff.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace velmora;
using namespace velmora::test;

namespace {

class HostileInputTest : public EngineTest {
protected:
    void walk(const fs::path& folder)
    {
        NullSink sink;
        walkBatch(
            {folder}, [this](const PhotoSet& set) { engine.processSet(set); }, sink);
    }

    // A JPEG whose EXIF block is written by hand: `ifd` is the TIFF structure.
    static std::string jpegWithTiff(const std::string& tiff)
    {
        std::string app1 = "Exif";
        app1 += std::string(2, '\0') + tiff;
        const size_t length = app1.size() + 2;
        std::string out = "\xFF\xD8\xFF\xE1";
        out += static_cast<char>(length >> 8);
        out += static_cast<char>(length & 0xFF);
        out += app1;
        out += "\xFF\xD9";
        return out;
    }
};

TEST_F(HostileInputTest, SpecialFilesInAListingNeverBlockTheBatch)
{
    fs::create_directory(dir / "trip");
    ASSERT_EQ(::mkfifo((dir / "trip/fifo.jpg").c_str(), 0644), 0);
    ASSERT_EQ(::mknod((dir / "trip/null.jpg").c_str(), S_IFCHR | 0644, makedev(1, 3)), 0) << "tests run as root";
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::string sockPath = (dir / "trip/socket.jpg").native();
    ASSERT_LT(sockPath.size(), sizeof addr.sun_path);
    std::copy(sockPath.begin(), sockPath.end(), addr.sun_path);
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    makeJpeg(dir / "trip/IMG_0001.JPG", "2010:07:14 18:05:09");

    walk(dir / "trip");
    ::close(sock);

    EXPECT_EQ(listNames(dir / "trip"),
              (std::vector<std::string>{"2010-07-14__18-05-09.JPG", "fifo.jpg", "null.jpg", "socket.jpg"}));
    EXPECT_EQ(host.alerts().size(), 1u);
    EXPECT_EQ(log.lines().size(), 3u);
}

TEST_F(HostileInputTest, LargeFileThatClaimsToBeAJpegIsReadQuicklyAndLeftAlone)
{
    // 100 MB of nothing behind a JPEG signature; sparse, so it costs no disk.
    const fs::path fake = dir / "huge.jpg";
    writeFile(fake, std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00", 11));
    fs::resize_file(fake, 100 << 20);
    engine.processFile(fake);
    EXPECT_TRUE(fs::exists(fake));
    EXPECT_EQ(fs::file_size(fake), 100u << 20);
    EXPECT_EQ(host.alerts().size(), 1u);
}

TEST_F(HostileInputTest, ExifWithLoopingIfdOffsetsIsRejectedWithoutHanging)
{
    // Little-endian TIFF: IFD0 at 8 holds one entry, the EXIF pointer, which
    // points back at IFD0; IFD0's next-IFD offset points at itself too.
    std::string tiff = std::string("II*\0", 4) + std::string("\x08\0\0\0", 4);
    tiff += std::string("\x01\0", 2);                              // one entry
    tiff += std::string("\x69\x87\x04\0\x01\0\0\0\x08\0\0\0", 12); // ExifIFD -> 8
    tiff += std::string("\x08\0\0\0", 4);                          // next IFD -> 8
    writeFile(dir / "loop.jpg", jpegWithTiff(tiff));
    const std::string before = readFile(dir / "loop.jpg");

    engine.processFile(dir / "loop.jpg");
    EXPECT_EQ(readFile(dir / "loop.jpg"), before);
    EXPECT_EQ(host.alerts().size(), 1u);
}

TEST_F(HostileInputTest, SymlinkedPhotoIsRenamedAsALinkAndItsTargetStays)
{
    fs::create_directory(dir / "originals");
    makeJpeg(dir / "originals/IMG_0001.JPG", "2010:07:14 18:05:09");
    const std::string content = readFile(dir / "originals/IMG_0001.JPG");
    fs::create_symlink("originals/IMG_0001.JPG", dir / "link.JPG");

    engine.processFile(dir / "link.JPG");
    EXPECT_TRUE(fs::is_symlink(dir / "2010-07-14__18-05-09.JPG"));
    EXPECT_EQ(readFile(dir / "2010-07-14__18-05-09.JPG"), content);
    EXPECT_EQ(readFile(dir / "originals/IMG_0001.JPG"), content);
    EXPECT_TRUE(host.alerts().empty());
}

TEST_F(HostileInputTest, NamesOfTheLongestLengthAreRenamedOrReported)
{
    const std::string longName = std::string(251, 'n') + ".JPG"; // 255 bytes, the most a name may have
    makeJpeg(dir / longName, "2010:07:14 18:05:09");
    const std::string content = readFile(dir / longName);

    controls.setSuffixState(1); // the old name no longer fits after the date
    engine.processFile(dir / longName);
    EXPECT_EQ(listNames(dir.path()), std::vector<std::string>{longName});
    ASSERT_EQ(host.alerts().size(), 1u);
    EXPECT_NE(host.alerts()[0].text.find("File name too long"), std::string::npos) << host.alerts()[0].text;

    controls.setSuffixState(0);
    engine.processFile(dir / longName);
    EXPECT_EQ(readFile(dir / "2010-07-14__18-05-09.JPG"), content);
}

TEST_F(HostileInputTest, PhotoReplacedByAFolderBeforeItsTurnIsNotTouched)
{
    fs::create_directory(dir / "IMG_0001.JPG");
    engine.processFile(dir / "IMG_0001.JPG");
    EXPECT_TRUE(fs::is_directory(dir / "IMG_0001.JPG"));
    EXPECT_EQ(host.alerts().size(), 1u);
}

// ---- exiv2 in its helper process --------------------------------------------

TEST(VideoSniffTest, VideosAreToldFromPhotosByTheirFirstBytes)
{
    auto ftyp = [](const std::string& major, const std::string& compatible) {
        const std::string body = major + std::string(4, '\0') + compatible;
        return std::string("\0\0\0", 3) + static_cast<char>(8 + body.size()) + "ftyp" + body;
    };
    std::string transport(400, '\0');
    transport[0] = transport[188] = transport[376] = 'G';
    const struct {
        const char* what;
        std::string head;
        bool video;
    } cases[] = {
        {"QuickTime", ftyp("qt  ", "qt  "), true},
        {"MP4", ftyp("isom", "isomiso2avc1mp41"), true},
        {"QuickTime without ftyp", std::string("\0\0\0\x08moov", 8), true},
        {"AVI", std::string("RIFF\0\0\0\0AVI LIST", 16), true},
        {"Matroska/WebM", "\x1A\x45\xDF\xA3\x01", true},
        {"ASF/WMV", std::string("\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", 16), true},
        {"MPEG transport stream", transport, true},
        {"HEIC", ftyp("heic", "mif1heic"), false},
        {"HEIF by a compatible brand", ftyp("isom", "mif1"), false},
        {"AVIF", ftyp("avif", "mif1miaf"), false},
        {"Canon CR3", ftyp("crx ", "crx isom"), false},
        {"WebP", std::string("RIFF\0\0\0\0WEBPVP8 ", 16), false},
        {"JPEG", "\xFF\xD8\xFF\xE1", false},
        {"PNG", "\x89PNG\r\n\x1A\n", false},
        {"too short to tell", "G", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(isVideoContainer({reinterpret_cast<const uint8_t*>(c.head.data()), c.head.size()}), c.video)
            << c.what;
}

TEST(ExifHelperConfinementTest, HelperCannotOpenFilesNorCreateSockets)
{
    QProcess helper;
    helper.start(QStringLiteral(VELMORA_HELPER), {QStringLiteral("--check-confinement")});
    ASSERT_TRUE(helper.waitForFinished(10000));
    const QString out = QString::fromUtf8(helper.readAllStandardOutput());
    if (out.startsWith(QStringLiteral("seccomp: off")))
        GTEST_SKIP() << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("open: Permission denied"))) << out.toStdString();
    // Killed at socket(): SIGSYS, before it could say anything more.
    EXPECT_EQ(helper.exitStatus(), QProcess::CrashExit);
    EXPECT_FALSE(out.contains(QStringLiteral("socket:"))) << out.toStdString();
}

class ExifHelperTest : public EngineTest {
protected:
    void TearDown() override { setExifHelperTimeLimit(5s); }

    // A PNG with a date: the reference reader takes it to exiv2, in the helper.
    fs::path makePng(const std::string& name)
    {
        const fs::path photo = dir / name;
        testPattern(32, 24).save(QString::fromStdString(photo.native()), "PNG");
        setExifDates(photo, "2010:07:14 18:05:09", std::nullopt);
        return photo;
    }

    static HelperAnswer askDirectly(const fs::path& file)
    {
        const UniqueFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
        return askExifHelper({helper::RequestKind::ReadDates, false, {}}, fd.get(), fs::file_size(file));
    }
};

TEST_F(ExifHelperTest, HelperThatDoesNotAnswerCostsOnePhotoAndIsReplaced)
{
    const fs::path photo = makePng("IMG_0001.PNG");
    const struct {
        const char* what;
        std::chrono::milliseconds limit;
        bool quitting;
        const char* logged;
    } cases[] = {
        {"over its time limit", 0ms, false, "took longer than 0 ms and was killed"},
        {"waited on while quitting", 5s, true, "was stopped: Velmora is quitting"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const size_t seen = log.lines().size();
        setExifHelperTimeLimit(c.limit);
        std::stop_source quit;
        if (c.quitting)
            quit.request_stop();
        {
            const HelperStopScope scope(quit.get_token());
            EXPECT_FALSE(readCaptureDatesWithExiv2(photo).dateTimeOriginal);
        }
        setExifHelperTimeLimit(5s);
        const std::vector<std::string> lines = log.lines();
        EXPECT_EQ(std::vector<std::string>(lines.begin() + static_cast<long>(seen), lines.end()),
                  std::vector<std::string>{"*** File " + photo.native() + ": the exiv2 helper " + c.logged + " ***"});
        EXPECT_EQ(readCaptureDatesWithExiv2(photo).dateTimeOriginal, "2010:07:14 18:05:09");
    }
}

// exiv2 0.27.6 loops forever on the first two and corrupts its heap on the
// others: whether that ends the process depends on the memory's layout.
TEST_F(ExifHelperTest, Exiv2HangsAndCrashesOnVideosCostNothing)
{
    const fs::path samples = fs::path(VELMORA_SAMPLES) / "exiv2-testdata";
    if (!fs::is_directory(samples))
        GTEST_SKIP() << samples << " is absent";
    const struct {
        const char* name;
        bool hangs;
    } cases[] = {
        {"issue_2393_poc.mp4", true},  {"issue_ghsa_crmj_qh74_2r36_poc.mov", true},
        {"issue_2366_poc.mp4", false}, {"issue_2376_poc.mp4", false},
        {"issue_2377_poc.mp4", false}, {"issue_2383_poc.mp4", false},
    };
    const fs::path photo = makePng("IMG_0001.PNG");
    controls.setFixTimeState(1);
    controls.setTimezonesTitle(std::string("+2"));
    host.exifInPhotos = true;
    setExifHelperTimeLimit(1s);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path video = dir / c.name;
        fs::copy_file(samples / c.name, video);
        const std::string before = readFile(video);
        // A video never reaches exiv2: it has no capture date.
        engine.processFile(video);
        EXPECT_EQ(readFile(video), before);
        // Handed to exiv2 all the same, it costs its helper, and the next photo gets a fresh one.
        // A crash may also be a time-out: a sanitizer build's helper takes its time to report.
        const HelperAnswer lost = askDirectly(video);
        if (c.hangs) {
            EXPECT_EQ(lost.outcome, HelperAnswer::Outcome::TimedOut) << lost.what;
        }
        EXPECT_FALSE(lost.outcome == HelperAnswer::Outcome::Answered && (lost.reply.flags & helper::Reply::kHasFirst));
        EXPECT_EQ(askDirectly(photo).outcome, HelperAnswer::Outcome::Answered);
    }
    EXPECT_EQ(host.alerts().size(), 1u);
}

} // namespace
