// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/MessageTable.h"

#include <QCoreApplication>

#include <array>
#include <utility>

namespace velmora {
namespace {

// The keys stay the source texts so that translators see them as they are used.
// QT_TRANSLATE_NOOP marks them for lupdate.
constexpr std::array<std::pair<const char*, const char*>, 8> kDefaults{{
    {QT_TRANSLATE_NOOP("localizable", "#1"), "Done"},
    {QT_TRANSLATE_NOOP("localizable", "#2"), "Working..."},
    {QT_TRANSLATE_NOOP("localizable", "#12"), "OK"},
    {QT_TRANSLATE_NOOP("localizable", "#14"),
     "One or more files do not contain EXIF metadata information and therefore they cannot be renamed."},
    {QT_TRANSLATE_NOOP("localizable", "#15"), VELMORA_WEB_SITE},
    {QT_TRANSLATE_NOOP("localizable", "#17"), "Error during image save."},
    {QT_TRANSLATE_NOOP("localizable", "#18"), "Changed since the preview: left as it was."},
    {QT_TRANSLATE_NOOP("localizable", "#19"),
     "One or more photos do not have the date chosen to name them, only the other one, and therefore they cannot "
     "be renamed. To name them after the other date, turn on “Name a photo without the chosen date after the other "
     "one” in Preferences."},
}};

std::string defaultText(const std::string& key)
{
    for (const auto& [k, text] : kDefaults)
        if (key == k)
            return text;
    return key;
}

} // namespace

std::string MessageTable::text(const std::string& key)
{
    const QString translated = QCoreApplication::translate("localizable", key.c_str());
    if (translated.isEmpty() || translated == QString::fromStdString(key))
        return defaultText(key);
    return translated.toStdString();
}

} // namespace velmora
