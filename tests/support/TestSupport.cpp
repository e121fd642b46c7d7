// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/TestSupport.h"

#include "platform/ExifHelper.h"
#include "platform/Platform.h"
#include "platform/SystemLog.h"

#include <exiv2/exiv2.hpp>

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <unistd.h>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace velmora::test {

namespace {
// Write-back records of a test process, and of the programs it starts, stay
// in a folder of its own, never in the user's.
const TempDir& stateHome()
{
    static const TempDir folder;
    return folder;
}
[[maybe_unused]] const bool stateHomeSet = ::setenv("XDG_STATE_HOME", stateHome().path().c_str(), 1) == 0;
} // namespace

TempDir::TempDir()
{
    std::string pattern = (fs::temp_directory_path() / "velmora-test-XXXXXX").native();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir()
{
    std::error_code ec;
    // Tests take permissions away; give them back so that everything goes.
    for (auto it = fs::recursive_directory_iterator(path_, fs::directory_options::skip_permission_denied, ec);
         it != fs::recursive_directory_iterator(); it.increment(ec))
        if (it->is_directory(ec) && !it->is_symlink(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

QImage testPattern(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, width, height);
    gradient.setColorAt(0, Qt::darkBlue);
    gradient.setColorAt(1, Qt::yellow);
    painter.fillRect(image.rect(), gradient);
    painter.setPen(Qt::red);
    painter.drawEllipse(QRect(width / 4, height / 4, width / 2, height / 2));
    painter.end();
    return image;
}

void makeJpeg(const fs::path& path, std::optional<std::string> original, std::optional<std::string> digitized,
              int width, int height)
{
    const QImage image = testPattern(width, height);
    // Through an ASCII name: QString cannot carry a name that is not valid UTF-8.
    const fs::path scratch = path.parent_path() / ".velmora-test-scratch.jpg";
    if (!image.save(QString::fromStdString(scratch.native()), "JPEG", 85))
        throw std::runtime_error("cannot write " + path.native());
    if (original || digitized)
        setExifDates(scratch, std::move(original), std::move(digitized));
    fs::rename(scratch, path);
}

void setExifDates(const fs::path& path, std::optional<std::string> original, std::optional<std::string> digitized)
{
    initializePlatform();
    auto image = Exiv2::ImageFactory::open(path.native());
    image->readMetadata();
    Exiv2::ExifData& exif = image->exifData();
    exif["Exif.Image.Make"] = "Velmora Test Camera";
    if (original)
        exif["Exif.Photo.DateTimeOriginal"] = *original;
    if (digitized)
        exif["Exif.Photo.DateTimeDigitized"] = *digitized;
    image->writeMetadata();
}

void makeTiff(const fs::path& path, const std::string& original, const std::string& digitized)
{
    // One grey pixel, little-endian: eight entries of IFD0, then the pixel at offset 110.
    std::string tiff("II*\0\x08\0\0\0\x08\0", 10);
    auto entry = [&tiff](uint16_t tag, uint16_t type, uint32_t value) {
        const uint32_t count = 1;
        for (const uint32_t field : {uint32_t(tag) | uint32_t(type) << 16, count, value})
            for (int shift = 0; shift < 32; shift += 8)
                tiff += static_cast<char>(field >> shift & 0xFF);
    };
    const uint16_t kShort = 3, kLong = 4;
    entry(0x100, kShort, 1);  // width
    entry(0x101, kShort, 1);  // height
    entry(0x102, kShort, 8);  // bits per sample
    entry(0x103, kShort, 1);  // no compression
    entry(0x106, kShort, 1);  // black is zero
    entry(0x111, kLong, 110); // strip offset
    entry(0x116, kShort, 1);  // rows per strip
    entry(0x117, kLong, 1);   // strip byte count
    tiff += std::string(4, '\0') + '\x80';
    writeFile(path, tiff);
    setExifDates(path, original, digitized);
}

void writeFile(const fs::path& path, const std::string& content)
{
    std::ofstream out(path, std::ios::binary);
    out << content;
    if (!out)
        throw std::runtime_error("cannot write " + path.native());
}

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::vector<std::string> listNames(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().native());
    std::sort(names.begin(), names.end());
    return names;
}

void EngineTest::SetUpTestSuite()
{
    initializePlatform();
    // Started before any test watches the log: a note about its confinement is no test's line.
    startExifHelper(true);
}

LogCapture::LogCapture()
{
    SystemLog::setObserver([this](std::string_view line) {
        std::lock_guard lock(mutex_);
        lines_.emplace_back(line);
    });
}

LogCapture::~LogCapture()
{
    SystemLog::setObserver(nullptr);
}

std::vector<std::string> LogCapture::lines() const
{
    std::lock_guard lock(mutex_);
    return lines_;
}

void RecordingHost::showAlert(const AlertRequest& request)
{
    std::lock_guard lock(mutex_);
    alerts_.push_back(request);
}

std::vector<AlertRequest> RecordingHost::alerts() const
{
    std::lock_guard lock(mutex_);
    return alerts_;
}

} // namespace velmora::test
