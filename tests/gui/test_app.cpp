// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/BatchController.h"
#include "gui/RadioColumn.h"
#include "history/BatchHistory.h"
#include "GuiTestSupport.h"

#include <QtTest>
#include <QtWidgets>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <utility>

namespace fs = std::filesystem;
using namespace velmora;
using namespace velmora::test;

Q_DECLARE_METATYPE(QVariantMap)

int runHistoryWindowTests(int argc, char** argv); // gui/test_history_window.cpp
int runMenuTests(int argc, char** argv);          // gui/test_menus.cpp

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
        // Outside the column: the laid-out row stays.
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
        storeValues(stored);
        Shell app;
        app->textToPrefix()->setText(QStringLiteral("laid out"));
        app->dateSwitch()->selectRow(2);
        app->start();

        QVERIFY(app->window()->isVisible() && !app->status()->isVisible() && !app->spinner()->isVisible());
        QCOMPARE(app->timezones()->currentIndex(), timezonesIndex);
        QCOMPARE(app->textToPrefix()->text(), text);
        QCOMPARE(app->dateSwitch()->selectedRow(), row);
        const bool on = stored.contains("prefix"); // all four or none
        for (QCheckBox* box : {app->prefix(), app->suffix(), app->rename(), app->fixTime()})
            QCOMPARE(box->isChecked(), on);
        QCOMPARE(app->textToPrefix()->isEnabled(), on);
        QCOMPARE(app->timezones()->isEnabled(), on);
    }

    // Closing the last window quits, and the batch controller saves six options; a
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
        Shell app;
        if (setUp)
            app->start();
        for (QCheckBox* box : {app->prefix(), app->suffix(), app->rename(), app->fixTime()})
            box->setChecked(true);
        app->timezones()->setCurrentIndex(14);
        app->textToPrefix()->setText(QStringLiteral("Rome_"));
        store().clear();

        // Quit comes through the event loop; a watchdog ends it with 1 if it does not.
        QObject watchdog; // takes its timer along when it goes
        QTimer::singleShot(60000, &watchdog, [] { QCoreApplication::exit(1); });
        QTimer::singleShot(0, qApp, [&] { setUp ? (void)app->window()->close() : QCoreApplication::quit(); });
        QCOMPARE(QApplication::exec(), 0);

        QStringList keys{"fixTime", "prefix", "rename", "suffix", "text_to_prefix"};
        QCOMPARE(store().allKeys(), setUp ? keys << "timezones" : keys);
        QSettings s = store();
        for (const char* key : {"suffix", "prefix", "rename", "fixTime"})
            QVERIFY2(s.value(key).toBool(), key);
        QCOMPARE(s.value("text_to_prefix").toString(), QStringLiteral("Rome_"));
        QCOMPARE(s.value("timezones").toInt(), setUp ? 14 : 0);
    }

    void stopEndsTheBatchAfterThePhotoInHand_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Stop button") << "button";
        QTest::newRow("Escape") << "escape";
        QTest::newRow("quit: the batch controller joins its workers") << "quit";
    }

    void stopEndsTheBatchAfterThePhotoInHand()
    {
        QFETCH(QString, how);
        TempDir dir;
        for (int i = 0; i < 150; ++i)
            makeJpeg(dir / ("IMG_" + std::to_string(i) + ".jpg"), "2010:07:14 18:05:" + std::to_string(10 + i % 50));
        // Writing the date back makes each photo slow enough to stop in the middle.
        storeValues(
            {{"fixTime", true}, {"timezones", 14}, {"change_exif_in_photo", true}, {"selected_date_option_cell", 2}});
        // Paths that come before window set-up wait for it, and for the restored controls.
        Shell app;
        QSignalSpy finished(app->batches(), &BatchController::batchFinished);
        app.application.openFiles({dir.path()});
        QCoreApplication::processEvents();
        QCOMPARE(app->batches()->runningBatches(), 0);
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
                app->batches()->stopBatches();
        });
        app->start();
        QVERIFY(QTest::qWaitForWindowActive(app->window()));
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 30000);
        QVERIFY(stopVisible);

        QTRY_VERIFY(app->status()->text().startsWith(QStringLiteral("Stopped: ")));
        QVERIFY(listBatches().front().stopped); // the history calls it partial
        QVERIFY(!stop->isVisible());
        // Every photo is whole, under its old name or its new one; no temporary file stays.
        const auto names = listNames(dir.path());
        QCOMPARE(names.size(), size_t{150});
        for (const auto& name : names)
            QVERIFY2(!QImage(native(dir / name)).isNull(), name.c_str());
        const auto renamed = std::count_if(names.begin(), names.end(), [](const std::string& n) { return n[0] == '2'; });
        QVERIFY2(renamed < 150, "the batch ran to its end");
        QCOMPARE(app->status()->text().section(QStringLiteral(" <a"), 0, 0),
                 QStringLiteral("Stopped: %1 renamed, 0 without a date, 0 failed").arg(renamed));
        QVERIFY2(std::any_of(names.begin(), names.end(), [](auto& n) { return n.starts_with("2010-07-14__20-05-"); }),
                 "the restored shift of +2 hours was not applied");
    }

    void secondStartHandsItsPathsToTheFirst()
    {
        TempDir runtime, config, photos;
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
        // What a crashed instance leaves: a socket file that nobody listens on, for the first start to take over.
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{AF_UNIX, {}};
        const std::string socket = (runtime / "velmora.socket").native();
        std::memcpy(address.sun_path, socket.data(), socket.size());
        QCOMPARE(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(fd);

        QProcess first;
        first.setProcessEnvironment(env);
        first.start(QStringLiteral(VELMORA_BINARY), {native(photos / "IMG_0001.JPG"), native(photos / "IMG_0002.JPG")});
        QTRY_VERIFY_WITH_TIMEOUT(fs::exists(photos / "2010-07-14__18-05-10.JPG"), 30000);
        QVERIFY(fs::exists(photos / "2010-07-14__18-05-09.JPG"));

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

    // Last: they start processes, after which ThreadSanitizer allows no new thread in this one.
    void supportLinksWithoutMailOrBrowserShowTheAddress()
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
        // No browser either: the web site's address is shown.
        qputenv("PATH", QByteArray::fromStdString(bin.path().native()));
        child<QAction>(app->window(), "actionOpenWebSite")->trigger();
        QTRY_VERIFY(child<QMessageBox>(app->window(), "webSiteAddress")->isVisible());
    }

    void usageAndVersionArePrintedWithoutAWindow()
    {
        // No display at all: the answer must not need one. In German every line of the usage is,
        // whatever translations Qt brings.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.remove(QStringLiteral("DISPLAY"));
        for (const auto& [option, printed] : {std::pair{"--help", "[PATH...]"}, {"-h", "--version"},
                                              {"--version", "Velmora " VELMORA_VERSION}, {"--help", "Pfade"}}) {
            const bool german = std::strcmp(printed, "Pfade") == 0;
            if (german) {
                env.insert(QStringLiteral("LANGUAGE"), QStringLiteral("de"));
                env.insert(QStringLiteral("LANG"), QStringLiteral("de_DE.UTF-8"));
            }
            QProcess velmora;
            velmora.setProcessEnvironment(env);
            velmora.start(QStringLiteral(VELMORA_BINARY), {QString::fromLatin1(option)});
            QVERIFY(velmora.waitForFinished(30000));
            QCOMPARE(velmora.exitCode(), 0);
            const QString out = QString::fromUtf8(velmora.readAllStandardOutput());
            QVERIFY2(out.contains(QLatin1String(printed)) &&
                         !(german && (out.contains(QStringLiteral("path")) || out.contains(QStringLiteral("Displays")))),
                     qPrintable(out));
        }
    }
};

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The History window's and the menus' tests first: after a process starts, TSan allows no new thread.
    AppTest test;
    return runHistoryWindowTests(argc, argv) | runMenuTests(argc, argv) | QTest::qExec(&test, argc, argv);
}

#include "test_app.moc"
