// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ProcessSupport.h"
#include "support/TestSupport.h"

#include "engine/DateText.h"
#include "platform/ExifDateWriter.h"
#include "platform/MetadataReader.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iostream>
#include <sstream>

namespace fs = std::filesystem;
using namespace velmora;
using namespace velmora::test;

namespace {

// The dated camera photos of exiv2's test data, as exiftool lists them: every
// row with a DateTimeOriginal that is an image, not a metadata file.
std::vector<std::string> datedPhotos(const fs::path& table)
{
    std::vector<std::string> names;
    std::ifstream in(table);
    std::string line;
    std::getline(in, line); // the header
    while (std::getline(in, line)) {
        std::istringstream row(line);
        std::string file, date, type;
        std::getline(row, file, '\t');
        std::getline(row, date, '\t');
        std::getline(row, type, '\t');
        if (date != "-" && type != "EXV" && type != "XMP")
            names.push_back(file);
    }
    return names;
}

// Tags that describe the file rather than its content, tags derived from
// others, and where a rewritten file lays its parts out.
bool isLayout(const QString& key)
{
    static const QStringList groups = {"System:", "Composite:", "ExifTool:"};
    static const QStringList suffixes = {"Offset", "Offsets", "Start", "File:ExifByteOrder"};
    return key == "SourceFile" ||
           std::any_of(groups.begin(), groups.end(), [&](auto& g) { return key.startsWith(g); }) ||
           std::any_of(suffixes.begin(), suffixes.end(), [&](auto& s) { return key.endsWith(s); });
}

// What differs between exiftool's dumps of a photo before and after, layout aside.
std::vector<std::string> differences(const QJsonObject& before, const QJsonObject& after)
{
    std::vector<std::string> changed;
    QStringList keys = before.keys() + after.keys();
    keys.removeDuplicates();
    for (const QString& key : keys)
        if (!isLayout(key) && before.value(key) != after.value(key))
            changed.push_back(key.toStdString() + " [" + before.value(key).toVariant().toString().toStdString() +
                              "] -> [" + after.value(key).toVariant().toString().toStdString() + "]");
    return changed;
}

// +2 h into DateTimeOriginal, and into DateTimeDigitized where the photo has
// it, of every dated photo; exiftool's full dump (maker notes included)
// before and after shows only that one tag changed, by exactly the shift.
TEST(SampleWriteBack, EveryDatedCameraPhotoTakesTheShiftAndNothingElseChanges)
{
    const fs::path samples = fs::path(VELMORA_SAMPLES);
    if (!fs::exists(samples / "exiv2-testdata.tsv"))
        GTEST_SKIP() << "no sample photos at " << samples << ": the write-back check over real photos is skipped";
    const std::vector<std::string> names = datedPhotos(samples / "exiv2-testdata.tsv");
    ASSERT_FALSE(names.empty());

    TempDir dir;
    struct Pass {
        bool digitized;
        const char* tag;
        int tried = 0, written = 0;
        std::vector<std::string> notWritten;
    };
    Pass passes[] = {{false, "ExifIFD:DateTimeOriginal", 0, 0, {}}, {true, "ExifIFD:CreateDate", 0, 0, {}}};
    std::vector<fs::path> originals, copies;
    std::map<std::string, std::pair<std::string, std::string>> expected; // copy -> original, new date
    for (Pass& pass : passes) {
        const fs::path folder = dir / (pass.digitized ? "digitized" : "original");
        fs::create_directory(folder);
        for (const std::string& name : names) {
            const fs::path original = samples / "exiv2-testdata" / name;
            const fs::path copy = folder / name;
            fs::copy_file(original, copy);
            const CaptureDates dates = readCaptureDates(copy);
            const auto& date = pass.digitized ? dates.dateTimeDigitized : dates.dateTimeOriginal;
            if (pass.digitized && !date)
                continue; // no such field to shift
            ++pass.tried;
            const auto shifted = date && isUsableCaptureDate(*date) ? shiftCaptureDate(*date, 2) : std::nullopt;
            const ExifWriteResult result = shifted ? writeExifDate(copy, *shifted, pass.digitized)
                                                   : ExifWriteResult{ExifWriteResult::Status::NoImageSource,
                                                                     "no date read: [" + date.value_or("none") + "]"};
            if (result.status != ExifWriteResult::Status::Written) {
                pass.notWritten.push_back(name + ": " + result.detail);
                continue;
            }
            ++pass.written;
            originals.push_back(original);
            copies.push_back(copy);
            expected[copy.native()] = {original.native(), *shifted};
        }
    }

    auto before = exiftoolTags(originals);
    auto after = exiftoolTags(copies);
    for (Pass& pass : passes) {
        const std::string folder = (dir / (pass.digitized ? "digitized" : "original")).native();
        for (const auto& [copy, want] : expected) {
            if (copy.rfind(folder + "/", 0) != 0)
                continue;
            SCOPED_TRACE(copy);
            std::vector<std::string> changed = differences(before[want.first], after[copy]);
            const std::string only = std::string(pass.tag) + " [" +
                                     before[want.first].value(pass.tag).toString().toStdString() + "] -> [" +
                                     want.second + "]";
            EXPECT_EQ(changed, std::vector<std::string>{only});
        }
        std::cout << (pass.digitized ? "DateTimeDigitized" : "DateTimeOriginal") << ": written " << pass.written
                  << " of " << pass.tried << "\n";
        for (const std::string& line : pass.notWritten)
            std::cout << "  not written: " << line << "\n";
    }
    EXPECT_GE(passes[0].written, 85);
}

} // namespace
