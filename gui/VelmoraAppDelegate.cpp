// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/VelmoraAppDelegate.h"

#include "gui/Application.h"
#include "gui/HistoryWindow.h"
#include "gui/OpenDialog.h"
#include "settings/Settings.h"
#include "gui/DragAndDropView.h"
#include "gui/RadioMatrix.h"
#include "gui/SavedOptions.h"
#include "engine/DateText.h"
#include "settings/MessageTable.h"
#include "files/Platform.h"
#include "ui_MainWindow.h"
#include "ui_Preferences.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QIcon>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QStandardPaths>
#include <QMenuBar>
#include <QUrl>

#include <climits>

namespace velmora {
namespace {

// Whether the desktop has a program for "mailto:" links; nullopt when it cannot tell.
std::optional<bool> hasMailProgram()
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (tool.isEmpty())
        return std::nullopt;
    QProcess query;
    query.start(tool, {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("x-scheme-handler/mailto")});
    if (!query.waitForFinished(3000)) {
        query.kill();
        query.waitForFinished();
        return std::nullopt;
    }
    return query.exitStatus() == QProcess::NormalExit && query.exitCode() == 0 &&
           !query.readAllStandardOutput().trimmed().isEmpty();
}

} // namespace

VelmoraAppDelegate::VelmoraAppDelegate(Application& application, QObject* parent)
    : QObject(parent), application_(application), window_(std::make_unique<QMainWindow>()),
      ui_(std::make_unique<Ui::MainWindow>()), preferences_(std::make_unique<QDialog>(window_.get())),
      preferencesUi_(std::make_unique<Ui::Preferences>()), history_(new HistoryWindow(window_.get()))
{
    ui_->setupUi(window_.get());
    preferencesUi_->setupUi(preferences_.get());
    // The status line and the indicator come and go with batches; the window keeps still.
    for (QWidget* w : {static_cast<QWidget*>(ui_->status), static_cast<QWidget*>(ui_->spinner),
                       static_cast<QWidget*>(ui_->stopButton)}) {
        QSizePolicy policy = w->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        w->setSizePolicy(policy);
    }

    connect(ui_->prefix, &QCheckBox::clicked, this, &VelmoraAppDelegate::prefixChange);
    for (QRadioButton* row : ui_->dateSwitch->rows())
        connect(row, &QRadioButton::clicked, this, &VelmoraAppDelegate::dateSwitchChange);
    connect(ui_->actionPreferences, &QAction::triggered, this, &VelmoraAppDelegate::openPreferences);
    connect(ui_->actionWriteMail, &QAction::triggered, this, &VelmoraAppDelegate::writeMail);
    connect(ui_->actionOpenWebSite, &QAction::triggered, this, &VelmoraAppDelegate::openWebSite);
    connect(ui_->actionOpen, &QAction::triggered, this, [this] { openDocuments(false); });
    connect(ui_->actionOpenFolder, &QAction::triggered, this, [this] { openDocuments(true); });
    connect(ui_->actionAbout, &QAction::triggered, this, &VelmoraAppDelegate::about);
    connect(ui_->actionAboutQt, &QAction::triggered, qApp, &QApplication::aboutQt);
    connect(ui_->actionQuit, &QAction::triggered, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    connect(preferencesUi_->okButton, &QPushButton::clicked, this, &VelmoraAppDelegate::ok);
    // Stop: the button beside the progress, or Escape in the main window.
    DragAndDropView* view = ui_->dropView;
    connect(ui_->stopButton, &QPushButton::clicked, view, &DragAndDropView::stopAfterPhotoInHand);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), window_.get());
    connect(escape, &QShortcut::activated, view, &DragAndDropView::stopAfterPhotoInHand);
    connect(view, &DragAndDropView::batchStarted, ui_->stopButton, &QWidget::show);
    connect(view, &DragAndDropView::batchFinished, this,
            [this, view] { ui_->stopButton->setVisible(view->runningBatches() > 0); });
    connect(&application_, &Application::activationRequested, this, &VelmoraAppDelegate::bringToFront);

    // The installed icon of the desktop's theme; the bundled one where none is installed.
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("app.velmora.Velmora"),
                                                 QIcon(QStringLiteral(":/icons/app.velmora.Velmora.svg"))));
    // The pop-up follows its checkbox, as the prefix field does; the example name follows every option.
    connect(ui_->fixTime, &QCheckBox::stateChanged, this, [this] {
        ui_->timezones->setEnabled(ui_->fixTime->checkState() != Qt::Unchecked);
        showExampleName();
    });
    for (QCheckBox* box : {ui_->prefix, ui_->suffix})
        connect(box, &QCheckBox::stateChanged, this, &VelmoraAppDelegate::showExampleName);
    connect(ui_->text_to_prefix, &QLineEdit::textChanged, this, &VelmoraAppDelegate::showExampleName);
    connect(ui_->timezones, &QComboBox::currentIndexChanged, this, &VelmoraAppDelegate::showExampleName);
    ui_->timezones->setEnabled(ui_->fixTime->checkState() != Qt::Unchecked);
    showExampleName();
    connect(ui_->dropView, &DragAndDropView::historyRequested, history_,
            [this](const QString& id) { history_->showBatch(id.toStdString()); });
    addHistoryMenus();
    application_.setDelegate(this);
}

