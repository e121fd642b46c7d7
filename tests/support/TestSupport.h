// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/BatchWalk.h"
#include "engine/PhotoEngine.h"
#include "metadata/CaptureDates.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <sys/stat.h>
#include <vector>

class QImage;

namespace velmora::test {

// A fresh folder, removed with everything in it at the end of the test.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// A picture with a gradient and a circle, to be encoded as a photo.
QImage testPattern(int width, int height);
// A real JPEG of the test pattern, with the given EXIF dates set by exiv2.
void makeJpeg(const std::filesystem::path& path, std::optional<std::string> original,
              std::optional<std::string> digitized = std::nullopt, int width = 32, int height = 24);
// Sets the EXIF dates (and a camera make) as a camera would have written them.
void setExifDates(const std::filesystem::path& path, std::optional<std::string> original,
                  std::optional<std::string> digitized);
void writeFile(const std::filesystem::path& path, const std::string& content);
std::string readFile(const std::filesystem::path& path);
// The dates as exiv2 alone reads them: the reference our locator is checked against.
CaptureDates readCaptureDatesWithExiv2(const std::filesystem::path& path);
// The status of `path` itself, not of what a link names; zeroed when there is none.
struct stat statOf(const std::filesystem::path& path);
// Names in a folder, sorted.
using Names = std::vector<std::string>;
Names listNames(const std::filesystem::path& folder);
// The regular files of a folder, name -> bytes.
using Contents = std::map<std::string, std::string>;
Contents contents(const std::filesystem::path& folder);

// Items gathered from any thread.
template <typename T> class Recorded {
public:
    void add(T item)
    {
        std::lock_guard lock(mutex_);
        items_.push_back(std::move(item));
    }
    std::vector<T> all() const
    {
        std::lock_guard lock(mutex_);
        return items_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<T> items_;
};

// Collects the log lines written while it lives.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    std::vector<std::string> lines() const { return lines_.all(); }

private:
    Recorded<std::string> lines_;
};

// The engine's host without a window: records every alert and answers it at once.
class RecordingHost : public EngineHost {
public:
    void showAlert(const AlertRequest& request) override { alerts_.add(request); }
    StoredPreferences storedPreferences() override { return stored; }
    std::vector<AlertRequest> alerts() const { return alerts_.all(); }

    StoredPreferences stored;

private:
    Recorded<AlertRequest> alerts_;
};

class NullSink : public BatchSink {
public:
    void setProgress(double) override {}
    void hideIndicator() override {}
    void setStatusText(const std::string&) override {}
    void setUpTimer() override {}
};

// A batch over `batch` through the real walk, as a drop runs it, to its end.
inline void walkInto(PhotoEngine& engine, const std::vector<std::filesystem::path>& batch, bool keepSetsTogether = true,
                     std::stop_token stop = {})
{
    NullSink sink;
    walkBatch(
        batch, [&](const PhotoSet& set) { engine.processSet(set); }, sink, stop, keepSetsTogether,
        [&] { engine.finishBatch(); });
}

// An engine over a temporary folder, as a batch runs it but without a window:
// the date of capture chosen, every other option off.
class EngineTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    void SetUp() override { controls.setDateSwitchRow(0); }
    // Dates written back into the photos, shifted by `hours` as the pop-up's title says.
    void writeBackShifted(int hours)
    {
        controls.setFixTimeState(1);
        controls.setTimezonesTitle((hours > 0 ? "+" : "") + std::to_string(hours));
        host.stored.changeExifInPhoto = true;
    }

    TempDir dir;
    LiveOptions controls;
    std::atomic<bool> alertLatch{false};
    RecordingHost host;
    PhotoEngine engine{controls, alertLatch, host};
    LogCapture log;
};

} // namespace velmora::test
