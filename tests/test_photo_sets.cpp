// SPDX-License-Identifier: GPL-3.0-or-later
// A folder as a camera and a raw editor leave it, renamed through the real
// walk and engine: pairs and their sidecars keep one name and one number, a
// burst keeps the camera's order, and a photo that already has its name stays.
#include "engine/BatchWalk.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace fs = std::filesystem;
using namespace velmora;
using namespace velmora::test;

namespace {

using NameMap = std::map<std::string, std::string>;

std::string twoDigits(int i)
{
    return (i < 10 ? "0" : "") + std::to_string(i);
}

const std::string kPair = "2010:07:14 18:05:09", kBurst = "2011:01:01 10:00:00", kLive = "2012:02:02 12:00:00";

class PhotoSetsTest : public EngineTest {
protected:
    // Every file gets distinct bytes (the digitized date, or the sidecar's
    // text), so that its new name can be traced back to its old one.
    void makeCameraFolder()
    {
        int n = 0;
        auto digitized = [&n] { return "2001:01:01 00:00:" + twoDigits(n++); };
        makeTiff(dir / "IMG_0001.CR2", kPair, digitized());
        makeJpeg(dir / "IMG_0001.JPG", kPair, digitized());
        makeTiff(dir / "IMG_0002.NEF", kPair, digitized()); // another pair in the same second
        makeJpeg(dir / "IMG_0002.JPG", kPair, digitized());
        for (int i = 1; i <= 12; ++i)
            makeJpeg(dir / ("BURST_" + twoDigits(i) + ".JPG"), kBurst, digitized());
        makeJpeg(dir / "IMG_0100.JPG", kLive, digitized());
        makeJpeg(dir / "NODATE.JPG", std::nullopt, digitized());
        for (const char* name : {"IMG_0001.CR2.xmp", "IMG_0001.xmp", "IMG_0002.NEF.XMP", "IMG_0100.MOV",
                                 "IMG_0100.JPG.pp3", "NODATE.JPG.xmp"})
            writeFile(dir / name, name);
    }

    // Name by content: every file's bytes are its own.
    NameMap namesByContent() const
    {
        NameMap result;
        for (const std::string& name : listNames(dir.path()))
            result[readFile(dir / name)] = name;
        return result;
    }

    void walk(const std::vector<fs::path>& batchList, bool keepSetsTogether)
    {
        NullSink sink;
        walkBatch(
            batchList, [this](const PhotoSet& set) { engine.processSet(set); }, sink, {}, keepSetsTogether);
    }
};

TEST_F(PhotoSetsTest, CameraFolderBeforeAndAfter)
{
    const std::string pair = "2010-07-14__18-05-09", burst = "2011-01-01__10-00-00", live = "2012-02-02__12-00-00";
    NameMap common{{"IMG_0001.CR2", pair + ".CR2"},    {"IMG_0001.JPG", pair + ".JPG"},
                   {"IMG_0002.JPG", pair + "__1.JPG"}, {"IMG_0100.JPG", live + ".JPG"},
                   {"NODATE.JPG", "NODATE.JPG"},       {"NODATE.JPG.xmp", "NODATE.JPG.xmp"},
                   {"BURST_01.JPG", burst + ".JPG"}};
    for (int i = 2; i <= 12; ++i)
        common["BURST_" + twoDigits(i) + ".JPG"] = burst + "__" + std::to_string(i - 1) + ".JPG";
    auto with = [&](NameMap more) {
        more.insert(common.begin(), common.end());
        return more;
    };
    struct Case {
        const char* title;
        bool keepSetsTogether;
        NameMap expected;
        size_t missingDateLines;
    } cases[] = {
        {"together", true,
         with({{"IMG_0001.CR2.xmp", pair + ".CR2.xmp"},
               {"IMG_0001.xmp", pair + ".xmp"},
               {"IMG_0002.NEF", pair + "__1.NEF"},
               {"IMG_0002.NEF.XMP", pair + "__1.NEF.XMP"},
               {"IMG_0100.MOV", live + ".MOV"},
               {"IMG_0100.JPG.pp3", live + ".JPG.pp3"}}),
         1},
        // File by file: the second pair splits and the sidecars stay, each one a file without a date.
        {"file by file", false,
         with({{"IMG_0001.CR2.xmp", "IMG_0001.CR2.xmp"},
               {"IMG_0001.xmp", "IMG_0001.xmp"},
               {"IMG_0002.NEF", pair + ".NEF"},
               {"IMG_0002.NEF.XMP", "IMG_0002.NEF.XMP"},
               {"IMG_0100.MOV", "IMG_0100.MOV"},
               {"IMG_0100.JPG.pp3", "IMG_0100.JPG.pp3"}}),
         7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        for (const std::string& name : listNames(dir.path()))
            fs::remove(dir / name);
        makeCameraFolder();
        const NameMap before = namesByContent();
        LogCapture caseLog;
        runDialog = false;
        const size_t alertsBefore = host.alerts().size();

        walk({dir.path()}, c.keepSetsTogether);
        NameMap renamed; // old name -> new name
        for (const auto& [bytes, name] : namesByContent())
            renamed[before.at(bytes)] = name;
        EXPECT_EQ(renamed, c.expected);
        const auto lines = caseLog.lines();
        EXPECT_EQ(lines.size(), c.missingDateLines);
        EXPECT_NE(std::find(lines.begin(), lines.end(),
                            "*** File " + (dir / "NODATE.JPG").native() + " doesn't have EXIF data! ***"),
                  lines.end());
        EXPECT_EQ(host.alerts().size(), alertsBefore + 1); // the latched missing-date alert
    }
}

// The photo that already has its name is left alone, however the path to it is written.
TEST_F(PhotoSetsTest, PhotoWithItsNameStaysWhateverTheSlashes)
{
    const std::string named = "2010-07-14__18-05-09.JPG";
    makeJpeg(dir / named, kPair);
    makeTiff(dir / "2010-07-14__18-05-09.CR2", kPair, kPair);
    const auto before = listNames(dir.path());
    const std::string folder = dir.path().native();
    for (const std::string& path :
         {folder + "/", folder + "//", "/" + folder, folder + "//" + named, folder + "/./" + named})
        for (const bool together : {true, false}) {
            SCOPED_TRACE(path);
            walk({path}, together);
            EXPECT_EQ(listNames(dir.path()), before);
        }
    EXPECT_TRUE(log.lines().empty());
    EXPECT_TRUE(host.alerts().empty());
}

} // namespace
