// SPDX-License-Identifier: GPL-3.0-or-later
// The application shell on real widgets (offscreen): launch and the restore
// rules, the controls that store at once, preferences, quit, the
// open-files routes, the one-window hand-over, translations, the command line.

#include "gui/Application.h"
#include "gui/OpenDialog.h"
#include "gui/VelmoraAppDelegate.h"
#include "gui/DragAndDropView.h"
#include "gui/RadioMatrix.h"
#include "settings/MessageTable.h"
#include "files/Platform.h"
#include "support/TestSupport.h"

#include <QtTest>
#include <QtWidgets>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <utility>

namespace fs = std::filesystem;
using namespace velmora;
using velmora::test::listNames;
using velmora::test::makeJpeg;
using velmora::test::TempDir;

Q_DECLARE_METATYPE(QVariantMap)

int runHistoryWindowTests(int argc, char** argv); // gui/test_history_window.cpp

namespace {

// The store as the user's INI file holds it; only looked at, never the way the app writes.
QSettings store()
{
    return QSettings(QStringLiteral("Velmora"), QStringLiteral("Velmora"));
}

QStringList storedKeys()
{
    QStringList keys = store().allKeys();
    keys.sort();
    return keys;
}

template <typename T> T* child(QObject* top, const char* name)
{
    T* w = top->findChild<T*>(QString::fromLatin1(name));
    if (!w)
        qFatal("no object %s", name);
    return w;
}

QString native(const fs::path& path)
{
    return QString::fromStdString(path.native());
}

// Runs the event loop until the application quits; false when a watchdog had to end it.
bool runUntilQuit(const std::function<void()>& start)
{
    bool watchdogFired = false;
    QObject watchdog; // takes its timer along when it goes
    QTimer::singleShot(60000, &watchdog, [&] {
        watchdogFired = true;
        QCoreApplication::quit();
    });
    QTimer::singleShot(0, qApp, start);
    QApplication::exec();
    return !watchdogFired;
}

// The application after launch, as main brings it up.
struct Launched {
    Launched() { delegate.applicationDidFinishLaunching(); }
    VelmoraAppDelegate* operator->() { return &delegate; }
    Application application;
    VelmoraAppDelegate delegate{application};
};

} // namespace

class AppTest : public QObject {
    Q_OBJECT
private slots:
    void init() { store().clear(); }

    // Before launch the field holds "laid out" and row 2 is chosen, to tell "applied" from "left alone".
    void restoreRules_data()
    {
        QTest::addColumn<QVariantMap>("stored");
        QTest::addColumn<int>("timezonesIndex");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("row");
        const QVariantMap all{{"prefix", true}, {"suffix", true}, {"rename", true}, {"fixTime", true}};
        // clang-format off
        QTest::newRow("empty store: row 1") << QVariantMap{} << 12 << "laid out" << 1;
        QTest::newRow("every checkbox") << all << 12 << "laid out" << 1;
        QTest::newRow("prefix text") << QVariantMap{{"text_to_prefix", "Rome_"}} << 12 << "Rome_" << 1;
        QTest::newRow("empty prefix text") << QVariantMap{{"text_to_prefix", ""}} << 12 << "" << 1;
        QTest::newRow("timezones 0 keeps the laid-out 0") << QVariantMap{{"timezones", 0}} << 12 << "laid out" << 1;
        QTest::newRow("timezones 26, the last item") << QVariantMap{{"timezones", 26}} << 26 << "laid out" << 1;
        QTest::newRow("timezones 27, past the end") << QVariantMap{{"timezones", 27}} << 12 << "laid out" << 1;
        QTest::newRow("timezones -1") << QVariantMap{{"timezones", -1}} << 12 << "laid out" << 1;
        QTest::newRow("row 0 selects row 1") << QVariantMap{{"selected_date_option_cell", 0}} << 12 << "laid out" << 1;
        QTest::newRow("row 2") << QVariantMap{{"selected_date_option_cell", 2}} << 12 << "laid out" << 2;
        // Outside the matrix: the laid-out row stays.
        QTest::newRow("row 3") << QVariantMap{{"selected_date_option_cell", 3}} << 12 << "laid out" << 2;
        QTest::newRow("row 2^32 + 1") << QVariantMap{{"selected_date_option_cell", 4294967297LL}} << 12 << "laid out" << 2;
        // clang-format on
    }

