// SPDX-License-Identifier: GPL-3.0-or-later
// Reads or writes the settings store in a process of its own, so that a test
// sees what survives the end of a process.
//   settings_helper write KEY VALUE [KEY VALUE ...]   (text_to_prefix: any text; others:
//                                                     true/false, state:0|1|2 for a checkbox, or a number)
//   settings_helper dump                              (JSON: every key's reads)
#include "platform/Settings.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

using namespace velmora;

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "dump") == 0) {
        QJsonObject all;
        for (const auto key :
             {settings::suffix, settings::prefix, settings::rename, settings::fixTime, settings::changeExifInPhoto})
            all.insert(key.name, QJsonObject{{"present", settings::contains(key)}, {"value", settings::read(key)}});
        for (const auto key : {settings::timezones, settings::selectedDateOptionCell})
            all.insert(key.name, QJsonObject{{"value", QString::number(settings::read(key))}});
        const auto text = settings::read(settings::textToPrefix);
        all.insert(settings::textToPrefix.name, text ? QJsonValue(*text) : QJsonValue());
        std::fputs(QJsonDocument(all).toJson(QJsonDocument::Compact).constData(), stdout);
        return 0;
    }
    if (argc < 2 || std::strcmp(argv[1], "write") != 0 || argc % 2 != 0)
        return 2;
    for (int i = 2; i + 1 < argc; i += 2) {
        const char* key = argv[i];
        const std::string value = argv[i + 1];
        if (key == std::string_view(settings::textToPrefix.name))
            settings::write(settings::textToPrefix, QString::fromUtf8(value.c_str()));
        else if (value.rfind("state:", 0) == 0)
            settings::write(settings::BoolKey{key}, static_cast<Qt::CheckState>(std::stoi(value.substr(6))));
        else if (value == "true" || value == "false")
            settings::write(settings::BoolKey{key}, value == "true");
        else
            settings::write(settings::IntKey{key}, std::stoll(value));
    }
    return 0;
}
