// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/HistoryWindow.h"
#include "gui/BatchController.h"
#include "writeback/WriteAheadLog.h"
#include "support/ProcessSupport.h"
#include "GuiTestSupport.h"

#include <QtTest>
#include <QtWidgets>

namespace fs = std::filesystem;
using namespace velmora;
using namespace velmora::test;

namespace {

// Answers the message box called `name` with `button` once it shows, and keeps its text.
class Answer : public QObject {
public:
    Answer(const char* name, QMessageBox::StandardButton button)
    {
        connect(&poll_, &QTimer::timeout, this, [this, name = QString::fromLatin1(name), button] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible() && box->objectName() == name) {
                    poll_.stop();
                    text = box->text();
                    QAbstractButton* answer = box->button(button);
                    (answer ? answer : box->buttons().value(0))->click(); // a batch's alert has its own button
                }
        });
        poll_.start(20);
    }
    QString text; // empty: it never showed

private:
    QTimer poll_;
};

// The application after launch, and two batches: a copy of a.JPG and b.JPG, then a move of c.JPG
// with a photo without a date.
struct TwoBatches : Launched {
    TwoBatches()
    {
        fs::remove_all(stateFolder() / "batches"); // the batches of earlier tests are not in the way
        for (const char* name : {"a.JPG", "b.JPG"})
            makeJpeg(dir / name, "2010:07:14 18:05:09", "2010:07:14 18:05:09");
        makeJpeg(dir / "c.JPG", "2011:08:15 19:06:10", "2011:08:15 19:06:10");
        makeJpeg(dir / "none.JPG", std::nullopt);
        delegate.rename()->setChecked(true);
        run({dir / "a.JPG", dir / "b.JPG"});
        delegate.rename()->setChecked(false);
        run({dir / "c.JPG", dir / "none.JPG"});
        history = delegate.history();
    }
    bool run(const std::vector<fs::path>& photos)
    {
        QSignalSpy finished(delegate.batches(), &BatchController::batchFinished);
        Answer alert("velmoraAlert", QMessageBox::Ok);
        application.openFiles(photos);
        return finished.wait(30000);
    }
    void trigger(const char* action) { child<QAction>(delegate.window(), action)->trigger(); }
    bool undo(const char* how, QMessageBox::StandardButton answer, QString* question = nullptr)
    {
        QSignalSpy undone(history, &HistoryWindow::undoFinished);
        Answer asked("undoQuestion", answer);
        if (how == QLatin1String("button"))
            child<QPushButton>(history, "undoBatch")->click();
        else
            trigger("actionUndoLastBatch");
        if (question)
            *question = asked.text;
        return !asked.text.isEmpty() && (answer == QMessageBox::No || !undone.isEmpty() || undone.wait(30000));
    }
    QString state(int row) const { return child<QTreeWidget>(history, "batches")->topLevelItem(row)->text(4); }

    TempDir dir;
    HistoryWindow* history = nullptr;
    const Names copied{"2010-07-14__18-05-09.JPG",
                       "2010-07-14__18-05-09__1.JPG",
                       "2011-08-15__19-06-10.JPG",
                       "a.JPG",
                       "b.JPG",
                       "none.JPG"};
};

} // namespace

class HistoryWindowTest : public QObject {
    Q_OBJECT
public slots:
    void openUrl(const QUrl& url) { opened << url; }

private slots:
    void init() { QSettings(QStringLiteral("Velmora"), QStringLiteral("Velmora")).clear(); }

    void listsBatchesOpensAPhotosFolderAndTellsOfARefusedDisk()
    {
        TwoBatches app;
        QCOMPARE(listNames(app.dir.path()), app.copied);
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openUrl");
        const auto unset = qScopeGuard([] { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); });
        const QString status = app.delegate.status()->text();
        const QString id = status.section(QLatin1String("href=\""), 1).section(QLatin1Char('"'), 0, 0);
        emit app.delegate.status()->linkActivated(id);
        QVERIFY(app.history->isVisible());
        QCOMPARE(QString::fromStdString(app.history->currentBatch()), id);
        QVERIFY(app.history->screen()->availableGeometry().contains(app.history->frameGeometry()));
        QVERIFY(QTest::qWaitForWindowActive(app.history));
        QTest::keyClick(app.history, Qt::Key_Escape);
        QVERIFY(!app.history->isVisible());

