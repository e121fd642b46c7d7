// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "metadata/TiffDates.h"

#include <cstdint>

namespace velmora::locator {

// One box of an ISO base media file (HEIF, CR3, JPEG XL, MP4, MOV).
struct Box {
    char type[4];
    uint64_t body;    // first byte after the header
    uint64_t end;     // first byte after the box
    uint8_t uuid[16]; // for "uuid" boxes
};

// The boxes from `at` to `end`, one by one: 64-bit sizes, size 0 for "to the
// end", and at most kMaxBoxes of them. A box that runs past `end` ends the walk.
class Boxes {
public:
    Boxes(Bytes& bytes, uint64_t at, uint64_t end) : bytes_(bytes), at_(at), end_(end) {}
    bool next(Box& box);
    static bool is(const Box& box, const char* type);

private:
    Bytes& bytes_;
    uint64_t at_, end_;
    int walked_ = 0;
};

// The first box of `type` from `at` to `end`.
bool findBox(Bytes& bytes, uint64_t at, uint64_t end, const char* type, Box& found);

} // namespace velmora::locator