    void restoreRules()
    {
        QFETCH(QVariantMap, stored);
        QFETCH(int, timezonesIndex);
        QFETCH(QString, text);
        QFETCH(int, row);
        {
            QSettings s = store();
            for (auto it = stored.cbegin(); it != stored.cend(); ++it)
                s.setValue(it.key(), it.value());
        }
        Application application;
        VelmoraAppDelegate delegate(application);
        delegate.text_to_prefix()->setText(QStringLiteral("laid out"));
        delegate.dateSwitch()->selectCellAtRow(2, 0);
        delegate.applicationDidFinishLaunching();

        QVERIFY(delegate.window()->isVisible());
        QVERIFY(!delegate.status()->isVisible() && !delegate.spinner()->isVisible());
        QCOMPARE(delegate.timezones()->currentIndex(), timezonesIndex);
        QCOMPARE(delegate.text_to_prefix()->text(), text);
        QCOMPARE(delegate.dateSwitch()->selectedRow(), row);
        const bool on = stored.contains("prefix"); // all four or none
        for (QCheckBox* box : {delegate.prefix(), delegate.suffix(), delegate.rename(), delegate.fixTime()})
            QCOMPARE(box->isChecked(), on);
        // The field and the pop-up follow their checkboxes.
        QCOMPARE(delegate.text_to_prefix()->isEnabled(), on);
        QCOMPARE(delegate.timezones()->isEnabled(), on);
    }

    void prefixAndDateRowAreStoredWhenClicked()
    {
        Launched app;
        QCheckBox* prefix = app->prefix();
        QLineEdit* field = app->text_to_prefix();
        field->setText(QStringLiteral("Rome_")); // typed while disabled
        QTest::mouseClick(prefix, Qt::LeftButton);
        QVERIFY(field->isEnabled());
        QCOMPARE(store().value("prefix").toBool(), true);
        QCOMPARE(store().value("text_to_prefix").toString(), QStringLiteral("Rome_"));

        QTest::keyClicks(field, QStringLiteral("2"));
        QTest::mouseClick(prefix, Qt::LeftButton);
        QVERIFY(!field->isEnabled());
        QCOMPARE(store().value("prefix").toBool(), false);
        QCOMPARE(store().value("text_to_prefix").toString(), QStringLiteral("Rome_2"));

        field->clear();
        QTest::mouseClick(prefix, Qt::LeftButton);
        QVERIFY(store().contains("text_to_prefix") && store().value("text_to_prefix").toString().isEmpty());

        QTest::mouseClick(child<QRadioButton>(app->window(), "dateOfCapture"), Qt::LeftButton);
        QCOMPARE(store().value("selected_date_option_cell").toInt(), 2);
    }

    void exampleNameFollowsTheOptions()
    {
        Launched app;
        const auto shows = [&](const char* example) {
            return child<QLabel>(app->window(), "dropDetail")->text().contains(QStringLiteral(" %1.JPG,").arg(example));
        };
        app->timezones()->setCurrentIndex(26); // +14, while the shift is off
        QVERIFY(shows("2010-07-14__18-05-09"));
        app->fixTime()->setChecked(true);
        QVERIFY(shows("2010-07-15__08-05-09"));
        app->text_to_prefix()->setText(QStringLiteral("Rome_"));
        app->prefix()->setChecked(true);
        app->suffix()->setChecked(true);
        app->timezones()->setCurrentIndex(0); // -12
        QVERIFY(shows("Rome_2010-07-14__06-05-09__IMG_0001"));
    }