        QCOMPARE(child<QAction>(app.delegate.window(), "actionHistory")->shortcut(),
                 QKeySequence(Qt::CTRL | Qt::Key_H));
        QCOMPARE(child<QAction>(app.delegate.window(), "actionUndoLastBatch")->shortcut(),
                 QKeySequence(Qt::CTRL | Qt::Key_Z));
        app.trigger("actionHistory");
        QVERIFY(app.history->isVisible());
        // Newest first: renamed, without a date, failed.
        auto* batches = child<QTreeWidget>(app.history, "batches");
        const auto counts = [&](int row) {
            const QTreeWidgetItem* item = batches->topLevelItem(row);
            return QStringList{item->text(1), item->text(2), item->text(3)}.join(' ');
        };
        QCOMPARE(batches->topLevelItemCount(), 2);
        QCOMPARE(counts(0), QStringLiteral("1 1 0"));
        QCOMPARE(counts(1), QStringLiteral("2 0 0"));
        QCOMPARE(batches->selectedItems(), QList<QTreeWidgetItem*>{batches->topLevelItem(0)});
        QTRY_COMPARE(app.history->model().rowCount(), 2);
        child<QCheckBox>(app.history, "problemsOnly")->setChecked(true);
        QCOMPARE(app.history->model().rowCount(), 1);
        QCOMPARE(app.history->model().index(0, BatchPhotoModel::OldName).data().toString(), QStringLiteral("none.JPG"));
        child<QCheckBox>(app.history, "problemsOnly")->setChecked(false);

        batches->setCurrentItem(batches->topLevelItem(1));
        QTRY_COMPARE(app.history->model().index(1, BatchPhotoModel::OldName).data().toString(),
                     QStringLiteral("b.JPG"));
        child<QTableView>(app.history, "photos")->selectRow(1);
        opened.clear();
        child<QPushButton>(app.history, "openFolder")->click();
        QCOMPARE(opened, QList<QUrl>{QUrl::fromLocalFile(QString::fromStdString(app.dir.path().native()))});
        QVERIFY(QTest::qWaitForWindowActive(app.history));
        QTest::keyClick(app.history, Qt::Key_W, Qt::ControlModifier);
        QVERIFY(!app.history->isVisible());

        // A disk that takes no history line: the batch's summary says so, and an undo that
        // cannot be recorded says so and takes nothing back.
        makeJpeg(app.dir / "d.JPG", "2012:09:16 20:07:11", "2012:09:16 20:07:11");
        const velmora::test::DiskFull full(0);
        QVERIFY(app.run({app.dir / "d.JPG"}));
        QVERIFY2(app.delegate.status()->text().contains(QStringLiteral("could not be written in full")),
                 qPrintable(app.delegate.status()->text()));

        app.trigger("actionHistory");
        QCOMPARE(app.state(0), QStringLiteral("Cut short")); // without its end line, but over
        batches->setCurrentItem(batches->topLevelItem(2));
        Answer alert("undoNotRecorded", QMessageBox::Ok);
        QVERIFY(app.undo("button", QMessageBox::Yes));
        QTRY_VERIFY(!alert.text.isEmpty());
        QCOMPARE(listNames(app.dir.path()),
                 (Names{"2010-07-14__18-05-09.JPG", "2010-07-14__18-05-09__1.JPG", "2011-08-15__19-06-10.JPG",
                        "2012-09-16__20-07-11.JPG", "a.JPG", "b.JPG", "none.JPG"}));
        QCOMPARE(app.state(2), QString());
    }

    // Every undo asks first, and No leaves the photos. Undo This Batch takes the batch chosen in the
    // list; Ctrl+Z the newest not yet undone, whatever is chosen, here the older one.
    void everyUndoAsksFirst()
    {
        TwoBatches app;
        app.trigger("actionHistory");
        auto* batches = child<QTreeWidget>(app.history, "batches");
        batches->setCurrentItem(batches->topLevelItem(1));
        QString question;
        QVERIFY(app.undo("button", QMessageBox::No, &question));
        QVERIFY2(question.contains(QStringLiteral(" 2 renamed photo")), qPrintable(question));
        QCOMPARE(listNames(app.dir.path()), app.copied);
        batches->setCurrentItem(batches->topLevelItem(0));
        QVERIFY(app.undo("button", QMessageBox::Yes));
        QCOMPARE(listNames(app.dir.path()), (Names{"2010-07-14__18-05-09.JPG", "2010-07-14__18-05-09__1.JPG", "a.JPG",
                                                   "b.JPG", "c.JPG", "none.JPG"}));
        QCOMPARE(app.state(0), QStringLiteral("Undone"));
        QVERIFY(!child<QPushButton>(app.history, "undoBatch")->isEnabled());

        QVERIFY(app.undo("menu", QMessageBox::No));
        QCOMPARE(listNames(app.dir.path()).size(), size_t{6});
        QVERIFY(app.undo("menu", QMessageBox::Yes, &question));
        QVERIFY2(question.contains(QStringLiteral(" 2 renamed photo")), qPrintable(question));
        QCOMPARE(listNames(app.dir.path()), (Names{"a.JPG", "b.JPG", "c.JPG", "none.JPG"}));
        QCOMPARE(app.state(1), QStringLiteral("Undone"));
        Answer none("nothingToUndo", QMessageBox::Ok);
        app.trigger("actionUndoLastBatch");
        QVERIFY(!none.text.isEmpty());
    }

private:
    QList<QUrl> opened;
};

int runHistoryWindowTests(int argc, char** argv)
{
    HistoryWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_history_window.moc"
