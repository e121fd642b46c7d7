// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the walk and the per-photo operation of a batch headless, exactly the
// code a dropped folder runs, and prints figures. Never asserts a time.
//
//   (corpora come from velmora_corpus DIR COUNT WIDTH HEIGHT)
//   velmora_bench run move|copy|shift|shiftall[+sets] DIR...   (shiftall: every date written back)
//   velmora_bench check-shift MASTER DIR HOURS   (every date of MASTER, shifted, is in DIR)
//   velmora_bench check-reader DIR...            (the date locator agrees with exiv2)
//   velmora_bench helper FILE ROUNDS             (the exiv2 helper: start-up, then per photo)
#include "engine/BatchWalk.h"
#include "engine/LiveOptions.h"
#include "engine/DateText.h"
#include "engine/PhotoEngine.h"
#include "history/HistoryWriter.h"
#include "metadata/DateLocator.h"
#include "exiv2/ExifHelper.h"
#include "exiv2/HelperPool.h"
#include "engine/DateReader.h"
#include "exiv2/Exiv2Access.h"
#include "writeback/WriteAheadLog.h"
#include "files/Platform.h"
#include "files/SystemLog.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace velmora;

namespace {

// The dates as exiv2 alone reads them: the reference our locator is checked against.
CaptureDates readCaptureDatesWithExiv2(const std::filesystem::path& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return {};
    const CaptureDates dates = exiv2ReadDates(fd);
    ::close(fd);
    return dates;
}

// A JPEG, or a plain TIFF (not Canon's CR2, which marks its header): the
// formats where exiv2 reads every file the locator reads.
bool isJpegOrPlainTiff(int fd)
{
    uint8_t head[10] = {};
    if (::pread(fd, head, sizeof head, 0) != static_cast<ssize_t>(sizeof head))
        return false;
    return (head[0] == 0xFF && head[1] == 0xD8) ||
           ((std::memcmp(head, "II*\0", 4) == 0 || std::memcmp(head, "MM\0*", 4) == 0) &&
            !(head[8] == 'C' && head[9] == 'R'));
}

// Stands in for the window: counts what a user would see, answers every alert at once.
class HeadlessSink : public BatchSink, public EngineHost {
public:
    explicit HeadlessSink(bool writeBack, bool shiftAll) : writeBack_(writeBack), shiftAll_(shiftAll) {}
    void setProgress(double value) override
    {
        ++progressCalls;
        lastProgress = value;
    }
    void hideIndicator() override {}
    void setStatusText(const std::string& text) override { status = text; }
    void setUpTimer() override {}
    void showAlert(const AlertRequest&) override { ++alerts; }
    StoredPreferences storedPreferences() override
    {
        StoredPreferences stored{writeBack_};
        stored.shiftAllDates = shiftAll_;
        return stored;
    }