    void preferencesStoreOnlyOnOk()
    {
        Launched app;
        auto* open = child<QAction>(app->window(), "actionPreferences");
        QDialog* preferences = app->preferences();
        QCheckBox* exif = app->exifInPhotos();
        QCheckBox* keepSets = app->keepSetsTogether();
        // The first launch stores the one choice, off; keeping sets together is on without being stored.
        QCOMPARE(storedKeys(), QStringList{QStringLiteral("change_exif_in_photo")});
        QVERIFY(!exif->isChecked() && keepSets->isChecked());

        open->trigger();
        QVERIFY(preferences->isVisible());
        QTest::mouseClick(exif, Qt::LeftButton);
        QTest::keyClick(preferences, Qt::Key_Escape);
        QVERIFY(!preferences->isVisible());
        QCOMPARE(store().value("change_exif_in_photo").toBool(), false);

        // OK stores and closes.
        open->trigger();
        QVERIFY(!exif->isChecked());
        QTest::mouseClick(exif, Qt::LeftButton);
        QTest::mouseClick(keepSets, Qt::LeftButton);
        QTest::mouseClick(child<QAbstractButton>(preferences, "okButton"), Qt::LeftButton);
        QVERIFY(!preferences->isVisible());
        QCOMPARE(store().value("change_exif_in_photo").toBool(), true);
        QCOMPARE(store().value("keep_sets_together", true).toBool(), false);

        // Opening reads the store again: an absent key shows off, and is not written.
        store().remove("change_exif_in_photo");
        open->trigger();
        QVERIFY(!exif->isChecked());
        QVERIFY(!store().contains("change_exif_in_photo"));
    }

    // Closing the last window quits, and the drop zone saves six options; a
    // quit before window set-up saves five through the application delegate.
    void quitStoresTheOptions_data()
    {
        QTest::addColumn<bool>("setUp");
        QTest::newRow("after set-up") << true;
        QTest::newRow("before set-up") << false;
    }

    void quitStoresTheOptions()
    {
        QFETCH(bool, setUp);
        Application application;
        VelmoraAppDelegate delegate(application);
        if (setUp)
            delegate.applicationDidFinishLaunching();
        for (QCheckBox* box : {delegate.prefix(), delegate.suffix(), delegate.rename(), delegate.fixTime()})
            box->setChecked(true);
        delegate.timezones()->setCurrentIndex(14);
        delegate.text_to_prefix()->setText(QStringLiteral("Rome_"));
        store().clear();

        QVERIFY(runUntilQuit([&] { setUp ? (void)delegate.window()->close() : QCoreApplication::quit(); }));

        QStringList keys{"fixTime", "prefix", "rename", "suffix", "text_to_prefix"};
        QCOMPARE(storedKeys(), setUp ? keys << "timezones" : keys);
        QSettings s = store();
        for (const char* key : {"suffix", "prefix", "rename", "fixTime"})
            QVERIFY2(s.value(key).toBool(), key);
        QCOMPARE(s.value("text_to_prefix").toString(), QStringLiteral("Rome_"));
        QCOMPARE(s.value("timezones").toInt(), setUp ? 14 : 0);
    }

