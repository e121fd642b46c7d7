// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/LiveOptions.h"

#include "engine/DateText.h"

namespace velmora {

OptionSnapshot LiveOptions::snapshot() const
{
    std::lock_guard lock(mutex_);
    return {dateSwitchRow_, fixTime_ != 0, hoursFromTitle(timezonesTitle_), prefix_ == 1, textToPrefix_.value_or(""),
            suffix_ == 1, rename_ == 1};
}

void LiveOptions::setDateSwitchRow(int row)
{
    std::lock_guard lock(mutex_);
    dateSwitchRow_ = row;
}

void LiveOptions::setFixTimeState(int state)
{
    std::lock_guard lock(mutex_);
    fixTime_ = state;
}

void LiveOptions::setTimezonesTitle(std::optional<std::string> title)
{
    std::lock_guard lock(mutex_);
    timezonesTitle_ = std::move(title);
}

void LiveOptions::setPrefixState(int state)
{
    std::lock_guard lock(mutex_);
    prefix_ = state;
}

void LiveOptions::setTextToPrefix(std::optional<std::string> text)
{
    std::lock_guard lock(mutex_);
    textToPrefix_ = std::move(text);
}

void LiveOptions::setSuffixState(int state)
{
    std::lock_guard lock(mutex_);
    suffix_ = state;
}

void LiveOptions::setRenameState(int state)
{
    std::lock_guard lock(mutex_);
    rename_ = state;
}

std::vector<std::pair<std::string, std::string>> LiveOptions::describe() const
{
    std::lock_guard lock(mutex_);
    const auto onOff = [](bool on) { return std::string(on ? "on" : "off"); };
    return {{"dateSwitch", dateSwitchRow_ == 1 ? "digitized" : "original"},
            {"fixTime", onOff(fixTime_ != 0)},
            {"timezones", timezonesTitle_.value_or("")},
            {"prefix", onOff(prefix_ == 1)},
            {"text_to_prefix", textToPrefix_.value_or("")},
            {"suffix", onOff(suffix_ == 1)},
            {"rename", onOff(rename_ == 1)}};
}

} // namespace velmora
