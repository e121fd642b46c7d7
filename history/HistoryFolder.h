// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace velmora {

// Where the history files live: stateFolder()/batches/ID.jsonl for a batch, and
// ID.undo.jsonl beside it for the undoing of it. An id begins with the
// batch's start time in milliseconds since the epoch.
std::filesystem::path batchFile(const std::string& id);
std::filesystem::path undoFile(const std::string& id);
// The ids of every batch kept, newest first: by start time, then process id
// (both numbers: process ids start small again after a reboot).
std::vector<std::string> batchIds();
int64_t batchStartMs(const std::string& id);

// Drops the history files beyond the newest `keep` batches and those older than
// `maxAgeDays`. Called when a batch begins.
void pruneBatches(size_t keep = 100, int maxAgeDays = 30);

} // namespace velmora
