// SPDX-License-Identifier: GPL-3.0-or-later
// writeback_crash_helper PHOTO unnamed|named|inplace [record|torn|patched|once]
//   writes two dates in turn until killed; given a step, one date, killing itself
//   there (torn: half the date written over the field, as a power cut leaves it).
// writeback_crash_helper PHOTO shiftall record|torn|patched: the same for every date
//   moved by +2 h in place (torn: the first field written whole, the others not).
// writeback_crash_helper copy FILE unnamed|named: copies to copy-0, copy-1... until killed.
// writeback_crash_helper batch FOLDER: a drop's batch, +2 h written back, with its
//   history; prints "done" once ended, then waits to be killed.
#include "engine/BatchWalk.h"
#include "engine/DateText.h"
#include "engine/PhotoEngine.h"
#include "history/HistoryWriter.h"
#include "metadata/DateLocator.h"
#include "writeback/ExifDateWriter.h"
#include "files/FileManager.h"
#include "exiv2/HelperPool.h"
#include "writeback/WriteAheadLog.h"
#include "files/Platform.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const kDates[] = {"2011:12:13 14:15:16", "2001:02:03 04:05:06"};
const char* photo = nullptr;
velmora::PatchStep stopAt = velmora::PatchStep::RecordDurable;
bool tear = false;
bool shiftAll = false;

void stop(velmora::PatchStep step)
{
    if (step != stopAt)
        return;
    if (const int fd = ::open(photo, O_RDWR | O_CLOEXEC); tear) {
        struct stat st {};
        ::fstat(fd, &st);
        const auto at = velmora::locateDates(fd, static_cast<uint64_t>(st.st_size));
        const std::string date = shiftAll && at ? velmora::shiftCaptureDate(at->original->text, 2).value() : kDates[0];
        if (at && at->original)
            static_cast<void>(::pwrite(fd, date.data(), shiftAll ? 19 : 10, static_cast<off_t>(at->original->offset)));
    }
    ::kill(::getpid(), SIGKILL);
}

struct Headless : velmora::EngineHost, velmora::BatchSink {
    void showAlert(const velmora::AlertRequest&) override {}
    velmora::StoredPreferences storedPreferences() override { return {true}; }
    void setProgress(double) override {}
    void hideIndicator() override {}
    void setStatusText(const std::string&) override {}
    void setUpTimer() override {}
};

int batch(const std::filesystem::path& folder)
{
    velmora::initializePlatform();
    velmora::LiveOptions controls;
    controls.setDateSwitchRow(0);
    controls.setFixTimeState(1);
    controls.setTimezonesTitle("+2");
    std::atomic<bool> alertLatch{false};
    Headless host;
    velmora::PhotoEngine engine(controls, alertLatch, host);
    const auto journal = velmora::HistoryWriter::begin({}, {folder});
    engine.setRecorder(journal.get());
    velmora::walkBatch(
        {folder}, [&](const velmora::PhotoSet& set) { engine.processSet(set); }, host, {}, true,
        [&] { engine.finishBatch(); });
    journal->finish();
    std::puts("done");
    std::fflush(stdout);
    for (;;)
        ::pause();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "copy") == 0) {
        const velmora::FileManager manager(std::strcmp(argv[3], "unnamed") == 0);
        const std::filesystem::path source = argv[2];
        for (unsigned long i = 0;; ++i)
            if (manager.copyItem(source, source.parent_path() / ("copy-" + std::to_string(i))))
                return 1;
    }
    if (argc == 3 && std::strcmp(argv[1], "batch") == 0)
        return batch(argv[2]);
    if (argc < 3)
        return 2;
    velmora::initializePlatform();
    velmora::useHelperAt(VELMORA_HELPER); // this program lives in build/tests/, away from it
    photo = argv[1];
    const velmora::ExifWriteOptions options{std::strcmp(argv[2], "unnamed") == 0, std::strcmp(argv[2], "inplace") == 0};
    shiftAll = std::strcmp(argv[2], "shiftall") == 0;
    const auto write = [&](int i) {
        std::vector<velmora::DateChange> changes;
        if (shiftAll)
            return velmora::writeExifDates(
                       std::filesystem::path(photo),
                       [](velmora::DateTag, const std::string& old) { return velmora::shiftCaptureDate(old, 2); },
                       changes, {true, true})
                       .status == velmora::ExifWriteResult::Status::Written;
        return velmora::writeExifDate(std::filesystem::path(photo), kDates[i % 2], false, options).status ==
               velmora::ExifWriteResult::Status::Written;
    };
    const std::string step = argc == 4 ? argv[3] : "";
    if (step == "once")
        return write(0) ? 0 : 1;
    if (!step.empty()) {
        tear = step == "torn";
        stopAt = step == "patched" ? velmora::PatchStep::PhotoPatched : velmora::PatchStep::RecordDurable;
        velmora::setPatchStepHook(stop);
        write(0);
        return 3; // the step was never reached
    }
    for (int i = 0;; ++i)
        if (!write(i))
            return 1;
}
