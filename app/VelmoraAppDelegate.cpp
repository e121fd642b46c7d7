#include "app/VelmoraAppDelegate.h"

#include "app/Application.h"
#include "app/HistoryWindow.h"
#include "app/OpenDialog.h"
#include "app/Settings.h"
#include "dropzone/DragAndDropView.h"
#include "dropzone/RadioMatrix.h"
#include "platform/MessageTable.h"
#include "ui_MainWindow.h"
#include "ui_Preferences.h"

#include <QDesktopServices>
#include <QMenuBar>
#include <QUrl>

#include <climits>

namespace velmora {

VelmoraAppDelegate::VelmoraAppDelegate(Application& application, QObject* parent)
    : QObject(parent), application_(application), window_(std::make_unique<QMainWindow>()),
      ui_(std::make_unique<Ui::MainWindow>()), preferences_(std::make_unique<QDialog>(window_.get())),
      preferencesUi_(std::make_unique<Ui::Preferences>()), history_(new HistoryWindow(window_.get()))
{
    ui_->setupUi(window_.get());
    preferencesUi_->setupUi(preferences_.get());
    // The status line and the indicator come and go with batches; the window keeps still.
    for (QWidget* w : {static_cast<QWidget*>(ui_->status), static_cast<QWidget*>(ui_->spinner)}) {
        QSizePolicy policy = w->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        w->setSizePolicy(policy);
    }

    connect(ui_->prefix, &QCheckBox::clicked, this, &VelmoraAppDelegate::prefixChange);
    connect(ui_->actionPreferences, &QAction::triggered, this, &VelmoraAppDelegate::openPreferences);
    connect(ui_->actionWriteMail, &QAction::triggered, this, &VelmoraAppDelegate::writeMail);
    connect(ui_->actionOpenWebSite, &QAction::triggered, this, &VelmoraAppDelegate::openWebSite);
    connect(ui_->actionOpen, &QAction::triggered, this, &VelmoraAppDelegate::openDocuments);
    connect(ui_->actionQuit, &QAction::triggered, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    connect(preferencesUi_->okButton, &QPushButton::clicked, this, &VelmoraAppDelegate::ok);
    connect(&application_, &Application::activationRequested, this, &VelmoraAppDelegate::bringToFront);
    connect(ui_->dropView, &DragAndDropView::historyRequested, history_,
            [this](const QString& id) { history_->showBatch(id.toStdString()); });
    addHistoryMenus();
    application_.setDelegate(this);
}

void VelmoraAppDelegate::addHistoryMenus()
{
    QMenuBar* bar = window_->menuBar();
    // An Edit menu of the layout gets the undo as its first entry.
    auto* edit = window_->findChild<QMenu*>(QStringLiteral("menuEdit"));
    if (!edit) {
        edit = new QMenu(tr("Edit"), bar);
        edit->setObjectName(QStringLiteral("menuEdit"));
        bar->insertMenu(ui_->menuHelp->menuAction(), edit);
    }
    auto* undo = new QAction(tr("Undo Last Batch"), window_.get());
    undo->setObjectName(QStringLiteral("actionUndoLastBatch"));
    undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    edit->insertAction(edit->actions().value(0), undo);
    connect(undo, &QAction::triggered, history_, &HistoryWindow::undoLastBatch);

    auto* windowMenu = new QMenu(tr("Window"), bar);
    windowMenu->setObjectName(QStringLiteral("menuWindow"));
    bar->insertMenu(ui_->menuHelp->menuAction(), windowMenu);
    auto* history = windowMenu->addAction(tr("History"));
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

void VelmoraAppDelegate::openPreferences()
{
    if (settings::contains(settings::changeExifInPhoto))
        preferencesUi_->exifInPhotos->setChecked(settings::read(settings::changeExifInPhoto));
    else
        preferencesUi_->exifInPhotos->setCheckState(Qt::Unchecked);
    preferences_->show();
    preferences_->raise();
    preferences_->activateWindow();
}

void VelmoraAppDelegate::ok()
{
    settings::write(settings::changeExifInPhoto, preferencesUi_->exifInPhotos->checkState());
    preferences_->close();
}

void VelmoraAppDelegate::writeMail()
{
    QDesktopServices::openUrl(QUrl(QStringLiteral("mailto:" VELMORA_SUPPORT_EMAIL)));
}

void VelmoraAppDelegate::openWebSite()
{
    QDesktopServices::openUrl(QUrl(QString::fromStdString(MessageTable::text("#15"))));
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

void VelmoraAppDelegate::openDocuments()
{
    // Not exec(): a nested event loop could start batches inside this call.
    auto* dialog = new OpenDialog(window_.get());
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
    settings::write(settings::suffix, ui_->suffix->checkState());
    settings::write(settings::prefix, ui_->prefix->checkState());
    settings::write(settings::rename, ui_->rename->checkState());
    settings::write(settings::textToPrefix, ui_->text_to_prefix->text());
    settings::write(settings::fixTime, ui_->fixTime->checkState());
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
QCheckBox* VelmoraAppDelegate::fixTime() const { return ui_->fixTime; }
RadioMatrix* VelmoraAppDelegate::dateSwitch() const { return ui_->dateSwitch; }
// clang-format on

} // namespace velmora