void VelmoraAppDelegate::addHistoryMenus()
{
    QMenuBar* bar = window_->menuBar();
    QMenu* edit = ui_->menuEdit;
    auto* undo = new QAction(tr("&Undo Last Batch"), window_.get());
    undo->setObjectName(QStringLiteral("actionUndoLastBatch"));
    undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    edit->insertAction(edit->actions().value(0), undo);
    connect(undo, &QAction::triggered, history_, &HistoryWindow::undoLastBatch);

    auto* windowMenu = new QMenu(tr("Wi&ndow"), bar);
    windowMenu->setObjectName(QStringLiteral("menuWindow"));
    bar->insertMenu(ui_->menuHelp->menuAction(), windowMenu);
    auto* history = windowMenu->addAction(tr("&History"));
    history->setObjectName(QStringLiteral("actionHistory"));
    history->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    connect(history, &QAction::triggered, history_, [this] { history_->showBatch(); });
}

VelmoraAppDelegate::~VelmoraAppDelegate()
{
    if (application_.delegate() == this || application_.delegate() == dropView())
        application_.setDelegate(nullptr);
}

void VelmoraAppDelegate::applicationDidFinishLaunching()
{
    if (settings::contains(settings::changeExifInPhoto)) {
        preferencesUi_->exifInPhotos->setChecked(settings::read(settings::changeExifInPhoto));
    } else {
        preferencesUi_->exifInPhotos->setCheckState(Qt::Unchecked);
        settings::write(settings::changeExifInPhoto, preferencesUi_->exifInPhotos->checkState());
    }
    preferencesUi_->keepSetsTogether->setChecked(settings::read(settings::keepSetsTogether));
    initWindow();
}

void VelmoraAppDelegate::initWindow()
{
    bringToFront();

    ui_->suffix->setChecked(settings::read(settings::suffix));
    ui_->prefix->setChecked(settings::read(settings::prefix));
    ui_->rename->setChecked(settings::read(settings::rename));
    // 0 and an index outside the pop-up keep the laid-out selection.
    if (const long long index = settings::read(settings::timezones); index > 0 && index < ui_->timezones->count())
        ui_->timezones->setCurrentIndex(static_cast<int>(index));
    if (const auto text = settings::read(settings::textToPrefix))
        ui_->text_to_prefix->setText(*text);
    ui_->fixTime->setChecked(settings::read(settings::fixTime));
    ui_->text_to_prefix->setEnabled(ui_->prefix->checkState() == Qt::Checked);
    // A stored 0, like an absent key, selects row 1; a row outside the matrix changes nothing.
    if (const long long row = settings::read(settings::selectedDateOptionCell); row >= 0 && row <= INT_MAX)
        ui_->dateSwitch->selectCellAtRow(row != 0 ? static_cast<int>(row) : 1, 0);

    DragAndDropView* view = ui_->dropView;
    application_.setDelegate(view);
    view->setSpinner(ui_->spinner);
    view->setStatus(ui_->status);
    view->setText_to_prefix(ui_->text_to_prefix);
    view->setPrefix(ui_->prefix);
    view->setSuffix(ui_->suffix);
    view->setRename(ui_->rename);
    view->setWindow(window_.get());
    view->setTimezones(ui_->timezones);
    view->setFixTime(ui_->fixTime);
    view->setDateSwitch(ui_->dateSwitch);
}

void VelmoraAppDelegate::prefixChange()
{
    settings::write(settings::textToPrefix, ui_->text_to_prefix->text());
    ui_->text_to_prefix->setEnabled(ui_->prefix->checkState() == Qt::Checked);
    settings::write(settings::prefix, ui_->prefix->checkState());
}

void VelmoraAppDelegate::dateSwitchChange()
{
    settings::write(settings::selectedDateOptionCell, ui_->dateSwitch->selectedRow());
}

void VelmoraAppDelegate::openPreferences()
{
    if (settings::contains(settings::changeExifInPhoto))
        preferencesUi_->exifInPhotos->setChecked(settings::read(settings::changeExifInPhoto));
    else
        preferencesUi_->exifInPhotos->setCheckState(Qt::Unchecked);
    preferencesUi_->keepSetsTogether->setChecked(settings::read(settings::keepSetsTogether));
    preferences_->show();
    preferences_->raise();
    preferences_->activateWindow();
}

void VelmoraAppDelegate::ok()
{
    settings::write(settings::changeExifInPhoto, preferencesUi_->exifInPhotos->checkState());
    settings::write(settings::keepSetsTogether, preferencesUi_->keepSetsTogether->checkState());
    preferences_->close();
}

