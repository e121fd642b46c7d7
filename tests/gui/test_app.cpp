// SPDX-License-Identifier: GPL-3.0-or-later
// The application shell on real widgets (offscreen): launch and window set-up,
// the restore rules, the prefix checkbox, the preferences window, quit, the
// open-files route, the one-window hand-over and the translations.

#include "app/Application.h"
#include "app/HistoryWindow.h"
#include "app/OpenDialog.h"
#include "app/VelmoraAppDelegate.h"
#include "dropzone/DragAndDropView.h"
#include "dropzone/RadioMatrix.h"
#include "platform/MessageTable.h"
#include "platform/Platform.h"
#include "support/TestSupport.h"

#include <QtTest>
#include <QtWidgets>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <thread>

namespace fs = std::filesystem;
using namespace velmora;
using velmora::test::makeJpeg;
using velmora::test::TempDir;
using velmora::test::writeFile;

Q_DECLARE_METATYPE(QVariantMap)

namespace {

// The store as the user's INI file holds it; only looked at, never the way the app writes.
QSettings store()
{
    return QSettings(QStringLiteral("Velmora"), QStringLiteral("Velmora"));
}

void clearStore()
{
    QSettings s = store();
    s.clear();
    s.sync();
}

QStringList storedKeys()
{
    QStringList keys = store().allKeys();
    keys.sort();
    return keys;
}

template <typename T> T* child(QWidget* top, const char* name)
{
    T* w = top->findChild<T*>(QString::fromLatin1(name));
    if (!w)
        qFatal("no widget %s", name);
    return w;
}

// A delegate that keeps what reaches it: checks the route, not the batch.
class RecordingDelegate : public ApplicationDelegate {
public:
    void applicationWillTerminate() override {}
    bool applicationShouldTerminateAfterLastWindowClosed() override { return false; }
    bool handlesOpenFiles() const override { return true; }
    void applicationOpenFiles(const std::vector<fs::path>& paths) override { requests.push_back(paths); }
    std::vector<std::vector<fs::path>> requests;
};

// Runs the event loop until the application quits; a watchdog ends a loop that never would.
bool runUntilQuit(const std::function<void()>& start)
{
    bool watchdogFired = false;
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, qApp, [&] {
        watchdogFired = true;
        QCoreApplication::quit();
    });
    watchdog.start(60000);
    QTimer::singleShot(0, qApp, start);
    QApplication::exec();
    return !watchdogFired;
}

// The application after launch, as main brings it up.
struct Launched {
    Launched() { delegate.applicationDidFinishLaunching(); }
    Application application;
    VelmoraAppDelegate delegate{application};
};

QString runtimeDir()
{
    return QString::fromLocal8Bit(qgetenv("XDG_RUNTIME_DIR"));
}

} // namespace

class AppTest : public QObject {
    Q_OBJECT
private slots:
    void init() { clearStore(); }

