// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds every saved input (fuzz/regressions/<target>/, fuzz/seeds/) to the
// entry point its folder names, in the normal build, so that what a fuzzer
// once found stays fixed. An input that breaks an invariant aborts.
#include "fuzz/FuzzTargets.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

namespace fs = std::filesystem;

int main(int argc, char** argv)
{
    const std::map<std::string, int (*)(const uint8_t*, size_t)> entries = {
        {"metadata_reader", velmora::fuzz::metadataReader},
        {"exif_writer", velmora::fuzz::exifWriter},
        {"video_dates", velmora::fuzz::videoDates},
        {"date_text", velmora::fuzz::dateText},
        {"helper_messages", velmora::fuzz::helperMessages},
    };
    size_t replayed = 0;
    for (int i = 1; i < argc; ++i) {
        for (const auto& [name, entry] : entries) {
            const fs::path folder = fs::path(argv[i]) / name;
            if (!fs::is_directory(folder))
                continue;
            for (const auto& file : fs::recursive_directory_iterator(folder)) {
                if (!file.is_regular_file())
                    continue;
                std::ifstream in(file.path(), std::ios::binary);
                const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
                std::fprintf(stderr, "%s %s\n", name.c_str(), file.path().c_str());
                entry(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
                ++replayed;
            }
        }
    }
    std::printf("replayed %zu inputs\n", replayed);
    return replayed > 0 ? 0 : 1;
}
