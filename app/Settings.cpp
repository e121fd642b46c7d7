// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Settings.h"

#include "platform/PreferenceStore.h"

namespace velmora::settings {

bool read(BoolKey key)
{
    if (key.absent && !PreferenceStore::hasObjectForKey(key.name))
        return true;
    return PreferenceStore::boolForKey(key.name);
}

long long read(IntKey key)
{
    return PreferenceStore::integerForKey(key.name);
}

std::optional<QString> read(StringKey key)
{
    const auto text = PreferenceStore::stringForKey(key.name);
    if (!text)
        return std::nullopt;
    return QString::fromStdString(*text);
}

bool contains(BoolKey key)
{
    return PreferenceStore::hasObjectForKey(key.name);
}

void write(BoolKey key, bool value)
{
    PreferenceStore::setBool(key.name, value);
}

void write(IntKey key, long long value)
{
    PreferenceStore::setInteger(key.name, value);
}

void write(StringKey key, const QString& value)
{
    PreferenceStore::setString(key.name, value.toStdString());
}

void write(BoolKey key, Qt::CheckState state)
{
    write(key, state != Qt::Unchecked);
}

} // namespace velmora::settings