void VelmoraAppDelegate::writeMail()
{
    // Without a mail program the desktop opens nothing and says nothing: show the address instead.
    if (hasMailProgram() != false && QDesktopServices::openUrl(QUrl(QStringLiteral("mailto:" VELMORA_SUPPORT_EMAIL))))
        return;
    const QString address = QStringLiteral(VELMORA_SUPPORT_EMAIL);
    auto* box =
        new QMessageBox(QMessageBox::Information, tr("Write to Support"),
                        tr("No mail program is set up. Please write to Velmora's support at\n\n%1").arg(address),
                        QMessageBox::Close, window_.get());
    box->setObjectName(QStringLiteral("supportAddress"));
    box->setTextFormat(Qt::PlainText);
    box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    QPushButton* copy = box->addButton(tr("&Copy Address"), QMessageBox::ActionRole);
    connect(copy, &QPushButton::clicked, box, [address] { QGuiApplication::clipboard()->setText(address); });
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void VelmoraAppDelegate::openWebSite()
{
    QDesktopServices::openUrl(QUrl(QString::fromStdString(MessageTable::text(message::kWebSite))));
}

void VelmoraAppDelegate::showExampleName()
{
    // What a drop would make of a photo IMG_0001.JPG taken at 2010-07-14 18:05:09.
    std::optional<std::string> date = "2010:07:14 18:05:09";
    if (ui_->fixTime->checkState() != Qt::Unchecked)
        date = shiftCaptureDate(*date, hoursFromTitle(ui_->timezones->currentText().toStdString()));
    QString name = QString::fromStdString(dateStem(date.value_or("2010:07:14 18:05:09")));
    if (ui_->prefix->checkState() == Qt::Checked)
        name.prepend(ui_->text_to_prefix->text());
    if (ui_->suffix->checkState() == Qt::Checked)
        name += QStringLiteral("__IMG_0001");
    ui_->dropDetail->setText(
        tr("Each photo gets the moment it was taken as its name, for example %1, in its own folder.")
            .arg(name + QStringLiteral(".JPG")));
}

void VelmoraAppDelegate::about()
{
    QMessageBox::about(
        window_.get(), tr("About Velmora"),
        tr("<h3>Velmora %1</h3><p>Renames photos after the moment they were taken.</p>"
           "<p>Free software under the GNU General Public License, version 3 or later. "
           "It comes with no warranty.</p><p><a href=\"%2\">%2</a></p>")
            .arg(QStringLiteral(VELMORA_VERSION), QString::fromStdString(MessageTable::text(message::kWebSite)).toHtmlEscaped()));
}

void VelmoraAppDelegate::bringToFront()
{
    if (window_->isMinimized())
        window_->showNormal();
    else
        window_->show();
    window_->raise();
    window_->activateWindow();
}

void VelmoraAppDelegate::openDocuments(bool folder)
{
    // Not exec(): a nested event loop could start batches inside this call.
    auto* dialog = new OpenDialog(window_.get(), folder);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        if (auto paths = dialog->chosenPaths(); !paths.empty())
            application_.openFiles(paths);
    });
    dialog->open();
}

void VelmoraAppDelegate::applicationWillTerminate()
{
    // Before window set-up: the drop zone is not the delegate yet, and the pop-up's index is not saved.
    saveOptions({ui_->suffix, ui_->prefix, ui_->rename, nullptr, ui_->text_to_prefix, ui_->fixTime});
}

// One line each reads better than five.
// clang-format off
QMainWindow* VelmoraAppDelegate::window() const { return window_.get(); }
QProgressBar* VelmoraAppDelegate::spinner() const { return ui_->spinner; }
DragAndDropView* VelmoraAppDelegate::dropView() const { return ui_->dropView; }
QLabel* VelmoraAppDelegate::status() const { return ui_->status; }
QCheckBox* VelmoraAppDelegate::suffix() const { return ui_->suffix; }
QCheckBox* VelmoraAppDelegate::prefix() const { return ui_->prefix; }
QCheckBox* VelmoraAppDelegate::rename() const { return ui_->rename; }
QComboBox* VelmoraAppDelegate::timezones() const { return ui_->timezones; }
QLineEdit* VelmoraAppDelegate::text_to_prefix() const { return ui_->text_to_prefix; }
QDialog* VelmoraAppDelegate::preferences() const { return preferences_.get(); }
QCheckBox* VelmoraAppDelegate::exifInPhotos() const { return preferencesUi_->exifInPhotos; }
QCheckBox* VelmoraAppDelegate::keepSetsTogether() const { return preferencesUi_->keepSetsTogether; }
QCheckBox* VelmoraAppDelegate::fixTime() const { return ui_->fixTime; }
RadioMatrix* VelmoraAppDelegate::dateSwitch() const { return ui_->dateSwitch; }
// clang-format on

} // namespace velmora
