// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/BatchController.h"
#include "gui/PreviewDialog.h"
#include "gui/PreviewModel.h"
#include "gui/RadioColumn.h"
#include "GuiTestSupport.h"

#include <QtTest>
#include <QtWidgets>

namespace fs = std::filesystem;
using namespace velmora;
using namespace velmora::test;

namespace {
const std::string kStem = "2010-07-14__18-05-09";

// Old name -> new name ("" when it stays), as the table shows them.
std::map<std::string, std::string> shown(const PreviewModel& model)
{
    std::map<std::string, std::string> names;
    for (int r = 0; r < model.rowCount(); ++r)
        names[model.index(r, PreviewModel::OldName).data().toString().toStdString()] =
            model.index(r, PreviewModel::NewName).data().toString().toStdString();
    return names;
}

} // namespace

class PreviewTest : public QObject {
    Q_OBJECT

private:
    // The preview of `folder`, once it has shown every name; nullptr when it did not open.
    static PreviewDialog* open(Launched& app, const fs::path& folder)
    {
        app->batches()->openFiles({folder}, true);
        for (auto* dialog : app->window()->findChildren<PreviewDialog*>())
            if (dialog->isVisible() && QTest::qWaitFor([&] { return dialog->isComplete(); }, 10000))
                return dialog;
        return nullptr;
    }

    // The batch's one alert (photos without a date) answered as the user would.
    static bool batchesEnded(Launched& app)
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible())
                box->accept();
        return app->batches()->runningBatches() == 0;
    }

private slots:
    void theBatchGivesTheNamesShownAndCancelChangesNothing()
    {
        TempDir dir;
        writeFile(dir / (kStem + ".JPG"), "taken");
        for (const char* name : {"a.JPG", "b.CR2", "b.JPG", "c.JPG"})
            makeJpeg(dir / name, "2010:07:14 18:05:09");
        makeJpeg(dir / "undated.JPG", std::nullopt);
        writeFile(dir / "b.CR2.xmp", "<x/>");
        const Contents before = contents(dir.path());
        Launched app;
        app->dateSwitch()->selectRow(2);

        // Cancel (Escape): nothing changes, no batch runs.
        PreviewDialog* dialog = open(app, dir.path());
        QVERIFY(dialog);
        QTest::keyClick(dialog, Qt::Key_Escape);
        QTRY_VERIFY(!dialog->isVisible());
        QCOMPARE(app->batches()->runningBatches(), 0);
        QCOMPARE(contents(dir.path()), before);

        QVERIFY((dialog = open(app, dir.path())));
        using Names = std::map<std::string, std::string>;
        const Names expected{{kStem + ".JPG", ""},          {"a.JPG", kStem + "__1.JPG"},
                             {"b.CR2", kStem + "__2.CR2"},  {"b.CR2.xmp", kStem + "__2.CR2.xmp"},
                             {"b.JPG", kStem + "__2.JPG"},  {"c.JPG", kStem + "__3.JPG"}, {"undated.JPG", ""}};
        QCOMPARE(shown(*dialog->model()), expected);
        app->suffix()->setChecked(true);
        QTRY_COMPARE_WITH_TIMEOUT(shown(*dialog->model())["a.JPG"], kStem + "__a.JPG", 10000);
        app->suffix()->setChecked(false);
        QTRY_COMPARE_WITH_TIMEOUT(shown(*dialog->model()), expected, 10000);
        QTRY_VERIFY(dialog->isComplete());
        QCOMPARE(dialog->model()->rowCount(), int(expected.size())); // nothing left of the first run

        // c.JPG changes before Rename (Return): it is reported and stays; the rest as shown.
        setExifDates(dir / "c.JPG", "2011:01:01 00:00:00", std::nullopt);
        QTest::keyClick(dialog, Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(batchesEnded(app), 30000);
        std::vector<std::string> after;
        for (const auto& [old, name] : expected)
            after.push_back(name.empty() || old == "c.JPG" ? old : name);
        std::sort(after.begin(), after.end());
        QCOMPARE(listNames(dir.path()), after);
        QTRY_VERIFY(app->status()->text().contains(QLatin1String("1 failed")));
    }
};

QTEST_MAIN(PreviewTest)
#include "test_preview.moc"
