// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/PatchRecord.h"

#include <filesystem>
#include <sys/stat.h>
#include <vector>

namespace velmora {

// Patches the photo open read-write on `fd` (the file at `path`, absolute, as
// `identity` describes it) so that it is the old or the new file at every
// moment, also across a crash or a power cut: a record of the patch is made
// durable under $XDG_STATE_HOME/Velmora/ first, then the bytes are checked to
// be still the old ones and written. The photo's flush waits for the end of
// its group (syncPatchedPhotos): until then its record stays, and a crash or
// a power cut is completed from it. 0, or errno (EAGAIN: the photo changed
// meanwhile; it is untouched).
int patchJournaled(int fd, const std::filesystem::path& path, const struct stat& identity,
                   const std::vector<BytePatch>& patches);

// Makes the photos patched so far durable (one flush per file system) and
// empties their records. Called at the end of a batch; a group also ends when
// it is full, grows old, or when the process exits normally.
void syncPatchedPhotos();

// Opens this process's journal once, after completing what dead processes
// left: called before a photo is read for a patch, so that a recovery cannot
// change it under the patch. 0, or errno.
int openPatchJournal();

// Completes the patches that a process killed or a power cut left behind (see
// recoverJournalFile). Called at start; the first patch of a process calls it too.
void recoverInterruptedPatches();

// Test seam: a fault-injection test stops the process at one of these steps.
enum class PatchStep { RecordDurable, PhotoPatched };
void setPatchStepHook(void (*hook)(PatchStep step));

// Where the records live: $XDG_STATE_HOME/Velmora, by default ~/.local/state/Velmora.
std::filesystem::path stateFolder();

} // namespace velmora
