// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ProcessSupport.h"

#include "metadata/DateLocator.h"
#include "engine/DateReader.h"

#include <QImage>
#include <QImageReader>

#include <functional>
#include <numeric>
#include <sys/stat.h>

namespace fs = std::filesystem;
using namespace velmora;
using namespace velmora::test;
using Status = ExifWriteResult::Status;

namespace {

const QString kOriginal = "2001:02:03 04:05:06", kDigitized = "2001:02:03 04:05:07";

using WriteBack = ::testing::Test;

QString qpath(const fs::path& path)
{
    return QString::fromLocal8Bit(path.c_str());
}

// True when the PNG chunk holding EXIF carries the CRC of its type and data.
bool exifChunkCrcHolds(const std::string& png)
{
    const size_t type = png.find("eXIf");
    if (type == std::string::npos || type < 4)
        return false;
    const auto byte = [&](size_t at) { return static_cast<uint32_t>(static_cast<unsigned char>(png[at])); };
    const auto be32 = [&](size_t at) { return byte(at) << 24 | byte(at + 1) << 16 | byte(at + 2) << 8 | byte(at + 3); };
    const uint32_t length = be32(type - 4);
    return be32(type + 4 + length) == crc32(0, reinterpret_cast<const uint8_t*>(png.data() + type), length + 4);
}

struct FormatCase {
    const char* qtFormat;
    const char* extension;
    bool digitized;
};

class WriteBackFormats : public WriteBack, public ::testing::WithParamInterface<FormatCase> {};

// In place: the same file, where only the date's bytes (and a PNG chunk's CRC) differ; every other tag stays.
TEST_P(WriteBackFormats, ChangesOnlyTheChosenFieldInPlace)
{
    const FormatCase c = GetParam();
    TempDir dir;
    const fs::path photo = dir / (std::string("photo.") + c.extension);
    ASSERT_TRUE(testPattern(64, 48).save(qpath(photo), c.qtFormat, 100));
    ASSERT_TRUE(runProgram("exiftool", {"-q", "-overwrite_original", "-ExifIFD:DateTimeOriginal=" + kOriginal,
                                        "-ExifIFD:CreateDate=" + kDigitized, "-IFD0:Artist=A. Tester, \"quoted\"",
                                        "-GPS:GPSLatitude=48.8566", "-XMP-dc:Title=Holiday", qpath(photo)}));
    const QJsonObject tags = exiftoolTags(photo);
    const std::string before = readFile(photo);
    const ino_t inode = statOf(photo).st_ino;

    const ExifWriteResult result = writeExifDate(photo, kNew, c.digitized);
    ASSERT_EQ(result.status, Status::Written) << result.detail;

    const std::string after = readFile(photo);
    EXPECT_EQ(statOf(photo).st_ino, inode);
    ASSERT_EQ(after.size(), before.size());
    const bool png = std::string_view(c.extension) == "png";
    EXPECT_LE(
        std::transform_reduce(after.begin(), after.end(), before.begin(), 0u, std::plus<>(), std::not_equal_to<>()),
        png ? 19u + 4u : 19u);
    EXPECT_TRUE(!png || exifChunkCrcHolds(after)) << "the chunk's CRC was not updated";
    EXPECT_EQ(differences(tags, exiftoolTags(photo)),
              std::vector<std::string>{c.digitized
                                           ? "ExifIFD:CreateDate [2001:02:03 04:05:07] -> [" + kNew + "]"
                                           : "ExifIFD:DateTimeOriginal [2001:02:03 04:05:06] -> [" + kNew + "]"});
}

INSTANTIATE_TEST_SUITE_P(, WriteBackFormats,
                         ::testing::Values(FormatCase{"JPEG", "jpg", false}, FormatCase{"TIFF", "tif", true},
                                           FormatCase{"PNG", "png", true}, FormatCase{"WEBP", "webp", false}),
                         [](const auto& info) {
                             return std::string(info.param.extension) +
                                    (info.param.digitized ? "_Digitized" : "_Original");
                         });

// Through the engine. A written date where no field of 20 bytes is there to patch: the field is added and nothing else
// changes, or the photo is refused whole (exiv2 0.27 keeps only four images of a TIFF it lays out anew), and a success
// logs nothing. A refusal logs the described line, then one naming the photo and the reason, and changes nothing.
TEST_F(WriteBack, EngineWritesOnlyTheFieldOrLogsTheRefusal)
{
    const char* source = "***Could not create image source ***";
    const char* destination = "***Could not create image destination ***";
    const char* data = "***Could not create data from image destination ***";
    using Make = std::function<bool(const fs::path&)>;
    const auto convert = [](const QStringList& image) -> Make {
        return [image](const fs::path& p) { return runProgram("convert", QStringList(image) << qpath(p)).has_value(); };
    };
    const auto exiftool = [](const QString& tag) -> Make {
        return [tag](const fs::path& p) {
            return runProgram("exiftool", {"-q", "-overwrite_original", tag, qpath(p)}).has_value();
        };
    };
    const struct Case {
        const char* file;
        Make make, then = {};
        const char* line; // none: written
        bool mayRefuse = false;
    } cases[] = {
        {"gone.jpg", [](const fs::path&) { return true; }, {}, source},
        {"notes.jpg", [](const fs::path& p) { return writeFile(p, "2010:07:14 18:05:09, no photo"), true; }, {},
         source},
        {"pipe.jpg", [](const fs::path& p) { return ::mkfifo(p.c_str(), 0644) == 0; }, {}, source},
        {"folder.jpg", [](const fs::path& p) { return fs::create_directory(p); }, {}, source},
        // exiv2 0.27 does not know GIF; it knows BMP and HEIC but cannot write them.
        {"anim.gif", convert({"-size", "16x16", "xc:orange"}), {}, source},
        {"scan.bmp", [](const fs::path& p) { return testPattern(16, 16).save(qpath(p), "BMP"); }, {}, destination},
        {"phone.heic", convert({"-size", "64x64", "gradient:blue-yellow"}),
         exiftool("-ExifIFD:DateTimeOriginal=" + kOriginal), destination},
        // An EXIF block that nearly fills its segment: exiv2 would drop tags to add the field.
        {"full.jpg", [](const fs::path& p) { return makeJpeg(p, kOriginal.toStdString()), true; },
         exiftool("-IFD0:ImageDescription=" + QString(65400, 'd')), data},
        {"plain.jpg", [](const fs::path& p) { return testPattern(40, 30).save(qpath(p), "JPEG"); }, {}, nullptr},
        {"pages.tif",
         convert({"-size", "40x30", "xc:red", "xc:green", "xc:blue", "xc:yellow", "xc:cyan", "xc:magenta", "-depth",
                  "8"}),
         {}, nullptr, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        TempDir dir;
        const fs::path photo = dir / c.file;
        if (!c.make(photo) || (c.then && !c.then(photo))) {
            std::cout << "note: this machine cannot make " << c.file << "\n";
            continue;
        }
        const std::vector<std::string> names = listNames(dir.path());
        const std::string before = fs::is_regular_file(photo) ? readFile(photo) : std::string();
        const QJsonObject tags = c.line ? QJsonObject() : exiftoolTags(photo);
        const int pages = c.line ? 0 : QImageReader(qpath(photo)).imageCount();
        LogCapture log;
        // DateTimeDigitized: a field that none of the files holds, so exiv2 must add it.
        const bool written = writeDateBack(kNew, photo, true);
        const std::vector<std::string> lines = log.lines();
        EXPECT_EQ(listNames(dir.path()), names);
        if (written) {
            EXPECT_EQ(c.line, nullptr);
            EXPECT_TRUE(lines.empty());
            EXPECT_EQ(differences(tags, exiftoolTags(photo)),
                      std::vector<std::string>{"ExifIFD:CreateDate [] -> [" + kNew + "]"});
            EXPECT_EQ(QImageReader(qpath(photo)).imageCount(), pages);
            continue;
        }
        EXPECT_TRUE(c.line || c.mayRefuse);
        const std::string reason = "Date not written into " + photo.native() + ": ";
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_TRUE(!c.line || lines[0] == c.line) << lines[0];
        EXPECT_TRUE(lines[1].starts_with(reason) && lines[1].size() > reason.size()) << lines[1];
        EXPECT_TRUE(!fs::is_regular_file(photo) || readFile(photo) == before) << "the file changed";
    }
}

// In a batch the dates written in place wait for their group: the outcomes reach the recorder in the photos' order once
// it ends, and a photo changed meanwhile keeps the change, the failure logged and shown.
class GroupedWriteBack : public EngineTest, public BatchRecorder {
protected:
    void record(const PhotoOutcome& outcome) override { outcomes.push_back(outcome); }
    std::vector<PhotoOutcome> outcomes;
};

TEST_F(GroupedWriteBack, OutcomesComeInOrderOnceTheGroupEnds)
{
    writeBackShifted(2);
    engine.setRecorder(this);
    for (const char* second : {"1", "2", "3"}) {
        makeJpeg(dir / (second + std::string(".jpg")), std::string("2010:07:14 18:05:0") + second);
        engine.processSet({{dir / (second + std::string(".jpg"))}, {}});
    }
    EXPECT_TRUE(outcomes.empty()) << "recorded before its date was written";
    const fs::path changed = dir / "2010-07-14__20-05-02.jpg";
    fs::last_write_time(changed, fs::last_write_time(changed) - std::chrono::hours(1));
    engine.finishBatch();

    ASSERT_EQ(outcomes.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        const std::string second = std::to_string(i + 1);
        EXPECT_EQ(outcomes[i].source, dir / (second + ".jpg"));
        EXPECT_EQ(outcomes[i].newDate, i == 1 ? "" : "2010:07:14 20:05:0" + second);
        EXPECT_EQ(readCaptureDates(outcomes[i].target).dateTimeOriginal,
                  (i == 1 ? "2010:07:14 18:05:0" : "2010:07:14 20:05:0") + second);
    }
    EXPECT_EQ(outcomes[1].error, "Error during image save.");
    EXPECT_EQ(log.lines(), std::vector<std::string>{"***Could not write the image file " + changed.native() +
                                                    ": patch: Resource temporarily unavailable (errno 11) ***"});
    ASSERT_EQ(host.alerts().size(), 1u);
    EXPECT_EQ(host.alerts()[0].text, "Error during image save.");
}

} // namespace
