#include "app/Application.h"
#include "app/VelmoraAppDelegate.h"
#include "platform/PatchJournal.h"
#include "platform/Platform.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    QApplication::setOrganizationName(QStringLiteral("Velmora"));
    QApplication::setDesktopFileName(QStringLiteral("app.velmora.Velmora"));

    // One window per user: a second start hands its photos to the first.
    const auto paths = velmora::pathsFromArguments(argc, argv);
    if (velmora::Application::handOverToRunningInstance(paths))
        return 0;

    QTranslator translator;
    if (translator.load(QLocale(), QStringLiteral("velmora"), QStringLiteral("_"),
                        QCoreApplication::applicationDirPath() + QStringLiteral("/translations")) ||
        translator.load(QLocale(), QStringLiteral("velmora"), QStringLiteral("_"),
                        QCoreApplication::applicationDirPath() + QStringLiteral("/../share/velmora/translations")))
        QCoreApplication::installTranslator(&translator);
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTranslator);

    velmora::initializePlatform();
    velmora::recoverInterruptedPatches();

    velmora::Application application;
    // Another instance came up since the hand-over above: try once more.
    if (!application.listen() && velmora::Application::handOverToRunningInstance(paths))
        return 0;
    velmora::VelmoraAppDelegate delegate(application);
    delegate.applicationDidFinishLaunching();
    // Files opened with Velmora at start are handled once window set-up is done.
    if (!paths.empty())
        application.openFiles(paths);
    return QApplication::exec();
}