    void openMenuChoosesFilesAndFoldersForOneBatch()
    {
        TempDir dir;
        fs::create_directory(dir / "sub");
        makeJpeg(dir / "sub" / "a.jpg", "2012:03:04 05:06:07", "2012:03:04 05:06:07");
        makeJpeg(dir / "b.jpg", "2013:04:05 06:07:08", "2013:04:05 06:07:08");
        makeJpeg(dir / "left alone.jpg", "2014:05:06 07:08:09", "2014:05:06 07:08:09");
        Launched app;
        QSignalSpy finished(app->dropView(), &DragAndDropView::batchFinished);

        child<QAction>(app->window(), "actionOpen")->trigger();
        auto* dialog = child<OpenDialog>(app->window(), "openDialog");
        QTRY_VERIFY(dialog->isVisible());
        dialog->setDirectory(native(dir.path()));
        auto* name = child<QLineEdit>(dialog, "fileNameEdit");
        // Enter on a folder's name goes into it and starts nothing.
        name->setText(native(dir / "sub"));
        QTest::keyClick(name, Qt::Key_Return);
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->directory().absolutePath(), native(dir / "sub"));
        dialog->setDirectory(native(dir.path()));
        name->setText(QStringLiteral("\"sub\" \"b.jpg\""));
        QTest::keyClick(name, Qt::Key_Enter);
        QVERIFY(dialog->isVisible());
        // The Open button takes a folder as a choice, not as a place to step into.
        dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open)->click();

        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 30000);
        QVERIFY(fs::exists(dir / "sub" / "2012-03-04__05-06-07.jpg"));
        QVERIFY(fs::exists(dir / "2013-04-05__06-07-08.jpg"));
        QVERIFY(fs::exists(dir / "left alone.jpg"));
    }

    void stopEndsTheBatchAfterThePhotoInHand_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Stop button") << "button";
        QTest::newRow("Escape") << "escape";
        QTest::newRow("quit: the drop zone joins its workers") << "quit";
    }

    void stopEndsTheBatchAfterThePhotoInHand()
    {
        QFETCH(QString, how);
        TempDir dir;
        for (int i = 0; i < 150; ++i)
            makeJpeg(dir / ("IMG_" + std::to_string(i) + ".jpg"), "2010:07:14 18:05:" + std::to_string(10 + i % 50));
        {
            // Writing the date back makes each photo slow enough to stop in the middle.
            QSettings s = store();
            s.setValue("fixTime", true);
            s.setValue("timezones", 14);
            s.setValue("change_exif_in_photo", true);
            s.setValue("selected_date_option_cell", 2);
        }
        // Paths that come before window set-up wait for it, and for the restored controls.
        Application application;
        VelmoraAppDelegate delegate(application);
        VelmoraAppDelegate* app = &delegate;
        QSignalSpy finished(app->dropView(), &DragAndDropView::batchFinished);
        application.openFiles({dir.path()});
        QCoreApplication::processEvents();
        QCOMPARE(app->dropView()->runningBatches(), 0);
        auto* stop = child<QPushButton>(app->window(), "stopButton");
        QVERIFY(!stop->isVisible());
        // Stopped at the first progress the window shows: a poll could come after a fast batch's end.
        bool stopped = false, stopVisible = false;
        connect(app->spinner(), &QProgressBar::valueChanged, app->window(), [&](int value) {
            if (value == 0 || std::exchange(stopped, true))
                return;
            stopVisible = stop->isVisible();
            if (how == "escape")
                QTest::keyClick(app->window(), Qt::Key_Escape);
            else if (how == "button")
                QTest::mouseClick(stop, Qt::LeftButton);
            else
                app->dropView()->stopBatches();
        });
        delegate.applicationDidFinishLaunching();
        QVERIFY(QTest::qWaitForWindowActive(app->window()));
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 30000);
        QVERIFY(stopVisible);

        QTRY_COMPARE(app->status()->text(), QStringLiteral("Stopped"));
        QVERIFY(!stop->isVisible());
        // Every photo is whole, under its old name or its new one; no temporary file stays.
        const auto names = listNames(dir.path());
        QCOMPARE(names.size(), size_t{150});
        for (const auto& name : names)
            QVERIFY2(!QImage(native(dir / name)).isNull(), name.c_str());
        const auto named = [&](const char* start) {
            return std::any_of(names.begin(), names.end(),
                               [&](const std::string& n) { return n.rfind(start, 0) == 0; });
        };
        QVERIFY2(named("IMG_"), "the batch ran to its end");
        QVERIFY2(named("2010-07-14__20-05-"), "the restored shift of +2 hours was not applied");
    }

    void listenTakesOverAStaleSocketButNotALiveOne()
    {
        const QString name = qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/handover-stale");
        // What a crashed instance leaves: a socket file that nobody listens on.
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray bytes = QFile::encodeName(name);
        std::memcpy(address.sun_path, bytes.constData(), bytes.size());
        QCOMPARE(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
        QVERIFY(!Application::handOverToRunningInstance({"/photos"}, name));

        Application first;
        QVERIFY(first.listen(name));
        Application second;
        QVERIFY(!second.listen(name));
    }

    void secondStartHandsItsPathsToTheFirst()
    {
        TempDir runtime;
        TempDir config;
        TempDir photos;
        makeJpeg(photos / "IMG_0001.JPG", "2010:07:14 18:05:09", "2010:07:14 18:05:09");
        makeJpeg(photos / "IMG_0002.JPG", "2010:07:14 18:05:10", "2010:07:14 18:05:10");
        fs::create_directory(photos / "later");
        makeJpeg(photos / "later" / "IMG_0003.JPG", "2011:08:15 19:06:10", "2011:08:15 19:06:10");
        const fs::path later = photos / "caf\xe9"; // not UTF-8: handed over byte-exact
        fs::rename(photos / "later", later);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), native(runtime.path()));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), native(config.path()));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));

        // Paths given at the first start are renamed once the window is set up.
        QProcess first;
        first.setProcessEnvironment(env);
        first.start(QStringLiteral(VELMORA_BINARY), {native(photos / "IMG_0001.JPG"), native(photos / "IMG_0002.JPG")});
        QTRY_VERIFY_WITH_TIMEOUT(fs::exists(photos / "2010-07-14__18-05-10.JPG"), 30000);
        QVERIFY(fs::exists(photos / "2010-07-14__18-05-09.JPG"));
        QVERIFY(fs::exists(runtime / "velmora.socket"));

        // Later starts hand their folder, or nothing, over and end; the first renames it.
        // Through a shell: a QString argument would not keep the name's bytes.
        const QString binary = QStringLiteral(VELMORA_BINARY);
        for (const QStringList& arguments :
             {QStringList{"-c", "exec \"$0\" \"$1$(printf '\\351')\"", binary, native(photos / "caf")},
              QStringList{"-c", "exec \"$0\"", binary}}) {
            QProcess second;
            second.setProcessEnvironment(env);
            second.start(QStringLiteral("/bin/sh"), arguments);
            QVERIFY(second.waitForFinished(30000));
            QCOMPARE(second.exitStatus(), QProcess::NormalExit);
            QCOMPARE(second.exitCode(), 0);
        }
        QTRY_VERIFY_WITH_TIMEOUT(fs::exists(later / "2011-08-15__19-06-10.JPG"), 30000);
        QCOMPARE(first.state(), QProcess::Running);
        first.terminate();
        QVERIFY(first.waitForFinished(30000));
    }

    void translations_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("done");
        // clang-format off
        QTest::newRow("German") << "de" << "Fertig";
        QTest::newRow("French") << "fr" << "Terminé";
        QTest::newRow("English") << "en" << "Done";
        // clang-format on
    }

    void translations()
    {
        QFETCH(QString, language);
        QFETCH(QString, done);
        QTranslator translator;
        QVERIFY(translator.load(QLocale(language), QStringLiteral("velmora"), QStringLiteral("_"),
                                QStringLiteral(VELMORA_TRANSLATIONS_DIR)));
        // Untranslated first, to compare with.
        Application plainApplication;
        VelmoraAppDelegate plain(plainApplication);
        QVERIFY(QCoreApplication::installTranslator(&translator));
        const auto removeTranslator = qScopeGuard([&] { QCoreApplication::removeTranslator(&translator); });

        QCOMPARE(QString::fromStdString(MessageTable::text("#1")), done);
        QCOMPARE(QString::fromStdString(MessageTable::text("#12")), QStringLiteral("OK"));
        // The web site stays the build's address in every language.
        QCOMPARE(QString::fromStdString(MessageTable::text("#15")), QStringLiteral(VELMORA_WEB_SITE));
        for (const char* key : {"#2", "#14", "#17"})
            QVERIFY2(MessageTable::text(key) != key, key);

        Application application;
        VelmoraAppDelegate delegate(application);
        const QList<QWidget*> roots{delegate.window(), delegate.preferences()};
        const QList<QWidget*> plainRoots{plain.window(), plain.preferences()};
        for (int r = 0; r < roots.size(); ++r) {
            // Every button and menu of both windows has a key of its own, in every language.
            QStringList keys;
            for (auto* b : roots[r]->findChildren<QAbstractButton*>())
                if (b->window() == roots[r] && !b->text().isEmpty()) // not the menu bar's overflow arrow
                    keys << b->text().section(QLatin1Char('&'), 1).left(1).toLower();
            for (auto* m : roots[r]->findChildren<QMenu*>())
                keys << m->title().section(QLatin1Char('&'), 1).left(1).toLower();
            QVERIFY2(!keys.contains(QString()) && QSet<QString>(keys.begin(), keys.end()).size() == keys.size(),
                     qPrintable(keys.join(QLatin1Char(' '))));
            if (language == QLatin1String("en"))
                continue;
            // Every text is translated but numbers, "OK", the name and the arrow.
            const auto texts = [](QWidget* root) {
                QMap<QString, QString> byName{{QStringLiteral("windowTitle"), root->windowTitle()}};
                for (auto* b : root->findChildren<QAbstractButton*>())
                    byName[b->objectName()] = b->text();
                for (auto* l : root->findChildren<QLabel*>())
                    byName[l->objectName()] = l->text();
                for (auto* g : root->findChildren<QGroupBox*>())
                    byName[g->objectName()] = g->title();
                for (auto* a : root->findChildren<QAction*>())
                    if (!a->objectName().isEmpty())
                        byName[a->objectName()] = a->text();
                for (auto* m : root->findChildren<QMenu*>())
                    byName[m->objectName()] = m->title();
                return byName;
            };
            const auto shown = texts(roots[r]);
            const auto english = texts(plainRoots[r]);
            QStringList untranslated;
            for (auto it = english.cbegin(); it != english.cend(); ++it) {
                bool numeric = false;
                it.value().toInt(&numeric);
                const QStringList kept{QString(), "OK", "&OK", "Velmora", QString::fromUtf8("⤓")};
                if (!numeric && !kept.contains(it.value()) && shown[it.key()] == it.value())
                    untranslated << it.key() + QStringLiteral(": ") + it.value();
            }
            QVERIFY2(untranslated.isEmpty(), qPrintable(untranslated.join(QLatin1String("; "))));
        }
    }

    // Last: they start processes, after which ThreadSanitizer allows no new thread in this one.
    void writeToSupportWithoutMailProgramShowsTheAddress()
    {
        // A desktop that knows no program for mailto: links.
        TempDir bin;
        velmora::test::writeFile(bin / "xdg-mime", "#!/bin/sh\nexit 0\n");
        fs::permissions(bin / "xdg-mime", fs::perms::owner_all);
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QByteArray::fromStdString(bin.path().native()) + ":" + path);
        const auto restorePath = qScopeGuard([&] { qputenv("PATH", path); });

        Launched app;
        child<QAction>(app->window(), "actionWriteMail")->trigger();
        auto* box = child<QMessageBox>(app->window(), "supportAddress");
        QTRY_VERIFY(box->isVisible());
        QVERIFY(box->text().contains(QStringLiteral(VELMORA_SUPPORT_EMAIL)));
        QGuiApplication::clipboard()->clear();
        for (QAbstractButton* button : box->buttons())
            if (box->buttonRole(button) == QMessageBox::ActionRole)
                button->click();
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral(VELMORA_SUPPORT_EMAIL));
    }

    void usageAndVersionArePrintedWithoutAWindow()
    {
        // No display at all: the answer must not need one.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.remove(QStringLiteral("DISPLAY"));
        for (const auto& [option, printed] :
             {std::pair{"--help", "[PATH...]"}, {"-h", "--version"}, {"--version", "Velmora " VELMORA_VERSION}}) {
            QProcess velmora;
            velmora.setProcessEnvironment(env);
            velmora.start(QStringLiteral(VELMORA_BINARY), {QString::fromLatin1(option)});
            QVERIFY(velmora.waitForFinished(30000));
            QCOMPARE(velmora.exitCode(), 0);
            QVERIFY2(velmora.readAllStandardOutput().contains(printed), printed);
        }
    }
};

int main(int argc, char** argv)
{
    // Before anything reads settings or the runtime folder: a private store and socket.
    TempDir config;
    TempDir runtime;
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(config.path().native()));
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime.path().native()));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    initializePlatform();
    // The History window's tests first: after a process is started, ThreadSanitizer allows no new thread.
    AppTest test;
    return runHistoryWindowTests(argc, argv) | QTest::qExec(&test, argc, argv);
}

#include "test_app.moc"
