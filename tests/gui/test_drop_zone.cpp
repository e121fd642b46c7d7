// SPDX-License-Identifier: GPL-3.0-or-later
// The drop zone with real widgets offscreen: drops, batch start, overlapping
// batches and the alert latch, the status timer, and quitting mid-batch.
#include "app/Settings.h"
#include "dropzone/DragAndDropView.h"
#include "platform/BatchJournal.h"
#include "platform/Platform.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

#include <algorithm>
#include <map>
#include <set>

namespace fs = std::filesystem;
using namespace velmora;
using namespace velmora::test;

namespace {

QUrl fileUrl(const fs::path& path)
{
    // Percent-encode the bytes ourselves, as a file manager does for any name.
    return QUrl(QStringLiteral("file://") +
                QString::fromLatin1(QByteArray::fromStdString(path.native()).toPercentEncoding("/")));
}

QList<QMessageBox*> openAlerts()
{
    QList<QMessageBox*> alerts;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible())
            alerts.append(box);
    return alerts;
}

} // namespace

class DropZoneTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir config_;
    std::unique_ptr<QWidget> window_;
    DragAndDropView* view_ = nullptr;
    QCheckBox *suffix_, *prefix_, *rename_, *fixTime_;
    QLineEdit* textToPrefix_;
    QComboBox* timezones_;
    QLabel* status_;
    QProgressBar* spinner_;
    RadioMatrix* dateSwitch_;

    bool drop(const QList<QUrl>& urls, Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction,
              Qt::DropAction* result = nullptr, QWidget* target = nullptr)
    {
        if (!target)
            target = view_;
        // Qt delivers a drop only to the widget that accepted the drag's entry.
        TempDir dir;
        writeFile(dir / "any.jpg", "x");
        QMimeData entering;
        entering.setUrls({fileUrl(dir / "any.jpg")});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &entering, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);

        QMimeData mime;
        if (!urls.isEmpty())
            mime.setUrls(urls);
        else
            mime.setText(QStringLiteral("just text"));
        QDropEvent event(QPointF(10, 10), actions, &mime, Qt::LeftButton, Qt::NoModifier);
        event.setAccepted(false);
        QCoreApplication::sendEvent(target, &event);
        if (result)
            *result = event.dropAction();
        return event.isAccepted();
    }

    void waitForBatches(int count)
    {
        QSignalSpy finished(view_, &DragAndDropView::batchFinished);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count() >= count || view_->runningBatches() == 0, true, 30000);
        QTRY_COMPARE_WITH_TIMEOUT(view_->runningBatches(), 0, 30000);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(config_.isValid());
        qputenv("XDG_CONFIG_HOME", config_.path().toLocal8Bit());
        initializePlatform();
    }

    void init()
    {
        QSettings("Velmora", "Velmora").clear();
        window_ = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(window_.get());
        view_ = new DragAndDropView;
        layout->addWidget(view_);
        for (QCheckBox** box : {&suffix_, &prefix_, &rename_, &fixTime_}) {
            *box = new QCheckBox;
            layout->addWidget(*box);
        }
        textToPrefix_ = new QLineEdit;
        timezones_ = new QComboBox;
        timezones_->addItems({"-1", "0", "+2"});
        timezones_->setCurrentIndex(1);
        status_ = new QLabel;
        status_->hide();
        spinner_ = new QProgressBar;
        spinner_->hide();
        dateSwitch_ = new RadioMatrix;
        auto* rows = new QVBoxLayout(dateSwitch_);
        rows->addWidget(new QRadioButton(QStringLiteral("digitizing")));
        rows->addWidget(new QRadioButton(QStringLiteral("capture")));
        dateSwitch_->selectCellAtRow(2, 0);
        for (QWidget* w : std::initializer_list<QWidget*>{textToPrefix_, timezones_, status_, spinner_, dateSwitch_})
            layout->addWidget(w);
        view_->setSpinner(spinner_);
        view_->setStatus(status_);
        view_->setText_to_prefix(textToPrefix_);
        view_->setPrefix(prefix_);
        view_->setSuffix(suffix_);
        view_->setRename(rename_);
        view_->setWindow(window_.get());
        view_->setTimezones(timezones_);
        view_->setFixTime(fixTime_);
        view_->setDateSwitch(dateSwitch_);
        window_->show();
    }

    void cleanup()
    {
        for (QMessageBox* box : openAlerts())
            box->close();
        view_->stopBatches();
        window_.reset();
    }

    void dragIsAcceptedOnlyAsCopyOrLinkOfLocalFiles_data()
    {
        QTest::addColumn<int>("offered");
        QTest::addColumn<bool>("local");
        QTest::addColumn<int>("expected");
        QTest::newRow("copy or move") << int(Qt::CopyAction | Qt::MoveAction) << true << int(Qt::CopyAction);
        QTest::newRow("link or move") << int(Qt::LinkAction | Qt::MoveAction) << true << int(Qt::LinkAction);
        QTest::newRow("move only") << int(Qt::MoveAction) << true << int(Qt::IgnoreAction);
        QTest::newRow("web address") << int(Qt::CopyAction) << false << int(Qt::IgnoreAction);
    }

    void dragIsAcceptedOnlyAsCopyOrLinkOfLocalFiles()
    {
        QFETCH(int, offered);
        QFETCH(bool, local);
        QFETCH(int, expected);
        TempDir dir;
        writeFile(dir / "a.jpg", "x");
        QMimeData mime;
        mime.setUrls({local ? fileUrl(dir / "a.jpg") : QUrl(QStringLiteral("https://example.org/a.jpg"))});
        QDragEnterEvent enter(QPoint(5, 5), Qt::DropActions(offered), &mime, Qt::LeftButton, Qt::NoModifier);
        enter.setAccepted(false);
        QCoreApplication::sendEvent(view_, &enter);
        QCOMPARE(enter.isAccepted(), expected != Qt::IgnoreAction);
        if (enter.isAccepted())
            QCOMPARE(int(enter.dropAction()), expected);
    }

    void filesDroppedAnywhereOnTheWindowAreOneBatch_data()
    {
        QTest::addColumn<QString>("target");
        QTest::newRow("the dashed box") << "view";
        QTest::newRow("a checkbox") << "suffix";
        QTest::newRow("the prefix field") << "text_to_prefix";
        QTest::newRow("the window's margin") << "window";
    }

    void filesDroppedAnywhereOnTheWindowAreOneBatch()
    {
        QFETCH(QString, target);
        const std::map<QString, QWidget*> widgets{
            {"view", view_}, {"suffix", suffix_}, {"text_to_prefix", textToPrefix_}, {"window", window_.get()}};
        QWidget* over = widgets.at(target);
        TempDir dir;
        makeJpeg(dir / "a.jpg", "2010:07:14 18:05:09");
        QMimeData mime;
        mime.setUrls({fileUrl(dir / "a.jpg")});

        // The box lights up while files are over the window, and only then.
        QDragEnterEvent enter(QPoint(2, 2), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(over, &enter);
        QVERIFY(enter.isAccepted());
        QVERIFY(view_->isLit());
        QDragLeaveEvent leave;
        QCoreApplication::sendEvent(over, &leave);
        QVERIFY(!view_->isLit());

        QVERIFY(drop({fileUrl(dir / "a.jpg")}, Qt::CopyAction, nullptr, over));
        QVERIFY(!view_->isLit());
        waitForBatches(1);
        QCOMPARE(listNames(dir.path()), std::vector<std::string>{"2010-07-14__18-05-09.jpg"});
    }

    void textDroppedOnThePrefixFieldStaysText()
    {
        QMimeData mime;
        mime.setText(QStringLiteral("Rome_"));
        QDragEnterEvent enter(QPoint(2, 2), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(textToPrefix_, &enter);
        QVERIFY(!view_->isLit());
        QDropEvent event(QPointF(2, 2), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(textToPrefix_, &event);
        QCOMPARE(view_->runningBatches(), 0);
        QVERIFY(status_->isHidden());
    }

    void refusedDropStillSavesTheFiveOptions()
    {
        suffix_->setChecked(true);
        prefix_->setCheckState(Qt::PartiallyChecked);
        fixTime_->setChecked(true);
        textToPrefix_->setText(QStringLiteral("Rome, 2010 \"best\""));
        timezones_->setCurrentIndex(2);

        QVERIFY(!drop({}));
        QCOMPARE(view_->runningBatches(), 0);
        QVERIFY(status_->isHidden());
        QVERIFY(!view_->run_dialog());
        QVERIFY(settings::read(settings::suffix));
        QVERIFY(settings::read(settings::prefix)); // mixed is stored as YES
        QVERIFY(!settings::read(settings::rename));
        QVERIFY(settings::contains(settings::rename));
        QVERIFY(settings::read(settings::fixTime));
        QCOMPARE(settings::read(settings::textToPrefix), std::optional<QString>(QStringLiteral("Rome, 2010 \"best\"")));
        // A batch start stores neither the pop-up nor the date choice.
        QCOMPARE(settings::read(settings::timezones), 0);
        QVERIFY(!settings::contains(settings::changeExifInPhoto));
    }

    void oneDropIsOneBatchInTheOrderDelivered()
    {
        TempDir dir;
        makeJpeg(dir / "first.jpg", "2010:07:14 18:05:09", "2001:01:01 00:00:01");
        fs::create_directory(dir / "folder");
        makeJpeg(dir / "folder/inner.jpg", "2010:07:14 18:05:09", "2001:01:01 00:00:02");
        makeJpeg(dir / "caf\xe9.jpg", "2010:07:14 18:05:09", "2001:01:01 00:00:03");
        const std::string first = readFile(dir / "first.jpg");
        const std::string last = readFile(dir / "caf\xe9.jpg");

        Qt::DropAction action = Qt::IgnoreAction;
        QVERIFY(drop({fileUrl(dir / "first.jpg"), fileUrl(dir / "folder"), fileUrl(dir / "caf\xe9.jpg")},
                     Qt::CopyAction | Qt::MoveAction, &action));
        QCOMPARE(action, Qt::CopyAction);
        QVERIFY(status_->isVisible());
        QCOMPARE(status_->text(), QStringLiteral("Working..."));
        QVERIFY(spinner_->isVisible());
        waitForBatches(1);

        // The first path took the plain name, the last one the first number.
        QCOMPARE(readFile(dir / "2010-07-14__18-05-09.jpg"), first);
        QCOMPARE(readFile(dir / "2010-07-14__18-05-09__1.jpg"), last);
        QVERIFY(fs::exists(dir / "folder/2010-07-14__18-05-09.jpg"));
        QTRY_VERIFY(spinner_->isHidden());
        // "Done" first, then the numbers, and a link to this batch in the history.
        const QString id = QString::fromStdString(listBatches().front().id);
        QTRY_COMPARE(
            status_->text(),
            QStringLiteral("Done: 3 renamed, 0 without a date, 0 failed <a href=\"%1\">Show in History</a>").arg(id));
        QSignalSpy history(view_, &DragAndDropView::historyRequested);
        emit status_->linkActivated(id);
        QCOMPARE(history.value(0).value(0).toString(), id);
        QCOMPARE(spinner_->value(), 100);
        // The status line goes 4.0 s after "Done", not at once.
        QVERIFY(status_->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(status_->isHidden(), 8000);
    }

    void openFilesIsOneBatchToo()
    {
        TempDir dir;
        makeJpeg(dir / "a.jpg", "2010:07:14 18:05:09");
        makeJpeg(dir / "b.jpg", "2011:07:14 18:05:09");
        view_->applicationOpenFiles({dir / "a.jpg", dir / "b.jpg"});
        waitForBatches(1);
        QCOMPARE(listNames(dir.path()),
                 (std::vector<std::string>{"2010-07-14__18-05-09.jpg", "2011-07-14__18-05-09.jpg"}));
    }

    void overlappingBatchesShareTheLatch()
    {
        TempDir dir;
        writeFile(dir / "one.txt", "no EXIF");
        writeFile(dir / "two.txt", "no EXIF");
        writeFile(dir / "three.txt", "no EXIF");

        QVERIFY(drop({fileUrl(dir / "one.txt"), fileUrl(dir / "two.txt")}));
        QTRY_COMPARE(openAlerts().size(), 1);
        QMessageBox* alert = openAlerts().first();
        QCOMPARE(alert->windowTitle(), QStringLiteral("Velmora"));
        QCOMPARE(alert->buttons().size(), 1);
        QCOMPARE(alert->buttons().first()->text(), QStringLiteral("OK"));
        QCOMPARE(alert->textFormat(), Qt::PlainText);

        // A second drop while the first waits on its alert starts at once and
        // clears the shared latch, so it may raise an alert of its own.
        QVERIFY(drop({fileUrl(dir / "three.txt")}));
        QTRY_COMPARE(openAlerts().size(), 2);
        QCOMPARE(view_->runningBatches(), 2);
        for (QMessageBox* box : openAlerts())
            box->buttons().first()->click();
        waitForBatches(2);
        QCOMPARE(openAlerts().size(), 0); // the latch held for two.txt
    }

    void alertShowsPerCentSignsAndMarkupAsTyped()
    {
        TempDir dir;
        const fs::path photo = dir / "100%d <b>a&amp;.jpg";
        makeJpeg(photo, "2010:07:14 18:05:09");
        prefix_->setChecked(true);
        textToPrefix_->setText(QStringLiteral("no-such-folder/"));
        QVERIFY(drop({fileUrl(photo)}));
        QTRY_COMPARE(openAlerts().size(), 1);
        QMessageBox* alert = openAlerts().first();
        QCOMPARE(alert->textFormat(), Qt::PlainText);
        QVERIFY2(alert->text().contains(QStringLiteral("100%d <b>a&amp;.jpg")), qPrintable(alert->text()));
        alert->buttons().first()->click();
        waitForBatches(1);
        QVERIFY(fs::exists(photo));
    }

    void silencingAlertsEndsOnlyThatBatchsAlerts()
    {
        TempDir dir;
        for (const char* name : {"a1.jpg", "a2.jpg", "a3.jpg", "b1.jpg", "b2.jpg"})
            makeJpeg(dir / name, "2010:07:14 18:05:09");
        prefix_->setChecked(true);
        textToPrefix_->setText(QStringLiteral("no-such-folder/"));
        LogCapture log;
        const auto alertAbout = [](const char* name) -> QMessageBox* {
            for (QMessageBox* box : openAlerts())
                if (box->text().contains(QLatin1String(name)))
                    return box;
            return nullptr;
        };

        QVERIFY(drop({fileUrl(dir / "a1.jpg"), fileUrl(dir / "a2.jpg"), fileUrl(dir / "a3.jpg")}));
        QTRY_VERIFY(alertAbout("a1.jpg"));
        QVERIFY(drop({fileUrl(dir / "b1.jpg"), fileUrl(dir / "b2.jpg")}));
        QTRY_VERIFY(alertAbout("b1.jpg"));
        QVERIFY(alertAbout("a1.jpg")->text().contains(QString::fromStdString((dir / "no-such-folder").native())));
        alertAbout("a1.jpg")->checkBox()->setChecked(true);
        alertAbout("a1.jpg")->buttons().first()->click();
        alertAbout("b1.jpg")->buttons().first()->click();
        // The other batch still speaks; the silenced one ends without a word.
        QTRY_VERIFY(alertAbout("b2.jpg"));
        alertAbout("b2.jpg")->buttons().first()->click();
        waitForBatches(2);
        QCOMPARE(openAlerts().size(), 0);
        const auto lines = log.lines();
        QCOMPARE(
            std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("Error!! ", 0) == 0; }),
            5);
    }

    void quitDuringABatchStopsAfterThePhotoInHand()
    {
        TempDir dir;
        std::multiset<std::string> before;
        for (int i = 0; i < 150; ++i) {
            const fs::path p = dir / ("IMG_" + std::to_string(i) + ".jpg");
            makeJpeg(p, "2010:07:14 18:05:" + std::to_string(10 + i % 50),
                     "2001:01:01 00:00:" + std::to_string(i % 60));
            before.insert(readFile(p));
        }
        writeFile(dir / "zz-no-exif.txt", "x");
        fixTime_->setChecked(true);
        timezones_->setCurrentIndex(2);
        settings::write(settings::changeExifInPhoto, true);

        QVERIFY(drop({fileUrl(dir.path())}));
        QTRY_VERIFY(spinner_->value() > 0 || !openAlerts().isEmpty());
        view_->stopBatches(); // what quitting the application does
        QCOMPARE(view_->runningBatches(), 0);

        // Every photo is whole, under its old name or its new one; no temporary file stays.
        size_t photos = 0, untouched = 0;
        for (const auto& name : listNames(dir.path())) {
            QVERIFY2(name.find("velmora") == std::string::npos, name.c_str());
            if (name == "zz-no-exif.txt")
                continue;
            ++photos;
            untouched += name.rfind("IMG_", 0) == 0;
            QVERIFY2(!QImage(QString::fromStdString((dir / name).native())).isNull(), name.c_str());
        }
        QCOMPARE(photos, before.size());
        QVERIFY2(untouched > 0, "the batch ran to its end instead of stopping");
    }

    void quitReleasesAWorkerWaitingOnAnAlert()
    {
        TempDir dir;
        writeFile(dir / "a.txt", "no EXIF");
        QVERIFY(drop({fileUrl(dir / "a.txt")}));
        QTRY_COMPARE(openAlerts().size(), 1);
        view_->stopBatches();
        QCOMPARE(view_->runningBatches(), 0);
    }

    void quitStoresTheSixOptions()
    {
        rename_->setChecked(true);
        timezones_->setCurrentIndex(0);
        textToPrefix_->setText(QString());
        view_->applicationWillTerminate();
        QVERIFY(settings::read(settings::rename));
        QVERIFY(settings::contains(settings::suffix));
        QVERIFY(settings::contains(settings::prefix));
        QVERIFY(settings::contains(settings::fixTime));
        QCOMPARE(settings::read(settings::timezones), 0);
        QVERIFY(settings::read(settings::textToPrefix).has_value());
        QVERIFY(!settings::contains(settings::changeExifInPhoto));
    }
};

QTEST_MAIN(DropZoneTest)
#include "test_drop_zone.moc"
