// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/BatchController.h"
#include "gui/DragAndDropView.h"
#include "gui/RadioColumn.h"
#include "history/HistoryWriter.h"
#include "settings/Settings.h"
#include "support/MountedFileSystem.h"
#include "GuiTestSupport.h"

#include <QtTest>
#include <QtWidgets>

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

QMessageBox* alertAbout(const char* name)
{
    for (QMessageBox* box : openAlerts())
        if (box->text().contains(QLatin1String(name)))
            return box;
    return nullptr;
}

} // namespace

class DropZoneTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<Launched> app_;
    VelmoraAppDelegate* delegate_ = nullptr;
    DragAndDropView* view_ = nullptr;
    BatchController* batches_ = nullptr;

    // Qt delivers a drop only where a drag of files was let in; no urls: a drop of text.
    bool drop(const QList<QUrl>& urls)
    {
        TempDir dir;
        writeFile(dir / "any.jpg", "x");
        QMimeData entering;
        entering.setUrls({fileUrl(dir / "any.jpg")});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &entering, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view_, &enter);
        QMimeData mime;
        if (!urls.isEmpty())
            mime.setUrls(urls);
        else
            mime.setText(QStringLiteral("just text"));
        QDropEvent event(QPointF(10, 10), Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
        event.setAccepted(false);
        QCoreApplication::sendEvent(view_, &event);
        return event.isAccepted();
    }

    void waitForBatches() { QTRY_COMPARE_WITH_TIMEOUT(batches_->runningBatches(), 0, 30000); }