    void firstLaunchOnEmptyStore()
    {
        Application application;
        VelmoraAppDelegate delegate(application);
        QMainWindow* window = delegate.window();
        QCOMPARE(window->objectName(), QStringLiteral("window"));
        QVERIFY(!window->isVisible());

        delegate.applicationDidFinishLaunching();

        QCOMPARE(storedKeys(), QStringList{QStringLiteral("change_exif_in_photo")});
        QCOMPARE(store().value("change_exif_in_photo").toBool(), false);
        QVERIFY(window->isVisible());
        for (const char* name : {"suffix", "prefix", "rename", "fixTime"})
            QCOMPARE(child<QCheckBox>(window, name)->checkState(), Qt::Unchecked);
        QVERIFY(!child<QLineEdit>(window, "text_to_prefix")->isEnabled());
        QVERIFY(!child<QComboBox>(window, "timezones")->isEnabled());
        QCOMPARE(child<QLineEdit>(window, "text_to_prefix")->text(), QString());
        QCOMPARE(child<QComboBox>(window, "timezones")->currentText(), QStringLiteral("0"));
        QCOMPARE(child<RadioMatrix>(window, "dateSwitch")->selectedRow(), 1);
        QVERIFY(!child<QLabel>(window, "status")->isVisible());
        QVERIFY(!child<QProgressBar>(window, "spinner")->isVisible());
        QDialog* preferences = delegate.preferences();
        QCOMPARE(preferences->objectName(), QStringLiteral("preferences"));
        QVERIFY(!preferences->isVisible());
        QCOMPARE(child<QCheckBox>(preferences, "exifInPhotos")->checkState(), Qt::Unchecked);
        QVERIFY(child<QCheckBox>(preferences, "keepSetsTogether")->isChecked()); // on, and not written

        // The pop-up offers every whole hour from -12 to +14, titled with its sign.
        auto* timezones = child<QComboBox>(window, "timezones");
        QCOMPARE(timezones->count(), 27);
        QCOMPARE(timezones->itemText(0), QStringLiteral("-12"));
        QCOMPARE(timezones->itemText(14), QStringLiteral("+2"));
        QCOMPARE(timezones->itemText(26), QStringLiteral("+14"));

        // The drop zone is the delegate now.
        QCOMPARE(application.delegate(), static_cast<ApplicationDelegate*>(delegate.dropView()));
        QVERIFY(qApp->quitOnLastWindowClosed());
    }

    void restoreRules_data()
    {
        QTest::addColumn<QVariantMap>("stored");
        QTest::addColumn<int>("timezonesIndex");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("prefixOn");

        // The field is laid out with "laid out" in these cases, to tell "applied" from "left alone".
        QTest::newRow("timezones 0 keeps the laid-out 0")
            << QVariantMap{{"timezones", 0}} << 12 << "laid out" << 1 << false;
        QTest::newRow("timezones 3 is applied") << QVariantMap{{"timezones", 3}} << 3 << "laid out" << 1 << false;
        QTest::newRow("timezones 26, the last item")
            << QVariantMap{{"timezones", 26}} << 26 << "laid out" << 1 << false;
        QTest::newRow("timezones 27, past the end") << QVariantMap{{"timezones", 27}} << 12 << "laid out" << 1 << false;
        QTest::newRow("timezones -1") << QVariantMap{{"timezones", -1}} << 12 << "laid out" << 1 << false;
        QTest::newRow("timezones not a number") << QVariantMap{{"timezones", "east"}} << 12 << "laid out" << 1 << false;
        QTest::newRow("empty prefix text is applied") << QVariantMap{{"text_to_prefix", ""}} << 12 << "" << 1 << false;
        QTest::newRow("prefix text is applied")
            << QVariantMap{{"text_to_prefix", "Rome_"}} << 12 << "Rome_" << 1 << false;
        QTest::newRow("row 0 selects row 1")
            << QVariantMap{{"selected_date_option_cell", 0}} << 12 << "laid out" << 1 << false;
        QTest::newRow("row 2") << QVariantMap{{"selected_date_option_cell", 2}} << 12 << "laid out" << 2 << false;
        // Outside the matrix: the laid-out row 1 stays.
        QTest::newRow("row 3") << QVariantMap{{"selected_date_option_cell", 3}} << 12 << "laid out" << 1 << false;
        QTest::newRow("row -1") << QVariantMap{{"selected_date_option_cell", -1}} << 12 << "laid out" << 1 << false;
        QTest::newRow("row beyond int") << QVariantMap{{"selected_date_option_cell", 4294967298LL}} << 12 << "laid out"
                                        << 1 << false;
        QTest::newRow("prefix on enables the field")
            << QVariantMap{{"prefix", true}, {"text_to_prefix", "Trip_"}} << 12 << "Trip_" << 1 << true;
        QTest::newRow("a word that is no boolean is off")
            << QVariantMap{{"prefix", "sometimes"}} << 12 << "laid out" << 1 << false;
    }

