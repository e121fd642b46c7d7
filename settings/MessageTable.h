// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace velmora {

// The message table "localizable": texts looked up by key ("#1", "#14", ...).
// A key without a translation yields its default (English) text, an unknown key itself. Thread-safe.
class MessageTable {
public:
    static std::string text(const std::string& key);
};

// The keys, named after what their texts say.
namespace message {
inline constexpr const char* kDone = "#1";           // the status after a batch
inline constexpr const char* kWorking = "#2";        // the status while a batch runs
inline constexpr const char* kOk = "#12";            // the alert's button
inline constexpr const char* kNoExif = "#14";        // photos without EXIF were left as they were
inline constexpr const char* kWebSite = "#15";       // the product's web site
inline constexpr const char* kWriteFailed = "#17";   // a date could not be written into a photo
inline constexpr const char* kChangedSincePreview = "#18"; // a photo no longer as its preview showed it
inline constexpr const char* kOtherDateOnly = "#19"; // photos with the other date only were left as they were
} // namespace message

} // namespace velmora
