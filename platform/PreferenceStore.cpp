// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PreferenceStore.h"

#include <QSettings>
#include <QString>
#include <QVariant>

namespace velmora {
namespace {

// QSettings("Velmora", "Velmora"): on Linux the INI file
// $XDG_CONFIG_HOME/Velmora/Velmora.conf. No fallbacks: nothing from
// /etc/xdg or an organisation-wide file may answer for a key we never wrote.
class Store {
public:
    Store() : settings_(QStringLiteral("Velmora"), QStringLiteral("Velmora")) { settings_.setFallbacksEnabled(false); }
    QSettings* operator->() { return &settings_; }

private:
    QSettings settings_;
};

// A value as the file holds it, whether this process wrote it (then QSettings
// hands back the typed value) or read it from disk (then it is text), so that
// a key reads the same before and after a restart. nullopt for a value that
// is not a single text: a list ("a, b" unquoted), a rectangle, a byte array...
std::optional<QString> text(const std::string& key)
{
    const QVariant v = Store()->value(QString::fromStdString(key));
    switch (v.typeId()) {
    case QMetaType::QString:
        return v.toString();
    case QMetaType::Bool:
        return v.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QMetaType::Int:
    case QMetaType::LongLong:
        return QString::number(v.toLongLong());
    default:
        return std::nullopt;
    }
}

} // namespace

bool PreferenceStore::boolForKey(const std::string& key)
{
    // Only what a boolean is written as (and the usual spellings of yes) reads as true.
    const auto t = text(key);
    if (!t)
        return false;
    const QString word = t->trimmed().toLower();
    return word == QLatin1String("true") || word == QLatin1String("1") || word == QLatin1String("yes");
}

long long PreferenceStore::integerForKey(const std::string& key)
{
    const auto t = text(key);
    if (!t)
        return 0;
    bool ok = false;
    const long long n = t->trimmed().toLongLong(&ok);
    return ok ? n : 0;
}

std::optional<std::string> PreferenceStore::stringForKey(const std::string& key)
{
    const auto t = text(key);
    if (!t)
        return std::nullopt;
    return t->toStdString();
}

bool PreferenceStore::hasObjectForKey(const std::string& key)
{
    return Store()->contains(QString::fromStdString(key));
}

void PreferenceStore::setBool(const std::string& key, bool v)
{
    Store()->setValue(QString::fromStdString(key), v);
}

void PreferenceStore::setInteger(const std::string& key, long long v)
{
    Store()->setValue(QString::fromStdString(key), v);
}

void PreferenceStore::setString(const std::string& key, const std::string& v)
{
    Store()->setValue(QString::fromStdString(key), QString::fromStdString(v));
}

void PreferenceStore::sync()
{
    Store()->sync();
}

} // namespace velmora
