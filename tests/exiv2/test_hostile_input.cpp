// SPDX-License-Identifier: GPL-3.0-or-later
#include "exiv2/ExifHelper.h"
#include "exiv2/HelperPool.h"
#include "files/UniqueFd.h"
#include "metadata/VideoSniff.h"
#include "support/TestSupport.h"

#include <QImage>
#include <QProcess>

#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace velmora;
using namespace velmora::test;

namespace {

using HostileInputTest = EngineTest;

TEST_F(HostileInputTest, FilesThatAreNoPhotosAreLeftAsTheyAreWithoutBlockingTheBatch)
{
    const fs::path trip = dir / "trip";
    fs::create_directory(trip);
    makeJpeg(trip / "IMG_0001.JPG", "2010:07:14 18:05:09");
    const std::string whole = readFile(trip / "IMG_0001.JPG");
    // A link is renamed as a link, not followed.
    makeJpeg(dir / "IMG_0002.JPG", "2011:01:02 03:04:05");
    fs::create_symlink("../IMG_0002.JPG", trip / "link.JPG");
    const std::map<std::string, std::string> regular = {
        {"cut-exif.jpg", whole.substr(0, 40)},
        {"empty.jpg", ""},
        // Its IFD0 holds only the EXIF pointer, back at IFD0, and its next IFD is itself too.
        {"loop.jpg", std::string("\xFF\xD8\xFF\xE1\0\x22"
                                 "Exif\0\0II*\0\x08\0\0\0\x01\0\x69\x87\x04\0\x01\0\0\0"
                                 "\x08\0\0\0\x08\0\0\0\xFF\xD9",
                                 40)},
    };
    for (const auto& [name, content] : regular)
        writeFile(trip / name, content);
    writeFile(trip / "huge.jpg", std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00", 11));
    fs::resize_file(trip / "huge.jpg", 100 << 20);             // sparse: 100 MB of nothing behind a JPEG signature
    ASSERT_EQ(::mkfifo((trip / "fifo.jpg").c_str(), 0644), 0); // no writer: a plain open() would wait for ever
    ASSERT_EQ(::mknod((trip / "null.jpg").c_str(), S_IFCHR | 0644, makedev(1, 3)), 0) << "tests run as root";

    walkInto(engine, {trip}, false);

    EXPECT_EQ(listNames(trip),
              (std::vector<std::string>{"2010-07-14__18-05-09.JPG", "2011-01-02__03-04-05.JPG", "cut-exif.jpg",
                                        "empty.jpg", "fifo.jpg", "huge.jpg", "loop.jpg", "null.jpg"}));
    for (const auto& [name, content] : regular)
        EXPECT_EQ(readFile(trip / name), content) << name;
    EXPECT_EQ(fs::file_size(trip / "huge.jpg"), 100u << 20);
    EXPECT_TRUE(fs::is_symlink(trip / "2011-01-02__03-04-05.JPG"));
    EXPECT_EQ(host.alerts().size(), 1u);
    EXPECT_EQ(log.lines().size(), 6u);
}

TEST(VideoSniffTest, VideosAreToldFromPhotosByTheirFirstBytes)
{
    auto ftyp = [](const std::string& major, const std::string& compatible) {
        const std::string body = major + std::string(4, '\0') + compatible;
        return std::string("\0\0\0", 3) + static_cast<char>(8 + body.size()) + "ftyp" + body;
    };
    std::string transport(400, '\0');
    transport[0] = transport[188] = transport[376] = 'G';
    const std::pair<std::string, bool> cases[] = {
        {ftyp("qt  ", "qt  "), true},
        {ftyp("isom", "isomiso2avc1mp41"), true},
        {std::string("\0\0\0\x08moov", 8), true}, // QuickTime without ftyp
        {std::string("RIFF\0\0\0\0AVI LIST", 16), true},
        {"\x1A\x45\xDF\xA3\x01", true},                                                              // Matroska, WebM
        {std::string("\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", 16), true}, // ASF
        {transport, true},
        {ftyp("heic", "mif1heic"), false},
        {ftyp("isom", "mif1"), false}, // HEIF by a compatible brand
        {ftyp("crx ", "crx isom"), false},
        {"G", false}, // too short to tell
    };
    for (const auto& [head, video] : cases)
        EXPECT_EQ(isVideoContainer({reinterpret_cast<const uint8_t*>(head.data()), head.size()}), video) << head;
}

// Each probe in a helper of its own: a forbidden call ends it by SIGSYS before it prints its line.
// Its standard descriptors are /dev/null, not ours.
TEST(ExifHelperConfinementTest, HelperReachesOnlyItselfAndItsDescriptors)
{
    std::string error;
    std::unique_ptr<HelperProcess> p = helperPool().take(error);
    ASSERT_TRUE(p) << error;
    for (int fd = 0; fd < 3; ++fd)
        EXPECT_EQ(fs::read_symlink("/proc/" + std::to_string(p->pid) + "/fd/" + std::to_string(fd)), "/dev/null") << fd;
    helperPool().giveBack(std::move(p));
    // "stat" asks for a path with AT_EMPTY_PATH; "signal-self" is what abort() does; "signal-other"
    // signals its parent, another process of the user. No result: killed.
    const std::pair<const char*, const char*> cases[] = {
        {"open", "Permission denied"}, {"stat", "Permission denied"}, {"fstat", "allowed"},
        {"signal-self", "allowed"},    {"signal-other", nullptr},     {"socket", nullptr},
    };
    for (const auto& [probe, result] : cases) {
        SCOPED_TRACE(probe);
        QProcess helper;
        helper.start(QStringLiteral(VELMORA_HELPER), {QStringLiteral("--check-confinement"), QString(probe)});
        ASSERT_TRUE(helper.waitForFinished(10000));
        const std::string out = helper.readAllStandardOutput().toStdString();
        if (out.starts_with("seccomp: off"))
            GTEST_SKIP() << out;
        const std::string line = std::string(probe) + ": " + (result ? result : "");
        EXPECT_EQ(helper.exitStatus(), result ? QProcess::NormalExit : QProcess::CrashExit);
        EXPECT_EQ(out, "seccomp: on\n" + (result ? line + "\n" : "")) << out;
    }
}

// An installed Velmora whose helper is missing must not run one from elsewhere (the build's folder).
TEST(ExifHelperLocationTest, HelperIsLookedForBesideTheProgramThenInItsLibexecOnly)
{
    const TempDir dir;
    const fs::path bin = dir / "bin", libexec = dir / "libexec/velmora/velmora-helper";
    fs::create_directories(libexec.parent_path());
    fs::create_directory(bin);
    EXPECT_EQ(findHelper(bin), bin / "velmora-helper"); // none: it fails to start, naming that path
    for (const fs::path& helper : {libexec, bin / "velmora-helper"}) {
        writeFile(helper, "#!/bin/sh\n");
        fs::permissions(helper, fs::perms::owner_exec, fs::perm_options::add);
        EXPECT_EQ(fs::path(findHelper(bin)).lexically_normal(), helper);
    }
}

// A helper that has read a photo may be under its control: it never decides the bytes of another one.
TEST_F(HostileInputTest, RebuildRunsInAHelperThatHasReadNoOtherPhoto)
{
    const fs::path photo = dir / "IMG_0001.PNG";
    testPattern(32, 24).save(QString::fromStdString(photo.native()), "PNG");
    setExifDates(photo, "2010:07:14 18:05:09", std::nullopt);
    const UniqueFd fd(::open(photo.c_str(), O_RDONLY | O_CLOEXEC));
    const auto ask = [&](helper::RequestKind kind) {
        const std::string date = kind == helper::RequestKind::Rebuild ? "2011:01:02 03:04:05" : "";
        const HelperAnswer answer = askExifHelper({kind, false, date, {}}, fd.get(), fs::file_size(photo));
        EXPECT_EQ(answer.outcome, HelperAnswer::Outcome::Answered) << answer.what;
        return answer.helper;
    };
    using enum helper::RequestKind;
    const pid_t reader = ask(ReadDates);
    const pid_t rebuilders[] = {ask(Rebuild), ask(Rebuild)};
    EXPECT_EQ(ask(ReadDates), reader);
    EXPECT_NE(rebuilders[0], reader);
    EXPECT_NE(rebuilders[1], reader);
    EXPECT_NE(rebuilders[0], rebuilders[1]);
}

// A helper that hangs, crashes or is waited on at quit costs one photo, and the next photo gets a fresh
// helper. exiv2 0.27.6 loops forever on the first two videos and corrupts its heap on the others: whether
// that ends the process depends on the memory's layout, and a sanitizer build's helper is slow to report.
TEST_F(HostileInputTest, HelperThatDoesNotAnswerCostsOnePhotoAndIsReplaced)
{
    const fs::path photo = dir / "IMG_0001.PNG"; // the locator leaves a PNG without eXIf chunk to exiv2
    testPattern(32, 24).save(QString::fromStdString(photo.native()), "PNG");
    setExifDates(photo, "2010:07:14 18:05:09", std::nullopt);
    const fs::path samples = fs::path(VELMORA_SAMPLES) / "exiv2-testdata";
    using Outcome = HelperAnswer::Outcome;
    const std::tuple<fs::path, std::chrono::milliseconds, bool, std::optional<Outcome>> cases[] = {
        {photo, 0ms, false, Outcome::TimedOut},
        {photo, 5s, true, Outcome::Stopped},
        {samples / "issue_2393_poc.mp4", 1s, false, Outcome::TimedOut},
        {samples / "issue_ghsa_crmj_qh74_2r36_poc.mov", 1s, false, Outcome::TimedOut},
        {samples / "issue_2366_poc.mp4", 1s, false, std::nullopt},
        {samples / "issue_2376_poc.mp4", 1s, false, std::nullopt},
        {samples / "issue_2377_poc.mp4", 1s, false, std::nullopt},
        {samples / "issue_2383_poc.mp4", 1s, false, std::nullopt},
    };
    for (const auto& [file, limit, quitting, outcome] : cases) {
        SCOPED_TRACE(file);
        if (!fs::exists(file))
            continue; // no samples here
        setExifHelperTimeLimit(limit);
        std::stop_source quit;
        if (quitting)
            quit.request_stop();
        const UniqueFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
        const HelperAnswer lost = [&] {
            const HelperStopScope scope(quit.get_token());
            return askExifHelper({helper::RequestKind::ReadDates, false, {}, {}}, fd.get(), fs::file_size(file));
        }();
        setExifHelperTimeLimit(5s);
        EXPECT_EQ(lost.outcome, outcome.value_or(lost.outcome)) << lost.what;
        EXPECT_FALSE(lost.outcome == Outcome::Answered && (lost.reply.flags & helper::Reply::kHasFirst));
        EXPECT_EQ(readCaptureDatesWithExiv2(photo).dateTimeOriginal, "2010:07:14 18:05:09");
    }
    // A video never reaches exiv2 in the first place; a photo that costs its helper is logged.
    setExifHelperTimeLimit(0ms);
    EXPECT_FALSE(readCaptureDatesWithExiv2(samples / "issue_2393_poc.mp4").dateTimeOriginal);
    EXPECT_FALSE(readCaptureDatesWithExiv2(photo).dateTimeOriginal);
    setExifHelperTimeLimit(5s);
    EXPECT_EQ(log.lines(), std::vector<std::string>{"*** File " + photo.native() +
                                                    ": the exiv2 helper took longer than 0 ms and was killed ***"});
}

} // namespace