    void restoreRules()
    {
        QFETCH(QVariantMap, stored);
        QFETCH(int, timezonesIndex);
        QFETCH(QString, text);
        QFETCH(int, row);
        QFETCH(bool, prefixOn);
        {
            QSettings s = store();
            for (auto it = stored.cbegin(); it != stored.cend(); ++it)
                s.setValue(it.key(), it.value());
            s.setValue("suffix", true);
            s.setValue("fixTime", true);
        }

        Application application;
        VelmoraAppDelegate delegate(application);
        QMainWindow* window = delegate.window();
        child<QLineEdit>(window, "text_to_prefix")->setText(QStringLiteral("laid out"));
        delegate.applicationDidFinishLaunching();

        QCOMPARE(child<QComboBox>(window, "timezones")->currentIndex(), timezonesIndex);
        QCOMPARE(child<QLineEdit>(window, "text_to_prefix")->text(), text);
        QCOMPARE(child<QLineEdit>(window, "text_to_prefix")->isEnabled(), prefixOn);
        QCOMPARE(child<RadioMatrix>(window, "dateSwitch")->selectedRow(), row);
        QCOMPARE(child<QCheckBox>(window, "prefix")->isChecked(), prefixOn);
        QVERIFY(child<QCheckBox>(window, "suffix")->isChecked());
        QVERIFY(child<QCheckBox>(window, "fixTime")->isChecked());
        QVERIFY(child<QComboBox>(window, "timezones")->isEnabled());
        QVERIFY(!child<QCheckBox>(window, "rename")->isChecked());
    }

    void prefixCheckboxTogglesFieldAndStoresBothKeys()
    {
        Launched launched;
        auto& [application, delegate] = launched;
        QMainWindow* window = delegate.window();
        auto* prefix = child<QCheckBox>(window, "prefix");
        auto* field = child<QLineEdit>(window, "text_to_prefix");

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
        QVERIFY(field->isEnabled());
        QCOMPARE(store().value("text_to_prefix").toString(), QString());
        QVERIFY(store().contains("text_to_prefix"));
    }

    void chosenDateRowIsRestoredAtTheNextStart()
    {
        {
            Launched launched;
            auto& [application, delegate] = launched;
            QTest::mouseClick(child<QRadioButton>(delegate.window(), "dateOfCapture"), Qt::LeftButton);
            QCOMPARE(delegate.dateSwitch()->selectedRow(), 2);
        }
        Launched launched;
        auto& [application, delegate] = launched;
        QVERIFY(child<QRadioButton>(delegate.window(), "dateOfCapture")->isChecked());
    }

    void exampleNameFollowsTheOptions_data()
    {
        QTest::addColumn<bool>("prefix");
        QTest::addColumn<bool>("suffix");
        QTest::addColumn<bool>("fixTime");
        QTest::addColumn<int>("hoursIndex");
        QTest::addColumn<QString>("example");
        QTest::newRow("plain") << false << false << false << 14 << "2010-07-14__18-05-09.JPG";
        QTest::newRow("prefix") << true << false << false << 12 << "Rome_2010-07-14__18-05-09.JPG";
        QTest::newRow("old name kept") << false << true << false << 12 << "2010-07-14__18-05-09__IMG_0001.JPG";
        QTest::newRow("shift +14 into the next day") << false << false << true << 26 << "2010-07-15__08-05-09.JPG";
        QTest::newRow("all three") << true << true << true << 0 << "Rome_2010-07-14__06-05-09__IMG_0001.JPG";
    }

    void exampleNameFollowsTheOptions()
    {
        QFETCH(bool, prefix);
        QFETCH(bool, suffix);
        QFETCH(bool, fixTime);
        QFETCH(int, hoursIndex);
        QFETCH(QString, example);
        Launched launched;
        auto& [application, delegate] = launched;
        delegate.text_to_prefix()->setText(QStringLiteral("Rome_"));
        delegate.prefix()->setChecked(prefix);
        delegate.suffix()->setChecked(suffix);
        delegate.timezones()->setCurrentIndex(hoursIndex);
        delegate.fixTime()->setChecked(fixTime);
        const QString shown = child<QLabel>(delegate.window(), "dropDetail")->text();
        QVERIFY2(shown.contains(QLatin1Char(' ') + example + QLatin1Char(',')), qPrintable(shown));
    }

