// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace velmora {

// A few bytes of a photo to be replaced by as many others.
struct BytePatch {
    uint64_t offset = 0;
    std::string oldBytes;
    std::string newBytes;
};

// Patches the photo open read-write on `fd` (the file at `path`, absolute, as
// `identity` describes it) so that it is the old or the new file at every
// moment, also across a crash or a power cut: a record of the patch is made
// durable under $XDG_STATE_HOME/Velmora/ first, then the bytes are checked to
// be still the old ones and written, the photo is synced and the record
// cleared. 0, or errno (EAGAIN: the photo changed meanwhile; it is untouched).
int patchJournaled(int fd, const std::filesystem::path& path, const struct stat& identity,
                   const std::vector<BytePatch>& patches);

// Opens this process's journal once, after completing what dead processes
// left: called before a photo is read for a patch, so that a recovery cannot
// change it under the patch. 0, or errno.
int openPatchJournal();

// Completes the patches that a process killed or a power cut left behind: a
// photo that is still the same file gets its new bytes (a torn write
// included); one that is not, or that someone else changed, is left alone.
// Each case is logged. Called at start; the first patch of a process calls
// it too.
void recoverInterruptedPatches();

// Test seam: a fault-injection test stops the process at one of these steps.
enum class PatchStep { RecordDurable, PhotoPatched, PhotoSynced };
void setPatchStepHook(void (*hook)(PatchStep step));

// Where the records live: $XDG_STATE_HOME/Velmora, by default ~/.local/state/Velmora.
std::filesystem::path stateFolder();

} // namespace velmora
