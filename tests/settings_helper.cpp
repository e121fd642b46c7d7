// SPDX-License-Identifier: GPL-3.0-or-later
// Reads or writes the settings store in a process of its own, so that a test
// sees what survives the end of a process.
//   settings_helper write KEY VALUE [KEY VALUE ...]   (booleans: true/false, or
//                                                     state:0|1|2 for a checkbox)
//   settings_helper dump                              (JSON: every key's reads)
#include "platform/Settings.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <cstring>
#include <string>

using namespace velmora;

namespace {

const settings::BoolKey kBoolKeys[] = {settings::suffix, settings::prefix, settings::rename, settings::fixTime,
                                       settings::changeExifInPhoto};
const settings::IntKey kIntKeys[] = {settings::timezones, settings::selectedDateOptionCell};

bool write(const std::string& key, const std::string& value)
{
    for (const auto k : kBoolKeys)
        if (key == k.name) {
            if (value.rfind("state:", 0) == 0)
                settings::write(k, static_cast<Qt::CheckState>(std::stoi(value.substr(6))));
            else
                settings::write(k, value == "true");
            return true;
        }
    for (const auto k : kIntKeys)
        if (key == k.name) {
            settings::write(k, std::stoll(value));
            return true;
        }
    if (key != settings::textToPrefix.name)
        return false;
    settings::write(settings::textToPrefix, QString::fromUtf8(value.c_str()));
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "dump") == 0) {
        QJsonObject all;
        for (const auto k : kBoolKeys)
            all.insert(k.name, QJsonObject{{"present", settings::contains(k)}, {"value", settings::read(k)}});
        for (const auto k : kIntKeys)
            all.insert(k.name, QJsonObject{{"value", QString::number(settings::read(k))}});
        const auto text = settings::read(settings::textToPrefix);
        all.insert(settings::textToPrefix.name, text ? QJsonValue(*text) : QJsonValue());
        std::fputs(QJsonDocument(all).toJson(QJsonDocument::Compact).constData(), stdout);
        return 0;
    }
    if (argc < 2 || std::strcmp(argv[1], "write") != 0 || argc % 2 != 0)
        return 2;
    for (int i = 2; i + 1 < argc; i += 2)
        if (!write(argv[i], argv[i + 1]))
            return 2;
    return 0;
}
