// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/LiveOptions.h"
#include "files/FileIdentity.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <stop_token>
#include <string>
#include <unordered_map>
#include <vector>

namespace velmora {

// What a batch would do with one file. Compact: no exiv2 object, the
// folder shared by the rows of one folder.
struct PreviewRow {
    enum class Fate : uint8_t {
        Renamed,     // gets `target`
        Keeps,       // already has its name
        Follows,     // gets `target` with the photo of row `follows` (its pair or sidecar)
        NoDate,      // no usable date: stays
        NameTooLong, // the new name is longer than a file name may be: the shot stays
        Stays,       // a sidecar whose photo stays
    };
    static constexpr uint32_t kNone = UINT32_MAX;

    std::shared_ptr<const std::string> folder;
    std::string name;   // within `folder`
    std::string target; // the new name within `folder`, the batch's to try; empty without a date
    std::string date;   // the shifted date that names it
    FileIdentity identity{}; // a photo as it was read
    uint32_t follows = kNone; // the row of the photo it goes with
    Fate fate = Fate::Renamed;
    bool companion = false;
    bool digitized = false; // the date is DateTimeDigitized, not DateTimeOriginal

    std::string source() const { return *folder + "/" + name; }
    bool moves() const { return (fate == Fate::Renamed || fate == Fate::Follows) && target != name; }
};

// What the user saw and confirmed: the batch that follows gives these names
// under these options, and reports a photo that changed since instead of
// renaming it.
class PreviewPlan {
public:
    PreviewPlan(const OptionSnapshot& options, std::vector<PreviewRow> rows);
    const OptionSnapshot& options() const { return options_; }
    bool keepSetsTogether = true; // as the preview grouped the files
    // The row of the file at `path`, or nullptr when the preview did not show it.
    const PreviewRow* find(const std::string& path) const;

private:
    OptionSnapshot options_;
    std::vector<PreviewRow> rows_;
    std::unordered_map<std::string, uint32_t> index_;
};

// Computes, without changing anything, what a batch over `batchList` would
// do: every file it would touch, in the batch's order, named by the batch's
// own naming as if the files before it were placed already. Rows go to
// `deliver` in chunks, the first within a tenth of a second; `done` with the
// last. Stops between files once `stop` is requested (then no `done`).
void previewBatch(const std::vector<std::filesystem::path>& batchList, const OptionSnapshot& options,
                  bool keepSetsTogether, std::stop_token stop,
                  const std::function<void(std::vector<PreviewRow>&& rows, bool done)>& deliver);

} // namespace velmora
