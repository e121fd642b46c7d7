// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/BatchController.h"
#include "gui/ClockDialog.h"
#include "gui/DragAndDropView.h"
#include "gui/HistoryWindow.h"
#include "gui/OpenDialog.h"
#include "gui/PreferencesDialog.h"
#include "gui/WindowSink.h"
#include "settings/MessageTable.h"
#include "GuiTestSupport.h"

#include <QtTest>
#include <QtWidgets>

namespace fs = std::filesystem;
using namespace velmora;
using namespace velmora::test;

class MenuTest : public QObject {
    Q_OBJECT
private slots:
    void init() { store().clear(); }

    void optionsAreStoredWhenClickedAndShownInTheExample()
    {
        Launched app;
        QCheckBox* prefix = app->prefix();
        QLineEdit* field = app->textToPrefix();
        field->setText(QStringLiteral("Rome_")); // typed while disabled
        QTest::mouseClick(prefix, Qt::LeftButton);
        QVERIFY(field->isEnabled());
        QCOMPARE(store().value("prefix").toBool(), true);
        QCOMPARE(store().value("text_to_prefix").toString(), QStringLiteral("Rome_"));

        QTest::keyClicks(field, QStringLiteral("/2")); // no "/", nor a control character
        QString bell = QStringLiteral("a\a");
        int at = 0;
        QCOMPARE(field->validator()->validate(bell, at), QValidator::Invalid);
        QTest::mouseClick(prefix, Qt::LeftButton);
        QVERIFY(!field->isEnabled());
        QCOMPARE(store().value("prefix").toBool(), false);
        QCOMPARE(store().value("text_to_prefix").toString(), QStringLiteral("Rome_2"));

        field->clear();
        QTest::mouseClick(prefix, Qt::LeftButton);
        QVERIFY(store().contains("text_to_prefix") && store().value("text_to_prefix").toString().isEmpty());

        QTest::mouseClick(child<QRadioButton>(app->window(), "dateOfCapture"), Qt::LeftButton);
        QCOMPARE(store().value("selected_date_option_cell").toInt(), 2);
        // Tab lands on the checked row, not on the first one (Qt's own rule for a column of radio buttons).
        QVERIFY(QTest::qWaitForWindowActive(app->window()));
        app->fixTime()->setFocus();
        QTest::keyClick(app->fixTime(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("dateOfCapture"));

        const auto shows = [&](const char* example) {
            return child<QLabel>(app->window(), "dropDetail")->text().contains(QStringLiteral(" %1.JPG,").arg(example));
        };
        app->timezones()->setCurrentIndex(26); // +14, while the shift is off
        QVERIFY(shows("2010-07-14__18-05-09"));
        app->fixTime()->setChecked(true);
        QVERIFY(shows("2010-07-15__08-05-09"));
        QVERIFY(app->suffix()->text().contains(QStringLiteral("(2010-07-15__08-05-09__IMG_0001.JPG)")));
        app->textToPrefix()->setText(QStringLiteral("Rome_"));
        app->prefix()->setChecked(true);
        app->suffix()->setChecked(true);
        app->timezones()->setCurrentIndex(0); // -12
        QVERIFY(shows("Rome_2010-07-14__06-05-09__IMG_0001"));
    }

    void preferencesStoreOnlyOnOk()
    {
        Launched app;
        auto* open = child<QAction>(app->window(), "actionPreferences");
        PreferencesDialog* preferences = app->preferences();
        QCheckBox *exif = preferences->exifInPhotos(), *keepSets = preferences->keepSetsTogether(),
                  *videos = preferences->renameVideos();
        // The first launch stores the one choice, off; keeping sets together is on without being stored.
        QCOMPARE(store().allKeys(), QStringList{QStringLiteral("change_exif_in_photo")});
        QVERIFY(!exif->isChecked() && keepSets->isChecked() && !videos->isChecked());

        open->trigger();
        QVERIFY(preferences->isVisible());
        QTest::mouseClick(exif, Qt::LeftButton);
        QTest::keyClick(preferences, Qt::Key_Escape);
        QVERIFY(!preferences->isVisible());
        QCOMPARE(store().value("change_exif_in_photo").toBool(), false);

        open->trigger();
        QVERIFY(!exif->isChecked());
        QVERIFY(!storedPreferences().changeExifInPhoto); // the copy the photo sets are handled with
        for (QCheckBox* box : {exif, keepSets, videos, child<QCheckBox>(preferences, "useOtherDate")})
            QTest::mouseClick(box, Qt::LeftButton);
        QTest::mouseClick(child<QAbstractButton>(preferences, "okButton"), Qt::LeftButton);
        QVERIFY(!preferences->isVisible());
        for (const char* key : {"change_exif_in_photo", "rename_videos", "use_other_date_when_missing"})
            QVERIFY2(store().value(key).toBool(), key);
        QVERIFY(storedPreferences().changeExifInPhoto && storedPreferences().renameVideos);
        QCOMPARE(store().value("keep_sets_together", true).toBool(), false);

        // Opening reads the store again: an absent key shows off, and is not written.
        store().remove("change_exif_in_photo");
        open->trigger();
        QVERIFY(!exif->isChecked());
        QVERIFY(!store().contains("change_exif_in_photo"));
    }

    // The correction from a photo on top of the hour shift, stored on OK, shown in the
    // main window and its example name while not zero.
    void clockCorrectionIsSetFromAPhotoAndStaysInSight()
    {
        TempDir dir;
        makeJpeg(dir / "clock.jpg", "2010:07:14 18:05:09", "2010:07:14 18:05:09");
        Launched app;
        PreferencesDialog* preferences = app->preferences();
        auto* label = child<QLabel>(app->window(), "clockCorrection");
        const auto example = [&] { return child<QLabel>(app->window(), "dropDetail")->text(); };
        app->fixTime()->setChecked(true);
        app->timezones()->setCurrentIndex(14); // +2
        QVERIFY(label->isHidden());
        const struct {
            const char* realTime; // typed; the camera said 18:05:09, +2 h in the main window
            long long correction;
            QString shown, example;
        } cases[] = {
            {"2010-07-14 20:08:36", 207, QStringLiteral("Camera clock: +3 min 27 s"), "2010-07-14__20-08-36"},
            {"2010-07-13 19:04:08", -90061, QStringLiteral("Camera clock: −1 d 1 h 1 min 1 s"), "2010-07-13__19-04-08"},
            {"2010-07-14 20:05:09", 0, QString(), "2010-07-14__20-05-09"},
        };
        for (const auto& c : cases) {
            preferences->showStored();
            preferences->setClockFromPhoto(native(dir / "clock.jpg"));
            QPointer<ClockDialog> dialog = child<ClockDialog>(preferences, "");
            dialog->realTime()->setDateTime(
                QDateTime::fromString(QLatin1String(c.realTime), QStringLiteral("yyyy-MM-dd HH:mm:ss")));
            dialog->accept();
            delete dialog;
            QCOMPARE(preferences->clockCorrection(), c.correction);
            QTest::mouseClick(child<QAbstractButton>(preferences, "okButton"), Qt::LeftButton);
            QCOMPARE(store().value("clock_offset_seconds").toLongLong(), c.correction);
            QCOMPARE(label->isVisible(), c.correction != 0);
            QVERIFY2(label->text().contains(c.shown), qPrintable(label->text()));
            QVERIFY2(example().contains(c.example), qPrintable(example()));
        }
    }

    void openMenuChoosesFilesAndFoldersForOneBatch()
    {
        TempDir dir;
        fs::create_directory(dir / "sub");
        makeJpeg(dir / "sub" / "a.jpg", "2012:03:04 05:06:07", "2012:03:04 05:06:07");
        makeJpeg(dir / "b.jpg", "2013:04:05 06:07:08", "2013:04:05 06:07:08");
        makeJpeg(dir / "left alone.jpg", "2014:05:06 07:08:09", "2014:05:06 07:08:09");
        Launched app;
        QSignalSpy finished(app->batches(), &BatchController::batchFinished);

        QTest::mouseClick(app->dropView(), Qt::LeftButton); // as the Open menu item does
        auto* dialog = child<OpenDialog>(app->window(), "openDialog");
        QTRY_VERIFY(dialog->isVisible());
        dialog->setDirectory(native(dir.path()));
        auto* name = child<QLineEdit>(dialog, "fileNameEdit");
        // A folder typed with a "/" at its end and Return: into it, nothing starts.
        name->setText(native(dir / "sub") + QLatin1Char('/'));
        QTest::keyClick(name, Qt::Key_Return);
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->directory().absolutePath(), native(dir / "sub"));
        dialog->setDirectory(native(dir.path()));
        // Return takes the selection, a folder as a choice, not as a place to step into.
        name->setText(QStringLiteral("\"sub\" \"b.jpg\""));
        QTest::keyClick(name, Qt::Key_Enter);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 30000);
        QVERIFY(fs::exists(dir / "sub" / "2012-03-04__05-06-07.jpg"));
        QCOMPARE(listNames(dir.path()), (std::vector<std::string>{"2013-04-05__06-07-08.jpg", "left alone.jpg", "sub"}));
        QTRY_VERIFY(!app->window()->findChild<OpenDialog*>()); // closed and gone
        child<QAction>(app->window(), "actionOpenFolder")->trigger();
        QVERIFY(child<OpenDialog>(app->window(), "openDialog")->testOption(QFileDialog::ShowDirsOnly));
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
        Shell plain;
        // The History window is made on first use, in the language of that moment.
        const QList<QWidget*> plainRoots{plain->window(), plain->preferences(), plain->history()};
        QVERIFY(QCoreApplication::installTranslator(&translator));
        const auto removeTranslator = qScopeGuard([&] { QCoreApplication::removeTranslator(&translator); });