    std::atomic<size_t> alerts{0};
    size_t progressCalls = 0;
    double lastProgress = 0;
    std::string status;

private:
    bool writeBack_;
    bool shiftAll_;
};

long peakRssKb()
{
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

int run(std::string workload, const std::vector<fs::path>& folders)
{
    // "+sets": sidecars and RAW+JPEG pairs kept together, as the application does by default.
    const bool keepSetsTogether = workload.ends_with("+sets");
    if (keepSetsTogether)
        workload.resize(workload.size() - 5);
    LiveOptions controls;
    controls.setDateSwitchRow(0);
    controls.setTimezonesTitle(std::string("+2"));
    if (workload == "copy")
        controls.setRenameState(1);
    else if (workload == "shift" || workload == "shiftall")
        controls.setFixTimeState(1);
    else if (workload != "move")
        return std::fprintf(stderr, "unknown workload %s\n", workload.c_str()), 2;

    size_t logLines = 0;
    SystemLog::setObserver([&logLines](std::string_view) { ++logLines; });
    HeadlessSink sink(workload.starts_with("shift"), workload == "shiftall");
    std::atomic<bool> alertLatch{false};
    PhotoEngine engine(controls, alertLatch, sink);
    size_t files = 0;
    const auto start = std::chrono::steady_clock::now();
    // The batch journal as the window keeps it, when asked for.
    const bool journaled = std::getenv("VELMORA_BENCH_JOURNAL") != nullptr;
    const auto journal = journaled ? HistoryWriter::begin(controls.describe(), folders) : nullptr;
    engine.setRecorder(journal.get());
    walkBatch(
        folders,
        [&](const PhotoSet& set) {
            files += set.members.size() + set.companions.size();
            engine.processSet(set);
        },
        sink, {}, keepSetsTogether, [&engine] { engine.finishBatch(); });
    if (journal)
        journal->finish();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf(
        "velmora %s journal=%s files=%zu seconds=%.3f per_file_us=%.1f alerts=%zu log_lines=%zu progress_calls=%zu "
        "last_progress=%.0f peak_rss_kb=%ld\n",
        workload.c_str(), journaled ? "on" : "off", files, seconds,
        files ? seconds * 1e6 / static_cast<double>(files) : 0.0, sink.alerts.load(), logLines, sink.progressCalls,
        sink.lastProgress, peakRssKb());
    return sink.status.empty() ? 1 : 0;
}

// Read by exiv2 in its helper process: a reader other than the one the write-back trusts.
std::string originalOf(const fs::path& path)
{
    return readCaptureDatesWithExiv2(path).dateTimeOriginal.value_or("");
}

// Every capture date of `master`, shifted by `hours`, must be found in `folder`
// as often: the tool wrote every photo back, whatever it named them.
int checkShift(const fs::path& master, const fs::path& folder, long long hours)
{
    std::map<std::string, long> balance;
    size_t expected = 0;
    for (const auto& entry : fs::directory_iterator(master))
        if (const std::string d = originalOf(entry.path()); !d.empty()) {
            ++balance[shiftCaptureDate(d, hours).value_or("?")];
            ++expected;
        }
    for (const auto& entry : fs::directory_iterator(folder))
        if (const std::string d = originalOf(entry.path()); !d.empty())
            --balance[d];
    const auto wrong = std::count_if(balance.begin(), balance.end(), [](const auto& kv) { return kv.second != 0; });
    std::printf("check-shift photos=%zu dates_off=%ld\n", expected, static_cast<long>(wrong));
    return wrong == 0 ? 0 : 1;
}

// The date locator against exiv2 on every file below the folders: the same
// dates wherever both answer.
int checkReader(const std::vector<fs::path>& folders)
{
    size_t files = 0, fast = 0, differ = 0;
    for (const fs::path& folder : folders)
        for (const auto& entry : fs::recursive_directory_iterator(folder)) {
            if (!entry.is_regular_file())
                continue;
            ++files;
            const CaptureDates reference = readCaptureDatesWithExiv2(entry.path());
            const int fd = ::open(entry.path().c_str(), O_RDONLY | O_CLOEXEC);
            const auto located = fd >= 0 ? locateDates(fd, entry.file_size()) : std::nullopt;
            const bool jpegOrTiff = fd >= 0 && isJpegOrPlainTiff(fd);
            if (fd >= 0)
                ::close(fd);
            if (!located)
                continue;
            const CaptureDates ours = located->dates();
            const CaptureDates* quick = &ours;
            ++fast;
            // exiv2 0.27 reads no date in some formats we read (CR3, PNG eXIf, ...).
            const bool exiv2Reads = jpegOrTiff || reference.dateTimeOriginal || reference.dateTimeDigitized;
            if (exiv2Reads && (quick->dateTimeOriginal != reference.dateTimeOriginal ||
                               quick->dateTimeDigitized != reference.dateTimeDigitized)) {
                ++differ;
                auto show = [](const CaptureDates& d) {
                    return std::to_string(static_cast<int>(d.source)) + " [" + d.dateTimeOriginal.value_or("-") +
                           "] [" + d.dateTimeDigitized.value_or("-") + "]";
                };
                std::printf("differs: %s fast %s exiv2 %s\n", entry.path().c_str(), show(*quick).c_str(),
                            show(reference).c_str());
            }
        }
    std::printf("check-reader files=%zu fast_path=%zu differ=%zu\n", files, fast, differ);
    return differ == 0 ? 0 : 1;
}

// What the exiv2 helper costs: its start (process, exiv2, confinement) and one
// photo's dates through it, for a format that only exiv2 reads (PNG, WebP).
int helperCost(const fs::path& photo, int rounds)
{
    using Clock = std::chrono::steady_clock;
    const auto ms = [](Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); };
    std::vector<double> starts;
    for (int i = 0; i < 10; ++i) {
        // The pool keeps one: a short time limit kills it, so the next start is fresh.
        setExifHelperTimeLimit(std::chrono::milliseconds(0));
        readCaptureDatesWithExiv2(photo);
        setExifHelperTimeLimit(std::chrono::seconds(5));
        const auto start = Clock::now();
        startExifHelper(true);
        starts.push_back(ms(Clock::now() - start));
    }
    std::sort(starts.begin(), starts.end());
    bool dated = true;
    const auto start = Clock::now();
    for (int i = 0; i < rounds; ++i)
        dated = dated && readCaptureDatesWithExiv2(photo).dateTimeOriginal.has_value();
    std::printf("helper start_ms_median=%.2f per_photo_us=%.1f dated=%d\n", starts[starts.size() / 2],
                ms(Clock::now() - start) * 1000 / rounds, dated);
    return dated ? 0 : 1;
}

} // namespace

