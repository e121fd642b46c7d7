// Files that are not what they seem: each ends with every photo intact and a
// clear log line or alert, and none hangs the batch.
#include "dropzone/BatchWalk.h"
#include "platform/MetadataReader.h"
#include "platform/Platform.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace velmora;
using namespace velmora::test;

namespace {

class HostileInputTest : public EngineTest {
protected:
    void walk(const fs::path& folder)
    {
        NullSink sink;
        processFiles(
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

} // namespace
