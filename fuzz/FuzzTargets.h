// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>

// The entry points that the fuzzers drive and that fuzz_replay feeds with the
// saved inputs. Each aborts when an invariant breaks, so that a fuzzer keeps
// the input.
namespace velmora::fuzz {

// Arbitrary bytes as a file: the capture-date reader must return, whatever they hold.
int metadataReader(const uint8_t* data, size_t size);
// Arbitrary bytes as a photo: the date write-back either writes the date so
// that it reads back, or leaves the file byte for byte as it was.
int exifWriter(const uint8_t* data, size_t size);
// Arbitrary bytes as a video: its recorded date reads the same from a file
// and from memory, and is one that a name may use.
int videoDates(const uint8_t* data, size_t size);
// The date texts: usable-date test, hours from a title, shift and stem.
int dateText(const uint8_t* data, size_t size);
// Arbitrary bytes on the exiv2 helper's socket: the helper takes a request,
// with its descriptor, only when the bytes begin with exactly one well-formed
// request; the application bounds any reply header it accepts.
int helperMessages(const uint8_t* data, size_t size);

} // namespace velmora::fuzz