private slots:
    void init()
    {
        store().clear();
        app_ = std::make_unique<Launched>();
        delegate_ = &app_->delegate;
        store().clear();
        delegate_->dateSwitch()->selectRow(2); // the moment of capture, which every test photo has
        view_ = delegate_->dropView();
        batches_ = delegate_->batches();
    }

    void cleanup()
    {
        for (QMessageBox* box : openAlerts())
            box->close();
        batches_->stopBatches();
        app_.reset();
    }

    // Files are the drop zone's wherever they land, taken as a copy or a link, never
    // moved; text for the prefix field stays the field's.
    void dropsOnTheWindow_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("payload");
        QTest::addColumn<int>("offered");
        QTest::addColumn<int>("taken");
        const int copyOrMove = Qt::CopyAction | Qt::MoveAction;
        // clang-format off
        QTest::newRow("the dashed box") << "dropView" << "file" << copyOrMove << int(Qt::CopyAction);
        QTest::newRow("a checkbox, link or move") << "suffix" << "file" << int(Qt::LinkAction | Qt::MoveAction) << int(Qt::LinkAction);
        QTest::newRow("the prefix field") << "textToPrefix" << "file" << copyOrMove << int(Qt::CopyAction);
        QTest::newRow("the window's margin") << "window" << "file" << copyOrMove << int(Qt::CopyAction);
        QTest::newRow("move only") << "dropView" << "file" << int(Qt::MoveAction) << int(Qt::IgnoreAction);
        QTest::newRow("a web address") << "dropView" << "web" << copyOrMove << int(Qt::IgnoreAction);
        QTest::newRow("text on the prefix field") << "textToPrefix" << "text" << copyOrMove << int(Qt::IgnoreAction);
        // clang-format on
    }

    void dropsOnTheWindow()
    {
        QFETCH(QString, target);
        QFETCH(QString, payload);
        QFETCH(int, offered);
        QFETCH(int, taken);
        QWidget* window = delegate_->window();
        QWidget* over = target == "window" ? window : window->findChild<QWidget*>(target);
        delegate_->textToPrefix()->setEnabled(true);
        TempDir dir;
        makeJpeg(dir / "a.jpg", "2010:07:14 18:05:09");
        QMimeData mime;
        if (payload == "text")
            mime.setText(QStringLiteral("Rome_"));
        else
            mime.setUrls(
                {payload == "file" ? fileUrl(dir / "a.jpg") : QUrl(QStringLiteral("https://example.org/a.jpg"))});
        const bool files = taken != Qt::IgnoreAction;

        QDragEnterEvent enter(QPoint(2, 2), Qt::DropActions(offered), &mime, Qt::LeftButton, Qt::NoModifier);
        enter.setAccepted(false);
        QCoreApplication::sendEvent(over, &enter);
        QCOMPARE(view_->isLit(), files);
        if (files)
            QCOMPARE(int(enter.dropAction()), taken);
        QDragLeaveEvent leave;
        QCoreApplication::sendEvent(over, &leave);
        QVERIFY(!view_->isLit());

        QCoreApplication::sendEvent(over, &enter); // a drop goes where the last entry was accepted
        QDropEvent event(QPointF(2, 2), Qt::DropActions(offered), &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(over, &event);
        QVERIFY(!view_->isLit());
        QCOMPARE(delegate_->status()->isVisible(), files);
        waitForBatches();
        QCOMPARE(listNames(dir.path()), std::vector<std::string>{files ? "2010-07-14__18-05-09.jpg" : "a.jpg"});
        QCOMPARE(delegate_->textToPrefix()->text().contains(QStringLiteral("Rome_")), payload == "text");
    }

    void refusedDropStillSavesTheFiveOptions()
    {
        delegate_->suffix()->setChecked(true);
        delegate_->prefix()->setCheckState(Qt::PartiallyChecked);
        delegate_->fixTime()->setChecked(true);
        delegate_->textToPrefix()->setText(QStringLiteral("Rome, 2010 \"best\""));
        delegate_->timezones()->setCurrentIndex(2);

        QVERIFY(!drop({}));
        QVERIFY(delegate_->status()->isHidden());
        // A batch start stores neither the pop-up nor the date choice; mixed is stored as YES.
        QCOMPARE(store().allKeys(), (QStringList{"fixTime", "prefix", "rename", "suffix", "text_to_prefix"}));
        QVERIFY(settings::read(settings::suffix) && settings::read(settings::prefix) &&
                settings::read(settings::fixTime) && !settings::read(settings::rename));
        QCOMPARE(settings::read(settings::textToPrefix), std::optional<QString>(QStringLiteral("Rome, 2010 \"best\"")));
    }

    void oneDropIsOneBatchInTheOrderDelivered()
    {
        TempDir dir;
        makeJpeg(dir / "first.jpg", "2010:07:14 18:05:09", "2001:01:01 00:00:01");
        fs::create_directory(dir / "folder");
        makeJpeg(dir / "folder/inner.jpg", "2010:07:14 18:05:09", "2001:01:01 00:00:02");
        makeJpeg(dir / "caf\xe9.jpg", "2010:07:14 18:05:09", "2001:01:01 00:00:03");
        const std::string first = readFile(dir / "first.jpg"), last = readFile(dir / "caf\xe9.jpg");
        QLabel* status = delegate_->status();

        QVERIFY(drop({fileUrl(dir / "first.jpg"), fileUrl(dir / "folder"), fileUrl(dir / "caf\xe9.jpg")}));
        QCOMPARE(status->text(), QStringLiteral("Working..."));
        QVERIFY(delegate_->spinner()->isVisible());
        waitForBatches();

        QCOMPARE(readFile(dir / "2010-07-14__18-05-09.jpg"), first);
        QCOMPARE(readFile(dir / "2010-07-14__18-05-09__1.jpg"), last);
        QVERIFY(fs::exists(dir / "folder/2010-07-14__18-05-09.jpg"));
        QTRY_VERIFY(delegate_->spinner()->isHidden());
        QCOMPARE(delegate_->spinner()->value(), 100);
        const QString id = QString::fromStdString(listBatches().front().id);
        QTRY_COMPARE(
            status->text(),
            QStringLiteral("Done: 3 renamed, 0 without a date, 0 failed <a href=\"%1\">Show in History</a>").arg(id));
        // The counts and the link stay until the next batch starts.
        QTest::qWait(4500);
        QVERIFY(status->isVisible() && status->text().startsWith(QStringLiteral("Done: 3 renamed")));
        QVERIFY(drop({fileUrl(dir / "2010-07-14__18-05-09.jpg")}));
        QCOMPARE(status->text(), QStringLiteral("Working..."));
    }

    // Photos on a card pulled before the drop: summed up as not reached, no alert each.
    void photosOnAPulledCardAreSummedUpAsNotReached()
    {
        if (const std::string why = MountedFileSystem::unavailable(FsKind::ExfatFuse); !why.empty())
            QSKIP(why.c_str());
        TempDir dir;
        MountedFileSystem card(FsKind::ExfatFuse);
        makeJpeg(dir / "here.jpg", "2010:07:14 18:05:09");
        for (const char* name : {"a.jpg", "b.jpg"})
            makeJpeg(card.path() / name, "2010:07:14 18:05:09");
        QVERIFY(card.cut());

        QVERIFY(drop({fileUrl(dir / "here.jpg"), fileUrl(card.path() / "a.jpg"), fileUrl(card.path() / "b.jpg")}));
        waitForBatches();
        QTRY_VERIFY(delegate_->status()->text().startsWith(
            QStringLiteral("Done: 1 renamed, 0 without a date, 2 failed (2 not reached: disk or share gone) <a href=")));
        QVERIFY(openAlerts().isEmpty());
    }

    void overlappingBatchesShareTheLatchAndQuitReleasesThem()
    {
        TempDir dir;
        for (const char* name : {"one.txt", "two.txt", "three.txt"})
            writeFile(dir / name, "no EXIF");

        QVERIFY(drop({fileUrl(dir / "one.txt"), fileUrl(dir / "two.txt")}));
        QTRY_COMPARE(openAlerts().size(), 1);
        QMessageBox* firstAlert = openAlerts().first();
        QCOMPARE(firstAlert->buttons().first()->text(), QStringLiteral("OK"));

        // A second drop while the first waits on its alert starts at once and
        // clears the shared latch, so it may raise an alert of its own.
        QVERIFY(drop({fileUrl(dir / "three.txt")}));
        QTRY_COMPARE(openAlerts().size(), 2);
        QCOMPARE(batches_->runningBatches(), 2);
        QCOMPARE(delegate_->status()->text(), QStringLiteral("Working...<br>Working..."));
        firstAlert->buttons().first()->click();
        QTRY_VERIFY(delegate_->status()->text().startsWith(QStringLiteral("Done: 0 renamed, 2 without a date")));
        QVERIFY(delegate_->status()->text().endsWith(QStringLiteral("<br>Working...")));
        QVERIFY(delegate_->spinner()->isVisible());
        // Quitting releases the workers that wait on their alerts.
        batches_->stopBatches();
        QCOMPARE(batches_->runningBatches(), 0);
    }

    // Failed moves are not latched: each alerts until its batch is silenced.
    // Names show as typed, per-cent signs and markup included.
    void silencingAlertsEndsOnlyThatBatchsAlerts()
    {
        TempDir dir;
        const char* names[] = {"a1 100%d <b>&amp;.jpg", "a2.jpg", "a3.jpg", "b1.jpg", "b2.jpg"};
        for (const char* name : names)
            makeJpeg(dir / name, "2010:07:14 18:05:09");
        delegate_->prefix()->setChecked(true);
        delegate_->textToPrefix()->setText(QStringLiteral("no-such-folder/"));
        LogCapture log;

        QVERIFY(drop({fileUrl(dir / names[0]), fileUrl(dir / "a2.jpg"), fileUrl(dir / "a3.jpg")}));
        QTRY_VERIFY(alertAbout(names[0]));
        QVERIFY(drop({fileUrl(dir / "b1.jpg"), fileUrl(dir / "b2.jpg")}));
        QTRY_VERIFY(alertAbout("b1.jpg"));
        QMessageBox* first = alertAbout(names[0]);
        QCOMPARE(first->textFormat(), Qt::PlainText);
        QVERIFY(first->text().contains(QString::fromStdString((dir / "no-such-folder").native())));
        first->checkBox()->setChecked(true);
        first->buttons().first()->click();
        alertAbout("b1.jpg")->buttons().first()->click();
        // The other batch still speaks; the silenced one ends without a word.
        QTRY_VERIFY(alertAbout("b2.jpg"));
        alertAbout("b2.jpg")->buttons().first()->click();
        waitForBatches();
        QCOMPARE(openAlerts().size(), 0);
        QCOMPARE(std::ranges::count_if(log.lines(), [](const std::string& l) { return l.starts_with("Error!! "); }), 5);
        QVERIFY(fs::exists(dir / names[0]));
    }
};

QTEST_MAIN(DropZoneTest)
#include "test_drop_zone.moc"
