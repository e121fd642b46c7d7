// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/StateFolder.h"

#include "writeback/PatchRecord.h"

#include <atomic>
#include <filesystem>
#include <memory>
#include <sys/stat.h>
#include <vector>

namespace velmora {

// Patches the photo open read-write on `fd` (the file at `path`, absolute, as
// `identity` describes it) so that it is the old or the new file at every
// moment, also across a crash or a power cut: a record of the patch is made
// durable under $XDG_STATE_HOME/Velmora/ first, then the bytes are checked to
// be still the old ones and written, and the photo is flushed (with the group
// it ends, see stagePatch). 0, or errno (EAGAIN: the photo changed meanwhile;
// it is untouched). On any error the photo is the old one, or is made the old
// one by recovery: a date reported as not written is never written later.
int patchLogged(int fd, const std::filesystem::path& path, const struct stat& identity,
                   const std::vector<BytePatch>& patches);

// A patch staged in the log, to be made with its group: what became of it.
class PatchTicket {
public:
    // The group has ended: the photo is patched and durable, or error() tells why not.
    bool done() const { return done_.load(std::memory_order_acquire); }
    // 0, or errno (EAGAIN: the photo changed meanwhile; it is untouched).
    int error() const { return error_; }
    void finish(int error)
    {
        error_ = error;
        done_.store(true, std::memory_order_release);
    }

private:
    std::atomic<bool> done_{false};
    int error_ = 0;
};

// As patchLogged, but the patch is made with its group: the record is
// written now, and at the group's end one flush makes the records of all its
// photos durable before any of them is touched, then the photos are patched
// and flushed together. Null with `error` set when no record could be written.
std::shared_ptr<const PatchTicket> stagePatch(int fd, const std::filesystem::path& path, const struct stat& identity,
                                              const std::vector<BytePatch>& patches, int& error);

// Ends the group: the staged photos patched, and made durable with the ones
// patched so far (by the flush that counts on their file system, see
// FlushRule.h), and their records emptied.
// Called at the end of a batch; a group also ends when it is full, grows old
// (see endOldGroup), or when the process exits normally.
void syncPatchedPhotos();
// Ends the group if its first photo has waited a second.
void endOldGroup();

// Opens this process's log once, after completing what dead processes
// left: called before a photo is read for a patch, so that a recovery cannot
// change it under the patch. 0, or errno.
int openWriteAheadLog();

// Completes the patches that a process killed or a power cut left behind (see
// recoverLogFile). Called at start; the first patch of a process calls it too.
void recoverInterruptedPatches();

// Test seam: a fault-injection test stops the process at one of these steps.
enum class PatchStep { RecordDurable, PhotoPatched };
void setPatchStepHook(void (*hook)(PatchStep step));

} // namespace velmora
