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
    std::string line, file, date, type;
    std::getline(in, line); // the header
    while (std::getline(in, line)) {
        std::istringstream row(line);
        std::getline(std::getline(std::getline(row, file, '\t'), date, '\t'), type, '\t');
        if (date != "-" && type != "EXV" && type != "XMP")
            names.push_back(file);
    }
    return names;
}

// What differs between exiftool's dumps of a photo before and after, leaving
// out what describes the file rather than its content, derived tags, and
// where a rewritten file lays its parts out.
std::vector<std::string> differences(const QJsonObject& before, const QJsonObject& after)
{
    const auto isLayout = [](const QString& key) {
        return key == "SourceFile" || key.startsWith("System:") || key.startsWith("Composite:") ||
               key.startsWith("ExifTool:") || key.endsWith("Offset") || key.endsWith("Offsets") ||
               key.endsWith("Start") || key == "File:ExifByteOrder";
    };
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
    TempDir dir;
    int written[2] = {0, 0};
    for (const bool digitized : {false, true}) {
        const char* tag = digitized ? "ExifIFD:CreateDate" : "ExifIFD:DateTimeOriginal";
        const fs::path folder = dir / tag;
        fs::create_directory(folder);
        int tried = 0;
        std::vector<fs::path> originals, copies;
        std::vector<std::string> shifts;
        for (const std::string& name : names) {
            const fs::path original = samples / "exiv2-testdata" / name, copy = folder / name;
            fs::copy_file(original, copy);
            const CaptureDates dates = readCaptureDates(copy);
            const auto& date = digitized ? dates.dateTimeDigitized : dates.dateTimeOriginal;
            if (digitized && !date)
                continue; // no such field to shift
            ++tried;
            const auto shifted = date && isUsableCaptureDate(*date) ? shiftCaptureDate(*date, 2) : std::nullopt;
            const ExifWriteResult result = shifted ? writeExifDate(copy, *shifted, digitized)
                                                   : ExifWriteResult{ExifWriteResult::Status::NoImageSource,
                                                                     "no date read: [" + date.value_or("none") + "]"};
            if (result.status != ExifWriteResult::Status::Written) {
                std::cout << "  not written: " << name << ": " << result.detail << "\n";
                continue;
            }
            originals.push_back(original);
            copies.push_back(copy);
            shifts.push_back(*shifted);
        }
        auto before = exiftoolTags(originals);
        auto after = exiftoolTags(copies);
        for (size_t i = 0; i < copies.size(); ++i) {
            const QJsonObject& old = before[originals[i].native()];
            EXPECT_EQ(differences(old, after[copies[i].native()]),
                      std::vector<std::string>{std::string(tag) + " [" + old.value(tag).toString().toStdString() +
                                               "] -> [" + shifts[i] + "]"})
                << copies[i];
        }
        written[digitized] = static_cast<int>(copies.size());
        std::cout << (digitized ? "DateTimeDigitized" : "DateTimeOriginal") << ": written " << copies.size() << " of "
                  << tried << "\n";
    }
    EXPECT_GE(written[0], 85);
}

} // namespace
