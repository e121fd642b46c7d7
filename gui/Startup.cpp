// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/Startup.h"

#include "gui/Application.h"
#include "gui/VelmoraAppDelegate.h"
#include "writeback/WriteAheadLog.h"
#include "files/Platform.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstring>

namespace {

void nameApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("Velmora"));
    QCoreApplication::setOrganizationName(QStringLiteral("Velmora"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VELMORA_VERSION));
}

void installTranslators(QTranslator& own, QTranslator& qt)
{
    if (own.load(QLocale(), QStringLiteral("velmora"), QStringLiteral("_"),
                 QCoreApplication::applicationDirPath() + QStringLiteral("/translations")) ||
        own.load(QLocale(), QStringLiteral("velmora"), QStringLiteral("_"),
                 QCoreApplication::applicationDirPath() + QStringLiteral("/../share/velmora/translations")))
        QCoreApplication::installTranslator(&own);
    if (qt.load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qt);
}

// Usage and version need no display: they are answered before the window system is asked for.
bool asksForUsageOrVersion(int argc, char** argv)
{
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i)
        for (const char* option : {"-h", "--help", "-?", "--help-all", "-v", "--version"})
            if (std::strcmp(argv[i], option) == 0)
                return true;
    return false;
}

// Prints usage or version and ends the process when asked; an unknown option ends it with a message.
// True with --preview.
bool processOptions(const QCoreApplication& app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QCoreApplication::translate("main", "Renames photos after the moment they were taken."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption preview(
        QStringLiteral("preview"),
        QCoreApplication::translate("main", "First show what would be renamed, and how; nothing changes until "
                                            "you choose Rename. Without it, PATHs are renamed at once unless the "
                                            "preference to preview is on."));
    parser.addOption(preview);
    parser.addPositionalArgument(QCoreApplication::translate("main", "paths"),
                                 QCoreApplication::translate("main", "Photos or folders to rename at once."),
                                 QCoreApplication::translate("main", "[PATH...]"));
    parser.process(app);
    return parser.isSet(preview);
}

} // namespace

namespace velmora {

int runVelmora(int argc, char** argv)
{
    if (asksForUsageOrVersion(argc, argv)) {
        QCoreApplication app(argc, argv);
        nameApplication();
        QTranslator translator, qtTranslator;
        installTranslators(translator, qtTranslator);
        processOptions(app);
        return 0;
    }

    QApplication app(argc, argv);
    nameApplication();
    QApplication::setDesktopFileName(QStringLiteral("app.velmora.Velmora"));
    QTranslator translator, qtTranslator;
    installTranslators(translator, qtTranslator);
    const bool preview = processOptions(app);

    // One window per user: a second start hands its photos to the first, taken
    // byte-exact from argv (Qt's own options are gone from it by now).
    const auto paths = velmora::pathsFromArguments(argc, argv);
    if (velmora::Application::handOverToRunningInstance(paths, preview))
        return 0;

    velmora::initializePlatform();
    velmora::recoverInterruptedPatches();

    velmora::Application application;
    // Another instance came up since the hand-over above: try once more.
    if (!application.listen() && velmora::Application::handOverToRunningInstance(paths, preview))
        return 0;
    velmora::VelmoraAppDelegate delegate(application);
    delegate.start();
    // Files opened with Velmora at start are handled once window set-up is done.
    if (!paths.empty())
        application.openFiles(paths, preview);
    return QApplication::exec();
}

} // namespace velmora
