// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace velmora {

// The options a batch works with, as plain values: whoever owns the controls
// (the drop zone) sets them on every change, and batch workers read them at
// each point of use, so that no worker ever touches a widget. Thread-safe.
//
// Checkbox states are 0 off, 1 on, -1 mixed. `prefix`, `suffix` and `rename`
// count as on only in state 1; `fixTime` in every state but off.
class LiveOptions {
public:
    int dateSwitchRow() const; // -1 when no row is selected
    bool fixTimeOn() const;
    std::optional<std::string> timezonesTitle() const; // nullopt when nothing is selected
    bool prefixOn() const;
    std::optional<std::string> textToPrefix() const;
    bool suffixOn() const;
    bool renameOn() const;
    // The options as a batch starts with them, by name, for its journal.
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
