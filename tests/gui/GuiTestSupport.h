// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "gui/Application.h"
#include "gui/VelmoraAppDelegate.h"
#include "support/TestSupport.h"

#include <QSettings>
#include <QStringList>
#include <QVariantMap>

#include <filesystem>

namespace velmora::test {

// A store and a runtime folder (the one-window socket) of the test program's own, set before anything reads them.
inline const TempDir configHome, runtimeHome;
[[maybe_unused]] inline const bool privateHomes =
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(configHome.path().native())) &&
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtimeHome.path().native()));

// The store as the user's INI file holds it; only looked at, never the way the app writes.
inline QSettings store()
{
    return QSettings(QStringLiteral("Velmora"), QStringLiteral("Velmora"));
}

inline void storeValues(const QVariantMap& values)
{
    QSettings s = store();
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        s.setValue(it.key(), it.value());
}

template <typename T> T* child(QObject* top, const char* name)
{
    T* w = top->findChild<T*>(QString::fromLatin1(name));
    if (!w)
        qFatal("no object %s", name);
    return w;
}

inline QString native(const std::filesystem::path& path)
{
    return QString::fromStdString(path.native());
}

// The application before launch, as main makes it; Launched: after launch.
struct Shell {
    VelmoraAppDelegate* operator->() { return &delegate; }
    Application application;
    VelmoraAppDelegate delegate{application};
};
struct Launched : Shell {
    Launched() { delegate.start(); }
};

} // namespace velmora::test