        QCOMPARE(QString::fromStdString(MessageTable::text("#1")), done);
        QCOMPARE(QString::fromStdString(MessageTable::text("#12")), QStringLiteral("OK"));
        QCOMPARE(QString::fromStdString(MessageTable::text("#15")), QStringLiteral(VELMORA_WEB_SITE)); // every language
        for (const char* key : {"#2", "#14", "#17", "#18", "#19"})
            QVERIFY2(MessageTable::text(key) != key, key);

        Shell app;
        const QList<QWidget*> roots{app->window(), app->preferences(), app->history()};
        for (int r = 0; r < roots.size(); ++r) {
            // Every button and menu of each window has a key of its own, in every language.
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
            const auto shown = texts(roots[r]), english = texts(plainRoots[r]);
            const QStringList kept{QString(), "OK", "&OK", "Velmora", QString::fromUtf8("⤓")};
            QStringList untranslated;
            for (auto it = english.cbegin(); it != english.cend(); ++it)
                if (bool numeric = false; (it.value().toInt(&numeric), !numeric) && !kept.contains(it.value()) &&
                                          shown[it.key()] == it.value())
                    untranslated << it.key() + QStringLiteral(": ") + it.value();
            QVERIFY2(untranslated.isEmpty(), qPrintable(untranslated.join(QLatin1String("; "))));
        }
    }
};

int runMenuTests(int argc, char** argv)
{
    MenuTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_menus.moc"
