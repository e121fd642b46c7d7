// SPDX-License-Identifier: GPL-3.0-or-later
// Videos named by their recorded date: which date, hostile boxes, and a batch
// with the preference on and off.
#include "metadata/VideoDates.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace velmora;
using namespace velmora::test;

namespace {

using Names = std::vector<std::string>;

using VideoRenameTest = EngineTest;

const uint64_t kRecorded = 3705387630; // 2021-06-01 10:20:30 UTC, in seconds since 1904

// Three hours east of UTC while it lives, so that a time left in UTC shows.
struct EastOfUtc {
    EastOfUtc() { setTimeZone("UTC-3"); }
    ~EastOfUtc() { setTimeZone(nullptr); }
    static void setTimeZone(const char* zone)
    {
        zone ? ::setenv("TZ", zone, 1) : ::unsetenv("TZ");
        ::tzset();
    }
};

std::string be(uint64_t value, int bytes)
{
    std::string out;
    for (int i = bytes - 1; i >= 0; --i)
        out += static_cast<char>(value >> (8 * i));
    return out;
}

std::string box(const std::string& type, const std::string& body)
{
    return be(body.size() + 8, 4) + type + body;
}

std::string mvhd(int version, uint64_t created)
{
    return box("mvhd", std::string(1, char(version)) + std::string(3, '\0') + be(created, version ? 8 : 4));
}

// The QuickTime creation date as key 1 of a "meta" box, with or without the ISO version and flags.
std::string keysMeta(const std::string& date, bool iso)
{
    const std::string key = "com.apple.quicktime.creationdate";
    const std::string keys = box("keys", be(0, 4) + be(1, 4) + be(key.size() + 8, 4) + "mdta" + key);
    const std::string ilst = box("ilst", box(be(1, 4), box("data", be(1, 4) + be(0, 4) + date)));
    return box("meta", (iso ? be(0, 4) : "") + box("hdlr", std::string(8, '\0') + "mdta") + keys + ilst);
}

bool hasFfmpeg()
{
    return std::system("command -v ffmpeg >/dev/null 2>&1") == 0;
}

// A one-frame video made by ffmpeg, then given `xmp` as xmp:CreateDate by exiftool.
void makeVideo(const fs::path& path, const std::string& options, const std::string& xmp = "")
{
    const std::string make = "ffmpeg -hide_banner -loglevel error -y -f lavfi -i color=c=black:s=16x16:d=0.04 "
                             "-frames:v 1 -c:v mpeg4 " +
                             options + " '" + path.native() + "'";
    ASSERT_EQ(std::system(make.c_str()), 0) << make;
    const std::string tag = "exiftool -q -overwrite_original '-XMP-xmp:CreateDate=" + xmp + "' '" + path.native() + "'";
    ASSERT_TRUE(xmp.empty() || std::system(tag.c_str()) == 0) << tag;
}

const std::string kMovieTags = "-metadata creation_time=2021-06-01T10:20:30Z";
const std::string kZonedTags = "-movflags use_metadata_tags " + kMovieTags +
                               " -metadata com.apple.quicktime.creationdate=2021-06-01T12:20:30+0200";

TEST(VideoDateTest, ZonedDateAsWrittenElseTheMovieHeaderInLocalTimeElseNone)
{
    const EastOfUtc zone;
    const std::string ftyp = box("ftyp", "qt  " + be(0, 4) + "qt  "), local = "2021:06:01 13:20:30";
    const std::string moov = box("moov", mvhd(0, kRecorded));
    const struct {
        const char* what;
        std::string bytes;
        std::optional<std::string> date;
    } cases[] = {
        {"32-bit header", ftyp + moov, local},
        {"64-bit header", ftyp + box("moov", mvhd(1, kRecorded)), local},
        {"zero time", ftyp + box("moov", mvhd(0, 0)), ""},
        {"Unix zero", ftyp + box("moov", mvhd(0, 2082844800)), ""},
        {"QuickTime's meta", ftyp + box("moov", mvhd(0, kRecorded) + keysMeta("2021-06-01T12:20:30+02:00", false)),
         "2021:06:01 12:20:30"},
        {"no such day: the header",
         ftyp + box("moov", mvhd(0, kRecorded) + keysMeta("2021-02-29T12:20:30+02:00", false)), local},
        {"no zone: the header", ftyp + box("moov", mvhd(0, kRecorded) + keysMeta("2021-06-01T12:20:30Z", true)), local},
        {"movie box to the end", ftyp + be(0, 4) + "moov" + mvhd(0, kRecorded), local},
        {"64-bit box size", ftyp + be(1, 4) + "moov" + be(moov.size() + 8, 8) + moov.substr(8), local},
        {"movie box past the end", ftyp + be(moov.size() + 1, 4) + moov.substr(4), ""},
        {"header cut short", ftyp + box("moov", box("mvhd", std::string(6, '\0'))), ""},
        {"box smaller than its header", ftyp + be(4, 4) + moov.substr(4), ""},
        {"a HEIF photo", box("ftyp", "heic" + be(0, 4) + "mif1heic") + moov, std::nullopt},
    };
    for (const auto& c : cases) {
        const auto* data = reinterpret_cast<const uint8_t*>(c.bytes.data());
        EXPECT_EQ(locateVideoDate(data, c.bytes.size()), c.date) << c.what;
    }
    if (!hasFfmpeg())
        GTEST_SKIP() << "ffmpeg is absent: install it (tools/install-deps --test)";
    const TempDir dir;
    const struct {
        const char* name;
        std::string options, xmp, date;
    } made[] = {
        {"utc.mp4", kMovieTags, "", local},
        {"zoned.mov", kZonedTags, "", "2021:06:01 12:20:30"},
        {"xmp.mp4", kMovieTags, "2021:06:01 08:20:30-02:00", "2021:06:01 08:20:30"},
        {"xmp.mov", kMovieTags, "2021:06:01 08:20:30-02:00", "2021:06:01 08:20:30"},
    };
    for (const auto& m : made) {
        makeVideo(dir / m.name, m.options, m.xmp);
        const int fd = ::open((dir / m.name).c_str(), O_RDONLY | O_CLOEXEC);
        EXPECT_EQ(locateVideoDate(fd, fs::file_size(dir / m.name)), m.date) << m.name;
        ::close(fd);
    }
}

// A photo and clips in one folder: the clips are named (never written into,
// their sidecars with them) only with the preference on.
TEST_F(VideoRenameTest, VideosAreRenamedByTheirDateOnlyWithThePreference)
{
    if (!hasFfmpeg())
        GTEST_SKIP() << "ffmpeg is absent: install it (tools/install-deps --test)";
    const EastOfUtc zone;
    makeVideo(dir / "clip.mp4", kMovieTags);
    makeVideo(dir / "MVI_0002.MOV", kZonedTags);
    const std::string clip = readFile(dir / "clip.mp4");
    host.exifInPhotos = true;
    controls.setFixTimeState(1);
    controls.setTimezonesTitle("+2");
    for (const bool videos : {false, true}) {
        SCOPED_TRACE(videos);
        TempDir folder;
        makeJpeg(folder / "IMG_0001.JPG", "2010:07:14 18:05:09");
        fs::copy(dir / "clip.mp4", folder / "clip.mp4");
        fs::copy(dir / "MVI_0002.MOV", folder / "MVI_0002.MOV");
        writeFile(folder / "MVI_0002.MOV.xmp", "<x:xmpmeta/>");
        host.videos = videos;
        alertLatch = false;
        const size_t alerts = host.alerts().size();
        NullSink sink;
        walkBatch(
            {folder.path()}, [&](const PhotoSet& set) { engine.processSet(set); }, sink, {}, true,
            [&] { engine.finishBatch(); });
        const Names off = {"2010-07-14__20-05-09.JPG", "MVI_0002.MOV", "MVI_0002.MOV.xmp", "clip.mp4"};
        const Names on = {"2010-07-14__20-05-09.JPG", "2021-06-01__14-20-30.MOV", "2021-06-01__14-20-30.MOV.xmp",
                          "2021-06-01__15-20-30.mp4"};
        EXPECT_EQ(listNames(folder.path()), videos ? on : off);
        // Without the preference the clips are files without a date, as ever.
        EXPECT_EQ(host.alerts().size(), alerts + !videos);
        EXPECT_EQ(readFile(folder / (videos ? on : off)[3]), clip);
    }
    const Names lines = log.lines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) { return line.ends_with(": a video is renamed only"); }),
              2);
}

} // namespace
