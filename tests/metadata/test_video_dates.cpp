// SPDX-License-Identifier: GPL-3.0-or-later
#include "metadata/VideoDates.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>

namespace fs = std::filesystem;
using namespace velmora;
using namespace velmora::test;

namespace {

using VideoRenameTest = EngineTest;

const uint64_t kRecorded = 3705387630; // 2021-06-01 10:20:30 UTC, in seconds since 1904

struct EastOfUtc { // three hours east while it lives, so that a time left in UTC shows
    EastOfUtc() { ::setenv("TZ", "UTC-3", 1), ::tzset(); }
    ~EastOfUtc() { ::unsetenv("TZ"), ::tzset(); }
};

std::string be(uint64_t value, int bytes)
{
    return bytes ? be(value >> 8, bytes - 1) + static_cast<char>(value) : "";
}
const auto box = [](const std::string& type, const std::string& body) { return be(body.size() + 8, 4) + type + body; };
const auto mvhd = [](int version, uint64_t time) {
    return box("mvhd", be(version << 24, 4) + be(time, 4 + 4 * version));
};

// The QuickTime creation date as key 1 of a "meta" box, with or without the ISO version and flags.
std::string keysMeta(const std::string& date, bool iso)
{
    const std::string key = "com.apple.quicktime.creationdate";
    const std::string keys = box("keys", be(1, 8) + be(key.size() + 8, 4) + "mdta" + key);
    const std::string ilst = box("ilst", box(be(1, 4), box("data", be(1, 4) + be(0, 4) + date)));
    return box("meta", be(0, iso ? 4 : 0) + box("hdlr", be(0, 8) + "mdta") + keys + ilst);
}

// A one-frame video made by ffmpeg.
void makeVideo(const fs::path& path, const std::string& options)
{
    const std::string make = "ffmpeg -loglevel error -f lavfi -i color=s=16x16:d=0.04 -frames:v 1 -c:v mpeg4 " +
                             options + " '" + path.native() + "'";
    ASSERT_EQ(std::system(make.c_str()), 0) << make;
}

const std::string kMovieTags = "-metadata creation_time=2021-06-01T10:20:30Z";
const std::string kZonedTags = "-movflags use_metadata_tags " + kMovieTags +
                               " -metadata com.apple.quicktime.creationdate=2021-06-01T12:20:30+0200";

TEST(VideoDateTest, ZonedDateAsWrittenElseTheMovieHeaderInLocalTimeElseNone)
{
    const EastOfUtc zone;
    const std::string ftyp = box("ftyp", "qt  " + be(0, 4) + "qt  "), local = "2021:06:01 13:20:30";
    const std::string moov = box("moov", mvhd(0, kRecorded)), zoned = "2021-06-01T08:20:30-02:00";
    const std::string xmpUuid = "\xbe\x7a\xcf\xcb\x97\xa9\x42\xe8\x9c\x71\x99\x94\x91\xe3\xaf\xac";
    const struct {
        const char* what;
        std::string bytes;
        std::optional<std::string> date;
    } cases[] = {
        {"32-bit header", ftyp + moov, local},
        {"64-bit header", ftyp + box("moov", mvhd(1, kRecorded)), local},
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
        {"XMP in a uuid box", ftyp + moov + box("uuid", xmpUuid + "<xmp:CreateDate>" + zoned + "</xmp:CreateDate>"),
         "2021:06:01 08:20:30"},
        {"XMP in user data",
         ftyp + box("moov", mvhd(0, kRecorded) + box("udta", box("XMP_", "xmp:CreateDate='" + zoned + "'"))),
         "2021:06:01 08:20:30"},
        {"a HEIF photo", box("ftyp", "heic" + be(0, 4) + "mif1heic") + moov, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(locateVideoDate(reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size()), c.date) << c.what;
}

// A photo and clips in one folder: the clips are named (never written into,
// their sidecars with them) only with the preference on.
TEST_F(VideoRenameTest, VideosAreRenamedByTheirDateOnlyWithThePreference)
{
    if (std::system("command -v ffmpeg >/dev/null") != 0)
        GTEST_SKIP() << "ffmpeg is absent: install it (tools/install-deps --test)";
    const EastOfUtc zone;
    writeBackShifted(2);
    for (const bool videos : {false, true}) {
        SCOPED_TRACE(videos);
        TempDir folder;
        makeJpeg(folder / "IMG_0001.JPG", "2010:07:14 18:05:09");
        makeVideo(folder / "clip.mp4", kMovieTags);
        makeVideo(folder / "MVI_0002.MOV", kZonedTags);
        const std::string clip = readFile(folder / "clip.mp4");
        writeFile(folder / "MVI_0002.MOV.xmp", "<x:xmpmeta/>");
        host.stored.renameVideos = videos;
        alertLatch = false;
        const size_t alerts = host.alerts().size();
        walkInto(engine, {folder.path()});
        const Names off = {"2010-07-14__20-05-09.JPG", "MVI_0002.MOV", "MVI_0002.MOV.xmp", "clip.mp4"};
        const Names on = {"2010-07-14__20-05-09.JPG", "2021-06-01__14-20-30.MOV", "2021-06-01__14-20-30.MOV.xmp",
                          "2021-06-01__15-20-30.mp4"};
        EXPECT_EQ(listNames(folder.path()), videos ? on : off);
        // Without the preference the clips are files without a date, as ever.
        EXPECT_EQ(host.alerts().size(), alerts + !videos);
        EXPECT_EQ(readFile(folder / (videos ? on : off)[3]), clip);
    }
    const Names lines = log.lines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](auto& l) { return l.ends_with("a video is renamed only"); }),
              2);
}

} // namespace
