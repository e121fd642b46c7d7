// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/CorpusGenerator.h"

#include "files/Platform.h"

#include <exiv2/exiv2.hpp>

#include <QBuffer>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <fcntl.h>
#include <random>
#include <stdexcept>
#include <string_view>
#include <unistd.h>

namespace fs = std::filesystem;

namespace velmora::bench {
namespace {

constexpr std::string_view kPlaceholder = "2000:01:01 00:00:00";

std::string encodeJpeg(int width, int height)
{
    // A gradient under light noise: compresses like a photo, about 12 KB at
    // 400x300 and about 4 MB at 4000x3000.
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, width, height);
    gradient.setColorAt(0, QColor(30, 60, 140));
    gradient.setColorAt(0.5, QColor(200, 170, 90));
    gradient.setColorAt(1, QColor(40, 120, 60));
    painter.fillRect(image.rect(), gradient);
    painter.end();
    std::mt19937 random(7);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int n = static_cast<int>(random() % 25) - 12;
            const QRgb c = line[x];
            line[x] = qRgb(std::clamp(qRed(c) + n, 0, 255), std::clamp(qGreen(c) + n, 0, 255),
                           std::clamp(qBlue(c) + n, 0, 255));
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "JPEG", width > 1000 ? 92 : 60))
        throw std::runtime_error("cannot encode a JPEG");
    return bytes.toStdString();
}

std::string withExif(const std::string& jpeg)
{
    auto image =
        Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte*>(jpeg.data()), static_cast<long>(jpeg.size()));
    image->readMetadata();
    Exiv2::ExifData& exif = image->exifData();
    // A camera's usual set, so that the reader parses a realistic block.
    exif["Exif.Image.Make"] = "Velmora Bench";
    exif["Exif.Image.Model"] = "Generated 1";
    exif["Exif.Image.Orientation"] = uint16_t(1);
    exif["Exif.Image.XResolution"] = Exiv2::URational(72, 1);
    exif["Exif.Image.YResolution"] = Exiv2::URational(72, 1);
    exif["Exif.Image.ResolutionUnit"] = uint16_t(2);
    exif["Exif.Image.Software"] = "velmora_bench";
    exif["Exif.Image.DateTime"] = std::string(kPlaceholder);
    exif["Exif.Photo.ExposureTime"] = Exiv2::URational(1, 125);
    exif["Exif.Photo.FNumber"] = Exiv2::URational(28, 10);
    exif["Exif.Photo.ISOSpeedRatings"] = uint16_t(200);
    exif["Exif.Photo.DateTimeOriginal"] = std::string(kPlaceholder);
    exif["Exif.Photo.DateTimeDigitized"] = std::string(kPlaceholder);
    exif["Exif.Photo.FocalLength"] = Exiv2::URational(50, 1);
    exif["Exif.Photo.ColorSpace"] = uint16_t(1);
    image->writeMetadata();
    Exiv2::BasicIo& io = image->io();
    io.open();
    const Exiv2::DataBuf buf = io.read(static_cast<long>(io.size()));
    io.close();
    return std::string(reinterpret_cast<const char*>(buf.pData_), static_cast<size_t>(buf.size_));
}

void writeWhole(const fs::path& path, std::string_view data)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || ::write(fd, data.data(), data.size()) != static_cast<ssize_t>(data.size()) || ::close(fd) != 0)
        throw std::runtime_error("cannot write " + path.native());
}

} // namespace

std::string captureDateOf(size_t index)
{
    // 37 s apart from 2015-06-01 08:00:00; every 20th photo shares the second
    // of the one before it.
    const size_t step = index % 20 == 19 ? index - 1 : index;
    long long t = 8 * 3600 + static_cast<long long>(step) * 37;
    const long long day = t / 86400;
    t %= 86400;
    // Days from 2015-06-01, through a plain civil calendar (no time zones).
    int y = 2015, m = 6, d = 1;
    static constexpr int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (long long i = 0; i < day; ++i) {
        const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
        const int len = m == 2 && leap ? 29 : lengths[m - 1];
        if (++d > len) {
            d = 1;
            if (++m > 12) {
                m = 1;
                ++y;
            }
        }
    }
    char text[64];
    std::snprintf(text, sizeof text, "%04d:%02d:%02d %02lld:%02lld:%02lld", y, m, d, t / 3600, t / 60 % 60, t % 60);
    return text;
}

CorpusManifest generateCorpus(const fs::path& folder, size_t count, int width, int height)
{
    initializePlatform();
    fs::create_directories(folder);
    const std::string plain = encodeJpeg(width, height);
    std::string tagged = withExif(plain);
    std::vector<size_t> spots;
    for (size_t at = tagged.find(kPlaceholder); at != std::string::npos; at = tagged.find(kPlaceholder, at + 1))
        spots.push_back(at);
    if (spots.size() < 3)
        throw std::runtime_error("the EXIF template lacks its dates");

    CorpusManifest manifest;
    char name[64];
    for (size_t i = 0; i < count; ++i) {
        std::snprintf(name, sizeof name, "IMG_%06zu.JPG", i);
        if (i % 2000 == 7) {
            writeWhole(folder / name, plain);
            ++manifest.withoutExif;
            continue;
        }
        const std::string date = captureDateOf(i);
        for (const size_t at : spots)
            tagged.replace(at, kPlaceholder.size(), date);
        writeWhole(folder / name, tagged);
        ++manifest.photos;
        if (i % 20 == 19)
            manifest.sharedSecond += 2;
    }
    writeWhole(folder / "notes.txt", "Holiday 2015: the photos of the first week.\n");
    writeWhole(folder / "IMG_BROKEN.JPG", "this is not a JPEG at all\n");
    writeWhole(folder / "IMG_EMPTY.JPG", "");
    manifest.notImages = 3;
    return manifest;
}

} // namespace velmora::bench