    void preferencesStoreOnlyOnOk()
    {
        Launched launched;
        auto& [application, delegate] = launched;
        QMainWindow* window = delegate.window();
        auto* openPreferences = window->findChild<QAction*>(QStringLiteral("actionPreferences"));
        QVERIFY(openPreferences);
        QDialog* preferences = delegate.preferences();
        auto* exifInPhotos = child<QCheckBox>(preferences, "exifInPhotos");

        // Closed by the window's close button, and by Escape: nothing stored.
        openPreferences->trigger();
        QVERIFY(preferences->isVisible());
        QTest::mouseClick(exifInPhotos, Qt::LeftButton);
        QVERIFY(exifInPhotos->isChecked());
        preferences->close();
        QCOMPARE(store().value("change_exif_in_photo").toBool(), false);
        openPreferences->trigger();
        QVERIFY(!exifInPhotos->isChecked());
        QTest::mouseClick(exifInPhotos, Qt::LeftButton);
        QTest::keyClick(preferences, Qt::Key_Escape);
        QVERIFY(!preferences->isVisible());
        QCOMPARE(store().value("change_exif_in_photo").toBool(), false);

        // OK stores and closes; the next opening shows what is stored.
        openPreferences->trigger();
        QVERIFY(!exifInPhotos->isChecked());
        QTest::mouseClick(exifInPhotos, Qt::LeftButton);
        auto* keepSetsTogether = child<QCheckBox>(preferences, "keepSetsTogether");
        QVERIFY(QTest::qWaitForWindowActive(preferences));
        QTest::keyClick(preferences, Qt::Key_K, Qt::AltModifier); // its mnemonic
        QTRY_VERIFY(!keepSetsTogether->isChecked());
        QTest::mouseClick(child<QAbstractButton>(preferences, "okButton"), Qt::LeftButton);
        QVERIFY(!preferences->isVisible());
        QCOMPARE(store().value("change_exif_in_photo").toBool(), true);
        QCOMPARE(store().value("keep_sets_together").toBool(), false);
        exifInPhotos->setChecked(false);
        keepSetsTogether->setChecked(true);
        openPreferences->trigger();
        QVERIFY(exifInPhotos->isChecked());
        QVERIFY(!keepSetsTogether->isChecked());
        preferences->close();

        // An absent key shows off and is not written by opening.
        store().remove("change_exif_in_photo");
        openPreferences->trigger();
        QVERIFY(!exifInPhotos->isChecked());
        QVERIFY(!store().contains("change_exif_in_photo"));
        preferences->close();
    }

