// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/MainMenus.h"

#include "gui/Application.h"
#include "gui/HistoryWindow.h"
#include "gui/OpenDialog.h"
#include "gui/PreferencesDialog.h"
#include "gui/SupportLinks.h"
#include "settings/MessageTable.h"
#include "ui_MainWindow.h"

#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>

namespace velmora {

MainMenus::MainMenus(QMainWindow* window, Ui::MainWindow& ui, Application& application, PreferencesDialog* preferences,
                     std::function<HistoryWindow*()> history)
    : QObject(window), window_(window), application_(application), support_(new SupportLinks(window))
{
    connect(ui.actionPreferences, &QAction::triggered, preferences, &PreferencesDialog::showStored);
    connect(ui.actionWriteMail, &QAction::triggered, support_, &SupportLinks::writeMail);
    connect(ui.actionOpenWebSite, &QAction::triggered, support_, &SupportLinks::openWebSite);
    connect(ui.actionOpen, &QAction::triggered, this, [this] { chooseAndOpen(false); });
    connect(ui.actionOpenFolder, &QAction::triggered, this, [this] { chooseAndOpen(true); });
    connect(ui.actionAbout, &QAction::triggered, this, &MainMenus::about);
    connect(ui.actionAboutQt, &QAction::triggered, qApp, &QApplication::aboutQt);
    connect(ui.actionQuit, &QAction::triggered, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    addHistoryMenus(ui, history);
}

void MainMenus::addHistoryMenus(Ui::MainWindow& ui, const std::function<HistoryWindow*()>& history)
{
    QMenuBar* bar = window_->menuBar();
    QMenu* edit = ui.menuEdit;
    auto* undo = new QAction(tr("&Undo Last Batch"), window_);
    undo->setObjectName(QStringLiteral("actionUndoLastBatch"));
    undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    edit->insertAction(edit->actions().value(0), undo);
    connect(undo, &QAction::triggered, this, [history] { history()->undoLastBatch(); });

    auto* windowMenu = new QMenu(tr("Wi&ndow"), bar);
    windowMenu->setObjectName(QStringLiteral("menuWindow"));
    bar->insertMenu(ui.menuHelp->menuAction(), windowMenu);
    auto* show = windowMenu->addAction(tr("&History"));
    show->setObjectName(QStringLiteral("actionHistory"));
    show->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    connect(show, &QAction::triggered, this, [history] { history()->showBatch(); });
}

void MainMenus::chooseAndOpen(bool folder)
{
    // Not exec(): a nested event loop could start batches inside this call.
    auto* dialog = new OpenDialog(window_, folder);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        if (auto paths = dialog->chosenPaths(); !paths.empty())
            application_.openFiles(paths);
    });
    dialog->open();
}

void MainMenus::about()
{
    QMessageBox::about(window_, tr("About Velmora"),
                       tr("<h3>Velmora %1</h3><p>Renames photos after the moment they were taken.</p>"
                          "<p>Free software under the GNU General Public License, version 3 or later. "
                          "It comes with no warranty.</p><p><a href=\"%2\">%2</a></p>")
                           .arg(QStringLiteral(VELMORA_VERSION),
                                QString::fromStdString(MessageTable::text(message::kWebSite)).toHtmlEscaped()));
}

} // namespace velmora
