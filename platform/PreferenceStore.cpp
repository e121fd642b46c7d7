#include "platform/PreferenceStore.h"

#include <QSettings>
#include <QString>
#include <QVariant>

namespace velmora {
namespace {

QSettings store()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Velmora"), QStringLiteral("Velmora"));
}

QVariant value(const std::string& key)
{
    return store().value(QString::fromStdString(key));
}

} // namespace

bool PreferenceStore::boolForKey(const std::string& key)
{
    const QVariant v = value(key);
    if (v.typeId() == QMetaType::Bool)
        return v.toBool();
    if (v.typeId() != QMetaType::QString)
        return false;
    // The INI file holds text; accept only what a boolean was written as.
    const QString text = v.toString().trimmed().toLower();
    if (text == QLatin1String("true") || text == QLatin1String("1") || text == QLatin1String("yes"))
        return true;
    return false;
}

long long PreferenceStore::integerForKey(const std::string& key)
{
    const QVariant v = value(key);
    if (v.typeId() != QMetaType::QString && v.typeId() != QMetaType::Int && v.typeId() != QMetaType::LongLong)
        return 0;
    bool ok = false;
    const long long n = v.toString().trimmed().toLongLong(&ok);
    return ok ? n : 0;
}

std::optional<std::string> PreferenceStore::stringForKey(const std::string& key)
{
    const QVariant v = value(key);
    if (v.typeId() != QMetaType::QString)
        return std::nullopt;
    return v.toString().toStdString();
}

bool PreferenceStore::hasObjectForKey(const std::string& key)
{
    return store().contains(QString::fromStdString(key));
}

void PreferenceStore::setBool(const std::string& key, bool v)
{
    store().setValue(QString::fromStdString(key), v);
}

void PreferenceStore::setInteger(const std::string& key, long long v)
{
    store().setValue(QString::fromStdString(key), v);
}

void PreferenceStore::setString(const std::string& key, const std::string& v)
{
    store().setValue(QString::fromStdString(key), QString::fromStdString(v));
}

void PreferenceStore::sync()
{
    store().sync();
}

} // namespace velmora
