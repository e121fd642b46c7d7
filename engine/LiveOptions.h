// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace velmora {

// The stored preferences a photo set is handled with, read from the store together.
struct StoredPreferences {
    bool changeExifInPhoto = false; // "change_exif_in_photo"
    bool useOtherDate = false;      // "use_other_date_when_missing"
    long long clockOffsetSeconds = 0; // "clock_offset_seconds", with or without the hour shift
    bool renameVideos = false;        // "rename_videos"
    bool shiftAllDates = false;       // "shift_all_dates"
    bool operator==(const StoredPreferences&) const = default;
};

// The options of one photo set, taken at once: every decision for the set
// (which date, its shift, the name, move or copy, which field is written, what
// the history records) comes from one of these, never from a second reading.
struct OptionSnapshot {
    int dateSwitchRow = -1;
    bool fixTime = false;
    long long hours = 0; // the shift chosen in the pop-up
    bool prefix = false;
    std::string textToPrefix;
    bool suffix = false;
    bool copy = false;
    StoredPreferences stored; // taken with the snapshot, by whoever runs the set
    bool digitized() const { return dateSwitchRow == 1; }
    // The date moves by the hour shift when on, and by the clock correction.
    bool shifts() const { return fixTime || stored.clockOffsetSeconds != 0; }
    long long shiftHours() const { return fixTime ? hours : 0; }
    bool writeBack() const { return shifts() && stored.changeExifInPhoto; }
    bool operator==(const OptionSnapshot&) const = default;
};

// The options a batch works with, as plain values: whoever owns the controls
// (the drop zone) sets them on every change, and batch workers take a snapshot
// of them for every photo set, so that a change applies to the sets still to
// come and no worker ever touches a widget. Thread-safe.
//
// Checkbox states are 0 off, 1 on, -1 mixed. `prefix`, `suffix` and `rename`
// count as on only in state 1; `fixTime` in every state but off.
class LiveOptions {
public:
    // Every option under one lock; `stored` is left as default.
    OptionSnapshot snapshot() const;
    // The options as a batch starts with them, by name, for its history.
    std::vector<std::pair<std::string, std::string>> describe() const;

    void setDateSwitchRow(int row);
    void setFixTimeState(int state);
    void setTimezonesTitle(std::optional<std::string> title);
    void setPrefixState(int state);
    void setTextToPrefix(std::optional<std::string> text);
    void setSuffixState(int state);
    void setRenameState(int state);

private:
    mutable std::mutex mutex_;
    int dateSwitchRow_ = -1;
    int fixTime_ = 0;
    std::optional<std::string> timezonesTitle_;
    int prefix_ = 0;
    std::optional<std::string> textToPrefix_;
    int suffix_ = 0;
    int rename_ = 0;
};

} // namespace velmora
