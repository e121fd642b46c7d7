// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ProcessSupport.h"
#include "support/TestSupport.h"

#include "engine/PhotoEngine.h"
#include "platform/Platform.h"

#include <QImage>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace fs = std::filesystem;
using namespace velmora;
using namespace velmora::test;

namespace {

const std::string kSource = "***Could not create image source ***";
const std::string kDestination = "***Could not create image destination ***";
const std::string kData = "***Could not create data from image destination ***";

bool convert(const QStringList& arguments)
{
    return runProgram("convert", arguments).has_value();
}

QString qpath(const fs::path& path)
{
    return QString::fromLocal8Bit(path.c_str());
}

// Makes the file at `path`; false when this machine cannot make it.
using Maker = bool (*)(const fs::path& path);

struct FailureCase {
    const char* name;
    const char* file;
    Maker make;
    const std::string* line;
};

bool makeNothing(const fs::path&)
{
    return true;
}

bool makeText(const fs::path& path)
{
    writeFile(path, "2010:07:14 18:05:09 is a date, this is no photo\n");
    return true;
}

bool makeFifo(const fs::path& path)
{
    return ::mkfifo(path.c_str(), 0644) == 0;
}

bool makeFolder(const fs::path& path)
{
    return fs::create_directory(path);
}

// exiv2 0.27 does not recognise GIF at all.
bool makeGif(const fs::path& path)
{
    return convert({"-size", "16x16", "xc:orange", qpath(path)});
}

// exiv2 recognises BMP but keeps no metadata in it.
bool makeBmp(const fs::path& path)
{
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    return image.save(qpath(path), "BMP");
}

// exiv2 reads HEIC (ISO base media) but cannot write it.
bool makeHeic(const fs::path& path)
{
    return convert({"-size", "64x64", "gradient:blue-yellow", qpath(path)}) && fs::file_size(path) > 0 &&
           runProgram("exiftool",
                      {"-q", "-overwrite_original", "-ExifIFD:DateTimeOriginal=2001:02:03 04:05:06", qpath(path)})
               .has_value();
}

// A JPEG whose EXIF block nearly fills its 64 KB segment: adding a field makes
// exiv2 drop its largest tags to fit, which the write-back refuses to do.
bool makeFullExifJpeg(const fs::path& path)
{
    makeJpeg(path, "2001:02:03 04:05:06");
    return runProgram("exiftool",
                      {"-q", "-overwrite_original", "-IFD0:ImageDescription=" + QString(65400, 'd'), qpath(path)})
        .has_value();
}

class SetDateFailures : public ::testing::TestWithParam<FailureCase> {
protected:
    static void SetUpTestSuite() { initializePlatform(); }
};

TEST_P(SetDateFailures, LogsTheLineReturnsFalseAndChangesNothing)
{
    const FailureCase c = GetParam();
    TempDir dir;
    const fs::path photo = dir / c.file;
    if (!c.make(photo))
        GTEST_SKIP() << "this machine cannot make a " << c.name << " file (ImageMagick without that coder)";
    const std::vector<std::string> namesBefore = listNames(dir.path());
    const std::string bytesBefore = fs::is_regular_file(photo) ? readFile(photo) : std::string();

    ControlMirror controls;
    std::atomic<bool> latch{false};
    RecordingHost host;
    PhotoEngine engine(controls, latch, host);
    LogCapture log;
    // DateTimeDigitized: a field that none of the files holds, so exiv2 must add it.
    EXPECT_FALSE(engine.setDate("2011:12:13 14:15:16", photo, true));

    // The described line, then one that names the photo and the reason.
    const std::vector<std::string> lines = log.lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], *c.line);
    EXPECT_EQ(lines[1].rfind("Date not written into " + photo.native() + ": ", 0), 0u) << lines[1];
    EXPECT_GT(lines[1].size(), ("Date not written into " + photo.native() + ": ").size()) << "no reason given";
    EXPECT_EQ(listNames(dir.path()), namesBefore);
    if (fs::is_regular_file(photo)) {
        EXPECT_TRUE(readFile(photo) == bytesBefore) << "the file changed";
    }
    EXPECT_TRUE(host.alerts().empty());
}

INSTANTIATE_TEST_SUITE_P(, SetDateFailures,
                         ::testing::Values(FailureCase{"missing", "gone.jpg", makeNothing, &kSource},
                                           FailureCase{"text", "notes.jpg", makeText, &kSource},
                                           FailureCase{"fifo", "pipe.jpg", makeFifo, &kSource},
                                           FailureCase{"folder", "folder.jpg", makeFolder, &kSource},
                                           FailureCase{"gif", "anim.gif", makeGif, &kSource},
                                           FailureCase{"bmp", "scan.bmp", makeBmp, &kDestination},
                                           FailureCase{"heic", "phone.heic", makeHeic, &kDestination},
                                           FailureCase{"fullexif", "full.jpg", makeFullExifJpeg, &kData}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SetDate, SuccessLogsNothing)
{
    initializePlatform();
    TempDir dir;
    makeJpeg(dir / "photo.jpg", "2001:02:03 04:05:06", "2001:02:03 04:05:07");
    ControlMirror controls;
    std::atomic<bool> latch{false};
    RecordingHost host;
    PhotoEngine engine(controls, latch, host);
    LogCapture log;
    EXPECT_TRUE(engine.setDate("2011:12:13 14:15:16", dir / "photo.jpg", true));
    EXPECT_TRUE(log.lines().empty());
}

} // namespace
