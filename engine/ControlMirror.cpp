// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/ControlMirror.h"

namespace velmora {

int ControlMirror::dateSwitchRow() const
{
    std::lock_guard lock(mutex_);
    return dateSwitchRow_;
}

bool ControlMirror::fixTimeOn() const
{
    std::lock_guard lock(mutex_);
    return fixTime_ != 0;
}

std::optional<std::string> ControlMirror::timezonesTitle() const
{
    std::lock_guard lock(mutex_);
    return timezonesTitle_;
}

bool ControlMirror::prefixOn() const
{
    std::lock_guard lock(mutex_);
    return prefix_ == 1;
}

std::optional<std::string> ControlMirror::textToPrefix() const
{
    std::lock_guard lock(mutex_);
    return textToPrefix_;
}

bool ControlMirror::suffixOn() const
{
    std::lock_guard lock(mutex_);
    return suffix_ == 1;
}

bool ControlMirror::renameOn() const
{
    std::lock_guard lock(mutex_);
    return rename_ == 1;
}

void ControlMirror::setDateSwitchRow(int row)
{
    std::lock_guard lock(mutex_);
    dateSwitchRow_ = row;
}

void ControlMirror::setFixTimeState(int state)
{
    std::lock_guard lock(mutex_);
    fixTime_ = state;
}

void ControlMirror::setTimezonesTitle(std::optional<std::string> title)
{
    std::lock_guard lock(mutex_);
    timezonesTitle_ = std::move(title);
}

void ControlMirror::setPrefixState(int state)
{
    std::lock_guard lock(mutex_);
    prefix_ = state;
}

void ControlMirror::setTextToPrefix(std::optional<std::string> text)
{
    std::lock_guard lock(mutex_);
    textToPrefix_ = std::move(text);
}

void ControlMirror::setSuffixState(int state)
{
    std::lock_guard lock(mutex_);
    suffix_ = state;
}

void ControlMirror::setRenameState(int state)
{
    std::lock_guard lock(mutex_);
    rename_ = state;
}

std::vector<std::pair<std::string, std::string>> ControlMirror::describe() const
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