// The journal alone: one record per file of DIR, as a batch that moved them
// all would write, with the identity the reader saw before each move.
int journalOnly(const fs::path& folder)
{
    std::vector<std::pair<fs::path, std::optional<FileIdentity>>> files;
    for (const auto& entry : fs::directory_iterator(folder))
        files.emplace_back(entry.path(), fileIdentity(entry.path()));
    const auto start = std::chrono::steady_clock::now();
    const auto journal = HistoryWriter::begin({{"bench", "journal"}}, {folder});
    if (!journal)
        return 1;
    PhotoOutcome outcome;
    for (const auto& [file, identity] : files) {
        outcome.source = file.parent_path() / ("IMG_" + file.filename().native());
        outcome.target = file;
        outcome.sourceIdentity = identity;
        journal->record(outcome);
    }
    journal->finish();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("journal records=%zu seconds=%.3f per_record_us=%.2f\n", files.size(), seconds,
                seconds * 1e6 / static_cast<double>(std::max<size_t>(files.size(), 1)));
    return 0;
}

// Reads the newest batch's photos and undo records as the history window does.
int history()
{
    const auto start = std::chrono::steady_clock::now();
    const std::vector<BatchSummary> batches = listBatches();
    if (batches.empty())
        return std::fprintf(stderr, "no batch kept\n"), 1;
    const auto listed = std::chrono::steady_clock::now();
    const auto photos = readBatch(batches.front().id);
    const auto undo = readUndo(batches.front().id, photos.size());
    const auto read = std::chrono::steady_clock::now();
    const auto ms = [](auto d) { return std::chrono::duration<double, std::milli>(d).count(); };
    std::printf("history batches=%zu list_ms=%.1f photos=%zu read_ms=%.1f peak_rss_kb=%ld\n", batches.size(),
                ms(listed - start), photos.size(), ms(read - listed), peakRssKb());
    return 0;
}

int main(int argc, char** argv)
{
    initializePlatform();
    useHelperAt(VELMORA_HELPER); // the build's: this program is never installed beside it
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "run" && argc >= 4)
        return run(argv[2], std::vector<fs::path>(argv + 3, argv + argc));
    if (command == "history")
        return history();
    if (command == "journal" && argc == 3)
        return journalOnly(argv[2]);
    if (command == "check-reader" && argc >= 3)
        return checkReader(std::vector<fs::path>(argv + 2, argv + argc));
    if (command == "helper" && argc == 4)
        return helperCost(argv[2], std::stoi(argv[3]));
    if (command == "check-shift" && argc == 5)
        return checkShift(argv[2], argv[3], std::stoll(argv[4]));
    std::fprintf(stderr,
                 "usage: %s run move|copy|shift|shiftall[+sets] DIR... (VELMORA_BENCH_JOURNAL=1: with the batch journal) | "
                 "journal DIR | history | check-reader FILE... | check-shift MASTER DIR HOURS | helper FILE ROUNDS\n",
                 argv[0]);
    return 2;
}
