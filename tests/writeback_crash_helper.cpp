// Writes two dates into one photo in turn, or copies a file to new names
// (copy-0, copy-1, ... beside it), forever, until it is killed.
// Usage: writeback_crash_helper PHOTO unnamed|named
//        writeback_crash_helper copy FILE unnamed|named
#include "platform/ExifDateWriter.h"
#include "platform/FileManager.h"
#include "platform/Platform.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "copy") == 0) {
        const velmora::FileManager manager(std::strcmp(argv[3], "unnamed") == 0);
        const std::filesystem::path source = argv[2];
        for (unsigned long i = 0;; ++i)
            if (manager.copyItem(source, source.parent_path() / ("copy-" + std::to_string(i))))
                return 1;
    }
    if (argc != 3)
        return 2;
    velmora::initializePlatform();
    const velmora::ExifWriteOptions options{std::strcmp(argv[2], "unnamed") == 0};
    const char* dates[] = {"2011:12:13 14:15:16", "2001:02:03 04:05:06"};
    for (unsigned long i = 0;; ++i) {
        const auto result = velmora::writeExifDate(argv[1], dates[i % 2], false, options);
        if (result.status != velmora::ExifWriteResult::Status::Written) {
            std::fprintf(stderr, "write %lu failed: %s\n", i, result.detail.c_str());
            return 1;
        }
    }
}
