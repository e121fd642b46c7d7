// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/Settings.h"

#include <QSettings>
#include <QVariant>

#include <atomic>

namespace velmora::settings {
namespace {

// One instance per call, so that any thread may call. No fallbacks: nothing
// from /etc/xdg or an organisation-wide file may answer for a key we never wrote.
class Store {
public:
    Store() : settings_(QStringLiteral("Velmora"), QStringLiteral("Velmora")) { settings_.setFallbacksEnabled(false); }
    QSettings* operator->() { return &settings_; }

private:
    QSettings settings_;
};

std::atomic<unsigned long long> writes{0};

// A value as the file holds it, whether this process wrote it (then QSettings
// hands back the typed value) or read it from disk (then it is text), so that
// a key reads the same before and after a restart. nullopt for a value that
// is not a single text: a list ("a, b" unquoted), a rectangle, a byte array...
std::optional<QString> text(Store& store, const char* key)
{
    const QVariant v = store->value(QLatin1String(key));
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

std::optional<QString> text(const char* key)
{
    Store store;
    return text(store, key);
}

} // namespace

bool read(BoolKey key)
{
    if (key.absent && !contains(key))
        return true;
    // Only what a boolean is written as (and the usual spellings of yes) reads as true.
    const auto t = text(key.name);
    if (!t)
        return false;
    const QString word = t->trimmed().toLower();
    return word == QLatin1String("true") || word == QLatin1String("1") || word == QLatin1String("yes");
}

long long read(IntKey key)
{
    const auto t = text(key.name);
    bool ok = false;
    const long long n = t ? t->trimmed().toLongLong(&ok) : 0;
    return ok ? n : 0;
}

std::optional<QString> read(StringKey key)
{
    return text(key.name);
}

bool contains(BoolKey key)
{
    return Store()->contains(QLatin1String(key.name));
}

Writes& Writes::set(BoolKey key, bool value)
{
    values_.emplace_back(key.name, value);
    return *this;
}

Writes& Writes::set(IntKey key, long long value)
{
    values_.emplace_back(key.name, value);
    return *this;
}

Writes& Writes::set(StringKey key, const QString& value)
{
    values_.emplace_back(key.name, value);
    return *this;
}

void write(const Writes& values)
{
    {
        Store store;
        for (const auto& [key, value] : values.values_)
            if (text(store, key) != value.toString())
                store->setValue(QLatin1String(key), value);
    } // the file is written as the store goes, if anything was set
    writes.fetch_add(1, std::memory_order_release);
}

unsigned long long writeCount()
{
    return writes.load(std::memory_order_acquire);
}

} // namespace velmora::settings
