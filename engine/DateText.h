// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velmora {

// The capture date as a file name may use it. No value, "", the zero date and
// the blank form of the pattern count as missing; so does a text with "/" or
// a control character, which could otherwise move a photo out of its folder.
bool isUsableCaptureDate(const std::optional<std::string>& text);

// The leading signed whole number of a pop-up title ("+2" gives 2, "-5" -5),
// after leading white space; 0 without a title or without a number.
long long hoursFromTitle(const std::optional<std::string>& title);

// Moves "yyyy:MM:dd HH:mm:ss" by whole hours and then seconds (a camera
// clock's correction) of wall-clock time, free of any time zone, rolling over
// day, month and year. nullopt when the text is not a valid date in that
// pattern or the result leaves years 1 to 9999.
std::optional<std::string> shiftCaptureDate(std::string_view text, long long hours, long long seconds = 0);

// The seconds of wall-clock time from `from` to `to`, both "yyyy:MM:dd HH:mm:ss";
// nullopt when either is not a valid date in that pattern.
std::optional<long long> secondsBetween(std::string_view from, std::string_view to);

// Every ":" becomes "-", then every " " becomes "__".
std::string dateStem(std::string_view shiftedCaptureDate);

} // namespace velmora
