// SPDX-License-Identifier: GPL-3.0-or-later
// One libFuzzer target; VELMORA_FUZZ_ENTRY names the entry point it drives.
#include "fuzz/FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return velmora::fuzz::VELMORA_FUZZ_ENTRY(data, size);
}
