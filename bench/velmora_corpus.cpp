// SPDX-License-Identifier: GPL-3.0-or-later
// Generates a benchmark corpus: real JPEGs of one size with EXIF dates, some
// sharing a second, a few without EXIF and a few that are no images at all.
// Kept apart from velmora_bench so that the program timed loads no more than
// the core library a batch runs on.
#include "bench/CorpusGenerator.h"
#include "files/Platform.h"

#include <chrono>
#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s DIR COUNT WIDTH HEIGHT\n", argv[0]);
        return 2;
    }
    velmora::initializePlatform();
    const auto start = std::chrono::steady_clock::now();
    const auto m = velmora::bench::generateCorpus(argv[1], std::stoul(argv[2]), std::stoi(argv[3]), std::stoi(argv[4]));
    std::printf("generated photos=%zu without_exif=%zu not_images=%zu shared_second=%zu seconds=%.2f\n", m.photos,
                m.withoutExif, m.notImages, m.sharedSecond,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    return 0;
}