    void historyListsBatchesAndTakesOneBack()
    {
        TempDir dir;
        makeJpeg(dir / "a.JPG", "2010:07:14 18:05:09", "2010:07:14 18:05:09");
        makeJpeg(dir / "b.JPG", "2010:07:14 18:05:09", "2010:07:14 18:05:09");
        makeJpeg(dir / "none.JPG", std::nullopt);
        Launched launched;
        auto& [application, delegate] = launched;
        QSignalSpy finished(delegate.dropView(), &DragAndDropView::batchFinished);
        QTimer dismissAlerts; // the one without a date raises one
        connect(&dismissAlerts, &QTimer::timeout, [] {
            if (QWidget* alert = QApplication::activeModalWidget())
                alert->close();
        });
        dismissAlerts.start(50);
        application.openFiles({dir / "a.JPG", dir / "none.JPG"});
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 30000);
        application.openFiles({dir / "b.JPG"});
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 2, 30000);

        HistoryWindow* history = delegate.history();
        auto* show = delegate.window()->findChild<QAction*>("actionHistory");
        QCOMPARE(show->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_H));
        QCOMPARE(delegate.window()->findChild<QAction*>("actionUndoLastBatch")->shortcut(),
                 QKeySequence(Qt::CTRL | Qt::Key_Z));
        show->trigger();
        QVERIFY(history->isVisible());
        // Newest first: renamed, without a date, failed.
        auto* batches = child<QTreeWidget>(history, "batches");
        const auto counts = [&](int row) {
            const QTreeWidgetItem* item = batches->topLevelItem(row);
            return item->text(1) + " " + item->text(2) + " " + item->text(3) + " " + item->text(4);
        };
        QCOMPARE(counts(0), QStringLiteral("1 0 0 "));
        QCOMPARE(counts(1), QStringLiteral("1 1 0 "));

        batches->setCurrentItem(batches->topLevelItem(1));
        QTRY_COMPARE(history->model().rowCount(), 2);
        child<QCheckBox>(history, "problemsOnly")->setChecked(true);
        QCOMPARE(history->model().rowCount(), 1);
        QCOMPARE(history->model().index(0, BatchPhotoModel::OldName).data().toString(), QStringLiteral("none.JPG"));

        // Taking the older batch back leaves the newer one's photo alone.
        QSignalSpy undone(history, &HistoryWindow::undoFinished);
        child<QPushButton>(history, "undoBatch")->click();
        QTRY_COMPARE_WITH_TIMEOUT(undone.count(), 1, 30000);
        QCOMPARE(velmora::test::listNames(dir.path()),
                 (std::vector<std::string>{"2010-07-14__18-05-09__1.JPG", "a.JPG", "none.JPG"}));
        QCOMPARE(batches->currentItem()->text(4), QStringLiteral("Undone"));
        QVERIFY(!child<QPushButton>(history, "undoBatch")->isEnabled());
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
        clearStore();

        QVERIFY(runUntilQuit([&] { setUp ? (void)delegate.window()->close() : QCoreApplication::quit(); }));

        QStringList keys{"fixTime", "prefix", "rename", "suffix", "text_to_prefix"};
        QCOMPARE(storedKeys(), setUp ? keys << "timezones" : keys);
        QSettings s = store();
        for (const char* key : {"suffix", "prefix", "rename", "fixTime"})
            QVERIFY2(s.value(key).toBool(), key);
        QCOMPARE(s.value("text_to_prefix").toString(), QStringLiteral("Rome_"));
        QCOMPARE(s.value("timezones").toInt(), setUp ? 14 : 0);
    }

    void pathsGivenAtStartBecomeOneBatchAfterSetUp()
    {
        TempDir dir;
        fs::create_directory(dir / "trip");
        makeJpeg(dir / "trip" / "IMG_0001.JPG", "2010:07:14 18:05:09", "2010:07:14 18:05:09");
        makeJpeg(dir / "IMG_0002.JPG", "2011:01:02 03:04:05", "2011:01:02 03:04:05");
        {
            QSettings s = store();
            s.setValue("prefix", true);
            s.setValue("text_to_prefix", "Trip_");
        }

        Application application;
        VelmoraAppDelegate delegate(application);
        auto* view = child<DragAndDropView>(delegate.window(), "dropView");
        QSignalSpy finished(view, &DragAndDropView::batchFinished);

        // The request arrives before window set-up: it waits, it is not dropped.
        application.openFiles({dir / "trip", dir / "IMG_0002.JPG"});
        QCoreApplication::processEvents();
        QVERIFY(fs::exists(dir / "IMG_0002.JPG"));
        QCOMPARE(view->runningBatches(), 0);

        delegate.applicationDidFinishLaunching();
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 30000);
        QCOMPARE(view->runningBatches(), 0);
        // Renamed with the restored controls: the hand-over came before the batch.
        QVERIFY(fs::exists(dir / "trip" / "Trip_2010-07-14__18-05-09.JPG"));
        QVERIFY(fs::exists(dir / "Trip_2011-01-02__03-04-05.JPG"));
        QVERIFY(!fs::exists(dir / "IMG_0002.JPG"));
        QVERIFY(child<QLabel>(delegate.window(), "status")->isVisible());
    }

    void openMenuChoosesFilesAndFoldersForOneBatch()
    {
        TempDir dir;
        fs::create_directory(dir / "sub");
        makeJpeg(dir / "sub" / "a.jpg", "2012:03:04 05:06:07", "2012:03:04 05:06:07");
        makeJpeg(dir / "b.jpg", "2013:04:05 06:07:08", "2013:04:05 06:07:08");
        makeJpeg(dir / "left alone.jpg", "2014:05:06 07:08:09", "2014:05:06 07:08:09");

        Launched launched;
        auto& [application, delegate] = launched;
        auto* view = child<DragAndDropView>(delegate.window(), "dropView");
        QSignalSpy finished(view, &DragAndDropView::batchFinished);

        delegate.window()->findChild<QAction*>(QStringLiteral("actionOpen"))->trigger();
        auto* dialog = delegate.window()->findChild<OpenDialog*>(QStringLiteral("openDialog"));
        QVERIFY(dialog);
        QTRY_VERIFY(dialog->isVisible());
        dialog->setDirectory(QString::fromStdString(dir.path().native()));
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(name);
        // Enter on a folder's name goes into it and starts nothing.
        name->setText(QString::fromStdString((dir / "sub").native()));
        QTest::keyClick(name, Qt::Key_Return);
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->directory().absolutePath(), QString::fromStdString((dir / "sub").native()));
        QVERIFY(fs::exists(dir / "sub" / "a.jpg"));
        dialog->setDirectory(QString::fromStdString(dir.path().native()));
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
        Launched launched;
        auto& [application, delegate] = launched;
        QVERIFY(QTest::qWaitForWindowActive(delegate.window()));
        auto* view = delegate.dropView();
        auto* stop = child<QPushButton>(delegate.window(), "stopButton");
        QVERIFY(!stop->isVisible());
        QSignalSpy finished(view, &DragAndDropView::batchFinished);

        application.openFiles({dir.path()});
        QTRY_VERIFY(delegate.spinner()->value() > 0);
        QVERIFY(stop->isVisible());
        if (how == "escape")
            QTest::keyClick(delegate.window(), Qt::Key_Escape);
        else if (how == "button")
            QTest::mouseClick(stop, Qt::LeftButton);
        else
            view->stopBatches();
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 30000);

        QTRY_COMPARE(delegate.status()->text(), QStringLiteral("Stopped"));
        QVERIFY(!stop->isVisible());
        // Every photo is whole, under its old name or its new one; no temporary file stays.
        const auto names = velmora::test::listNames(dir.path());
        QCOMPARE(names.size(), size_t{150});
        for (const auto& name : names)
            QVERIFY2(!QImage(QString::fromStdString((dir / name).native())).isNull(), name.c_str());
        QVERIFY2(std::any_of(names.begin(), names.end(), [](const std::string& n) { return n.rfind("IMG_", 0) == 0; }),
                 "the batch ran to its end");
    }

    void handOverDeliversPathsByteExact_data()
    {
        QTest::addColumn<bool>("withPaths");
        QTest::newRow("paths") << true;
        QTest::newRow("no paths: only the window") << false;
    }

    void handOverDeliversPathsByteExact()
    {
        QFETCH(bool, withPaths);
        const QString name = runtimeDir() + QStringLiteral("/handover-") + QTest::currentDataTag();
        Application running;
        RecordingDelegate recorder;
        running.setDelegate(&recorder);
        QVERIFY(running.listen(name));
        QSignalSpy activation(&running, &Application::activationRequested);

        std::vector<fs::path> paths{"/photos/trip", std::string("/photos/caf\xe9 \"1\".jpg"), "/photos/2.JPG"};
        if (!withPaths)
            paths.clear();
        bool handedOver = false;
        // The later start blocks on its socket; here it runs beside the event loop of the running one.
        std::thread later([&] { handedOver = Application::handOverToRunningInstance(paths, name); });
        QTRY_COMPARE(activation.count(), 1);
        QTRY_COMPARE(recorder.requests.size(), size_t(withPaths));
        later.join();
        QVERIFY(handedOver);
        if (withPaths)
            QCOMPARE(recorder.requests.front(), paths);
        running.setDelegate(nullptr);
    }

    void handOverWithoutRunningInstanceFails()
    {
        QVERIFY(!Application::handOverToRunningInstance({"/photos"}, runtimeDir() + QStringLiteral("/nobody-here")));
    }

    void listenTakesOverStaleSocketButNotLiveOne()
    {
        const QString name = runtimeDir() + QStringLiteral("/handover-stale");
        // What a crashed instance leaves: a socket file that nobody listens on.
        {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            QVERIFY(fd >= 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            const QByteArray bytes = QFile::encodeName(name);
            std::memcpy(address.sun_path, bytes.constData(), bytes.size());
            QCOMPARE(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
            ::close(fd);
        }
        QVERIFY(QFileInfo::exists(name));
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

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(runtime.path().native()));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString(config.path().native()));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        const auto photo = [&](const std::string& name) { return QString::fromStdString((photos / name).native()); };

        // Paths given at the first start are renamed once the window is set up.
        QProcess first;
        first.setProcessEnvironment(env);
        first.start(QStringLiteral(VELMORA_BINARY), {photo("IMG_0001.JPG"), photo("IMG_0002.JPG")});
        QVERIFY(first.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(fs::exists(photos / "2010-07-14__18-05-10.JPG"), 30000);
        QVERIFY(fs::exists(photos / "2010-07-14__18-05-09.JPG"));
        QVERIFY(fs::exists(runtime / "velmora.socket"));

        // A second start hands its folder over and ends; the first renames it.
        QProcess second;
        second.setProcessEnvironment(env);
        second.start(QStringLiteral(VELMORA_BINARY), {photo("later")});
        QVERIFY(second.waitForFinished(30000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(fs::exists(photos / "later" / "2011-08-15__19-06-10.JPG"), 30000);
        QCOMPARE(first.state(), QProcess::Running);

        first.terminate();
        QVERIFY(first.waitForFinished(30000));
    }

    void translations_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("done");
        QTest::addColumn<QString>("fixTime");
        QTest::newRow("German") << "de"
                                << "Fertig"
                                << "&Uhrzeit verschieben um";
        QTest::newRow("French") << "fr"
                                << "Terminé"
                                << "Décaler l'&heure de";
        QTest::newRow("English") << "en"
                                 << "Done"
                                 << "Shift the &time by";
    }

    void translations()
    {
        QFETCH(QString, language);
        QFETCH(QString, done);
        QFETCH(QString, fixTime);

        QTranslator translator;
        QVERIFY(translator.load(QLocale(language), QStringLiteral("velmora"), QStringLiteral("_"),
                                QStringLiteral(VELMORA_TRANSLATIONS_DIR)));
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
        QCOMPARE(delegate.fixTime()->text(), fixTime);
        // Every button of both windows has a key of its own, in every language.
        for (QWidget* root :
             {static_cast<QWidget*>(delegate.window()), static_cast<QWidget*>(delegate.preferences())}) {
            QStringList keys;
            for (auto* b : root->findChildren<QAbstractButton*>())
                if (b->window() == root && !b->text().isEmpty()) // not the menu bar's overflow arrow
                    keys << b->text().section(QLatin1Char('&'), 1).left(1).toLower();
            for (auto* m : root->findChildren<QMenu*>())
                keys << m->title().section(QLatin1Char('&'), 1).left(1).toLower();
            QVERIFY2(!keys.contains(QString()), qPrintable(keys.join(QLatin1Char(' '))));
            QVERIFY2(QSet<QString>(keys.begin(), keys.end()).size() == keys.size(),
                     qPrintable(keys.join(QLatin1Char(' '))));
        }
        if (language == QLatin1String("en"))
            return;
        // Every label of both windows is translated: compare with an untranslated window.
        // Only numbers, "OK", the name and the arrow stay as they are.
        QStringList untranslated;
        QCoreApplication::removeTranslator(&translator);
        Application plainApplication;
        VelmoraAppDelegate plain(plainApplication);
        QCoreApplication::installTranslator(&translator);
        const QList<QWidget*> roots{delegate.window(), delegate.preferences()};
        const QList<QWidget*> plainRoots{plain.window(), plain.preferences()};
        for (int r = 0; r < roots.size(); ++r) {
            const auto texts = [](QWidget* root) {
                QMap<QString, QString> byName;
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
                byName[QStringLiteral("windowTitle")] = root->windowTitle();
                return byName;
            };
            const auto shown = texts(roots[r]);
            const auto english = texts(plainRoots[r]);
            for (auto it = english.cbegin(); it != english.cend(); ++it) {
                bool numeric = false;
                it.value().toInt(&numeric);
                if (it.value().isEmpty() || numeric || it.value() == QLatin1String("OK") ||
                    it.value() == QLatin1String("&OK") || it.value() == QLatin1String("Velmora") ||
                    it.value() == QString::fromUtf8("⤓"))
                    continue;
                if (shown.value(it.key()) == it.value())
                    untranslated << it.key() + QStringLiteral(": ") + it.value();
            }
        }
        QVERIFY2(untranslated.isEmpty(), qPrintable(untranslated.join(QLatin1String("; "))));
    }

    // Last: they start processes, after which ThreadSanitizer allows no new thread in this one.
    void writeToSupportWithoutMailProgramShowsTheAddress()
    {
        // A desktop that knows no program for mailto: links.
        TempDir bin;
        writeFile(bin / "xdg-mime", "#!/bin/sh\nexit 0\n");
        fs::permissions(bin / "xdg-mime", fs::perms::owner_all);
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QByteArray::fromStdString(bin.path().native()) + ":" + path);
        const auto restorePath = qScopeGuard([&] { qputenv("PATH", path); });

        Launched launched;
        auto& [application, delegate] = launched;
        delegate.window()->findChild<QAction*>(QStringLiteral("actionWriteMail"))->trigger();
        auto* box = delegate.window()->findChild<QMessageBox*>(QStringLiteral("supportAddress"));
        QVERIFY(box);
        QTRY_VERIFY(box->isVisible());
        QVERIFY(box->text().contains(QStringLiteral(VELMORA_SUPPORT_EMAIL)));
        QGuiApplication::clipboard()->clear();
        for (QAbstractButton* button : box->buttons())
            if (box->buttonRole(button) == QMessageBox::ActionRole)
                button->click();
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral(VELMORA_SUPPORT_EMAIL));
    }

    void usageAndVersionArePrintedWithoutAWindow_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("printed");
        QTest::newRow("--help") << "--help"
                                << "[PATH...]";
        QTest::newRow("-h") << "-h"
                            << "--version";
        QTest::newRow("--version") << "--version"
                                   << "Velmora " VELMORA_VERSION;
    }

    void usageAndVersionArePrintedWithoutAWindow()
    {
        QFETCH(QString, option);
        QFETCH(QString, printed);
        QProcess velmora;
        // No display at all: the answer must not need one.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.remove(QStringLiteral("DISPLAY"));
        velmora.setProcessEnvironment(env);
        velmora.start(QStringLiteral(VELMORA_BINARY), {option});
        QVERIFY(velmora.waitForFinished(30000));
        QCOMPARE(velmora.exitCode(), 0);
        QVERIFY2(velmora.readAllStandardOutput().contains(printed.toUtf8()), qPrintable(printed));
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
    AppTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_app.moc"
