// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/MountedFileSystem.h"

namespace velmora::test {

// A card pulled from its reader: the FUSE daemon serving `card` (an exFAT
// MountedFileSystem) is killed; the mount stays and answers ENOTCONN. False
// when no daemon was found or the mount still answers after 5 s.
bool pullCard(const MountedFileSystem& card);
// The pulled card put back: its image mounted again at its place, so that
// what it holds can be read (the fixture unmounts it as before).
bool reinsertCard(const MountedFileSystem& card);

// Puts the card back when it goes, so that the fixture always tears down a
// live mount (it does not see a dead one as mounted).
struct ReinsertAtEnd {
    const MountedFileSystem& card;
    ~ReinsertAtEnd() { reinsertCard(card); }
};

} // namespace velmora::test
