// SPDX-License-Identifier: GPL-3.0-or-later
#include "metadata/BmffBoxes.h"

#include <cstring>

namespace velmora::locator {

bool Boxes::next(Box& box)
{
    uint8_t h[16];
    if (++walked_ > kMaxBoxes || at_ > end_ || end_ - at_ < 8 || !bytes_.read(at_, 8, h))
        return false;
    uint64_t size = be32(h);
    uint64_t header = 8;
    if (size == 1) {
        if (end_ - at_ < 16 || !bytes_.read(at_ + 8, 8, h + 8))
            return false;
        size = be64(h + 8);
        header = 16;
    } else if (size == 0) {
        size = end_ - at_;
    }
    if (size < header || size > end_ - at_)
        return false;
    std::memcpy(box.type, h + 4, 4);
    box.body = at_ + header;
    box.end = at_ + size;
    if (is(box, "uuid") && (size - header < 16 || !bytes_.read(box.body, 16, box.uuid)))
        return false;
    at_ = box.end;
    return true;
}

bool Boxes::is(const Box& box, const char* type)
{
    return std::memcmp(box.type, type, 4) == 0;
}

bool findBox(Bytes& bytes, uint64_t at, uint64_t end, const char* type, Box& found)
{
    Boxes boxes(bytes, at, end);
    while (boxes.next(found))
        if (Boxes::is(found, type))
            return true;
    return false;
}

} // namespace velmora::locator
