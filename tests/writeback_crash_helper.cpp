// SPDX-License-Identifier: GPL-3.0-or-later
// Writes two dates into one photo in turn, forever, until it is killed; or,
// given a step, writes one date and kills itself at that step of the patch;
// or, given "once", writes one date and ends.
// Usage: writeback_crash_helper PHOTO unnamed|named|inplace [record|torn|patched|once]
// Or copies a file to new names (copy-0, copy-1, ... beside it), forever:
//        writeback_crash_helper copy FILE unnamed|named
#include "platform/DateLocator.h"
#include "platform/ExifDateWriter.h"
#include "platform/PatchJournal.h"
#include "platform/FileManager.h"
#include "platform/Platform.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const kDates[] = {"2011:12:13 14:15:16", "2001:02:03 04:05:06"};
const char* photo = nullptr;
velmora::PatchStep stopAt = velmora::PatchStep::RecordDurable;
bool tear = false;

// Half the new date's bytes, as a power cut in the middle of the write would leave them.
void writeHalf()
{
    const int fd = ::open(photo, O_RDWR | O_CLOEXEC);
    struct stat st {};
    ::fstat(fd, &st);
    const auto location = velmora::locateDates(fd, static_cast<uint64_t>(st.st_size));
    if (location && location->original)
        static_cast<void>(::pwrite(fd, kDates[0], 10, static_cast<off_t>(location->original->offset)));
    ::close(fd);
}

void stop(velmora::PatchStep step)
{
    if (step != stopAt)
        return;
    if (tear)
        writeHalf();
    ::kill(::getpid(), SIGKILL);
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
    if (argc < 3)
        return 2;
    velmora::initializePlatform();
    photo = argv[1];
    velmora::ExifWriteOptions options;
    options.unnamedTempFile = std::strcmp(argv[2], "unnamed") == 0;
    options.patchInPlace = std::strcmp(argv[2], "inplace") == 0;
    if (argc == 4) {
        const std::string step = argv[3];
        tear = step == "torn";
        stopAt = step == "patched" ? velmora::PatchStep::PhotoPatched : velmora::PatchStep::RecordDurable;
        if (step == "once")
            return velmora::writeExifDate(photo, kDates[0], false, options).status ==
                           velmora::ExifWriteResult::Status::Written
                       ? 0
                       : 1;
        velmora::setPatchStepHook(stop);
        velmora::writeExifDate(photo, kDates[0], false, options);
        return 3; // the step was never reached
    }
    for (unsigned long i = 0;; ++i) {
        const auto result = velmora::writeExifDate(photo, kDates[i % 2], false, options);
        if (result.status != velmora::ExifWriteResult::Status::Written) {
            std::fprintf(stderr, "write %lu failed: %s\n", i, result.detail.c_str());
            return 1;
        }
    }
}
