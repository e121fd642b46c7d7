// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/TestSupport.h"

#include "exiv2/ExifHelper.h"
#include "exiv2/Exiv2Access.h"
#include "exiv2/HelperPool.h"
#include "files/Platform.h"
#include "files/SystemLog.h"

#include <exiv2/exiv2.hpp>

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <fcntl.h>
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
const TempDir stateHome;
[[maybe_unused]] const bool stateHomeSet = ::setenv("XDG_STATE_HOME", stateHome.path().c_str(), 1) == 0;
// Test programs live in build/tests/, where Velmora would not look for its
// helper: they name the one the build made; and they set the process up as main does.
[[maybe_unused]] const bool helperNamed = (useHelperAt(VELMORA_HELPER), initializePlatform(), true);
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
    // Through an ASCII name: QString cannot carry a name that is not valid UTF-8.
    const fs::path scratch = path.parent_path() / ".velmora-test-scratch.jpg";
    if (!testPattern(width, height).save(QString::fromStdString(scratch.native()), "JPEG", 85))
        throw std::runtime_error("cannot write " + path.native());
    if (original || digitized)
        setExifDates(scratch, std::move(original), std::move(digitized));
    fs::rename(scratch, path);
}

void setExifDates(const fs::path& path, std::optional<std::string> original, std::optional<std::string> digitized)
{
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

struct stat statOf(const fs::path& path)
{
    struct stat st {};
    ::lstat(path.c_str(), &st);
    return st;
}

Names listNames(const fs::path& folder)
{
    Names names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().native());
    std::sort(names.begin(), names.end());
    return names;
}

Contents contents(const fs::path& folder)
{
    Contents all;
    for (const std::string& name : listNames(folder))
        if (fs::is_regular_file(folder / name))
            all[name] = readFile(folder / name);
    return all;
}

void EngineTest::SetUpTestSuite()
{
    // Started before any test watches the log: a note about its confinement is no test's line.
    startExifHelper(true);
}

LogCapture::LogCapture()
{
    SystemLog::setObserver([this](std::string_view line) { lines_.add(std::string(line)); });
}

LogCapture::~LogCapture()
{
    SystemLog::setObserver(nullptr);
}

CaptureDates readCaptureDatesWithExiv2(const std::filesystem::path& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return {};
    const CaptureDates dates = exiv2ReadDates(fd);
    ::close(fd);
    return dates;
}

} // namespace velmora::test
