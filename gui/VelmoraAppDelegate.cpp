// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/VelmoraAppDelegate.h"

#include "gui/Application.h"
#include "gui/BatchController.h"
#include "gui/ClockDialog.h"
#include "gui/DragAndDropView.h"
#include "gui/HistoryWindow.h"
#include "gui/MainMenus.h"
#include "gui/PreferencesDialog.h"
#include "gui/RadioColumn.h"
#include "gui/SavedOptions.h"
#include "engine/DateText.h"
#include "settings/Settings.h"
#include "ui_MainWindow.h"

#include <QApplication>
#include <QIcon>
#include <QMainWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QShortcut>
#include <QToolTip>

#include <climits>

namespace velmora {

VelmoraAppDelegate::VelmoraAppDelegate(Application& application, QObject* parent)
    : QObject(parent), application_(application), window_(std::make_unique<QMainWindow>()),
      ui_(std::make_unique<Ui::MainWindow>()), preferences_(new PreferencesDialog(window_.get()))
{
    ui_->setupUi(window_.get());
    batches_ = std::make_unique<BatchController>(ui_->dropView);
    // The status line and the indicator come and go with batches; the window keeps still.
    for (QWidget* w : {static_cast<QWidget*>(ui_->status), static_cast<QWidget*>(ui_->spinner),
                       static_cast<QWidget*>(ui_->stopButton)}) {
        QSizePolicy policy = w->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        w->setSizePolicy(policy);
    }

    connect(ui_->prefix, &QCheckBox::clicked, this, &VelmoraAppDelegate::storePrefix);
    for (QRadioButton* row : ui_->dateSwitch->rows())
        connect(row, &QRadioButton::clicked, this, &VelmoraAppDelegate::storeDateRow);
    // A click on the drop zone is the way in for those who do not drag.
    connect(ui_->dropView, &DragAndDropView::clicked, ui_->actionOpen, &QAction::trigger);
    new MainMenus(window_.get(), *ui_, application_, preferences_, [this] { return history(); });
    // Stop: the button beside the progress, or Escape in the main window.
    BatchController* batches = batches_.get();
    connect(ui_->stopButton, &QPushButton::clicked, batches, &BatchController::stopAfterPhotoInHand);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), window_.get());
    connect(escape, &QShortcut::activated, batches, &BatchController::stopAfterPhotoInHand);
    connect(batches, &BatchController::batchStarted, ui_->stopButton, &QWidget::show);
    connect(batches, &BatchController::batchFinished, this,
            [this, batches] { ui_->stopButton->setVisible(batches->runningBatches() > 0); });
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
    connect(ui_->textToPrefix, &QLineEdit::textChanged, this, &VelmoraAppDelegate::showExampleName);
    // A "/" in the prefix would send every photo to a folder that is not there.
    QLineEdit* prefixField = ui_->textToPrefix;
    prefixField->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[^/\\x00-\\x1f\\x7f]*")), prefixField));
    prefixField->setToolTip(tr("Text put before the date. It cannot hold “/” or control characters."));
    connect(prefixField, &QLineEdit::inputRejected, this, [prefixField] {
        QToolTip::showText(prefixField->mapToGlobal(QPoint(0, prefixField->height())),
                           tr("A prefix cannot hold “/” or control characters."), prefixField);
    });
    connect(ui_->timezones, &QComboBox::currentIndexChanged, this, &VelmoraAppDelegate::showExampleName);
    ui_->timezones->setEnabled(ui_->fixTime->checkState() != Qt::Unchecked);
    showExampleName();
    // The status line's link after a batch opens the history at that batch.
    connect(ui_->status, &QLabel::linkActivated, this,
            [this](const QString& id) { history()->showBatch(id.toStdString()); });
    // A clock correction stays in sight, a click away from where it is changed.
    connect(preferences_, &PreferencesDialog::stored, this, &VelmoraAppDelegate::showClockCorrection);
    connect(ui_->clockCorrection, &QLabel::linkActivated, preferences_, &PreferencesDialog::showStored);
    preferences_->setCurrentOptions([this] {
        OptionSnapshot options;
        options.dateSwitchRow = ui_->dateSwitch->selectedRow();
        options.fixTime = ui_->fixTime->checkState() != Qt::Unchecked;
        options.hours = hoursFromTitle(ui_->timezones->currentText().toStdString());
        return options;
    });
    application_.setDelegate(this);
}

VelmoraAppDelegate::~VelmoraAppDelegate()
{
    if (application_.delegate() == this || application_.delegate() == batches_.get())
        application_.setDelegate(nullptr);
}

HistoryWindow* VelmoraAppDelegate::history()
{
    if (!history_)
        history_ = new HistoryWindow(window_.get());
    return history_;
}

void VelmoraAppDelegate::start()
{
    preferences_->restoreAtLaunch();
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
        ui_->textToPrefix->setText(*text);
    ui_->fixTime->setChecked(settings::read(settings::fixTime));
    ui_->textToPrefix->setEnabled(ui_->prefix->checkState() == Qt::Checked);
    // A stored 0, like an absent key, selects row 1; a row outside the column changes nothing.
    if (const long long row = settings::read(settings::selectedDateOptionCell); row >= 0 && row <= INT_MAX)
        ui_->dateSwitch->selectRow(row != 0 ? static_cast<int>(row) : 1);

    application_.setDelegate(batches_.get());
    batches_->setControls({{ui_->suffix, ui_->prefix, ui_->rename, ui_->timezones, ui_->textToPrefix, ui_->fixTime},
                           ui_->dateSwitch,
                           ui_->spinner,
                           ui_->status});
    ui_->dropView->setController(batches_.get());
    ui_->dropView->setWindow(window_.get());
    showClockCorrection();
}

void VelmoraAppDelegate::storePrefix()
{
    settings::write(settings::textToPrefix, ui_->textToPrefix->text());
    ui_->textToPrefix->setEnabled(ui_->prefix->checkState() == Qt::Checked);
    settings::write(settings::prefix, ui_->prefix->checkState());
}

void VelmoraAppDelegate::storeDateRow()
{
    settings::write(settings::selectedDateOptionCell, ui_->dateSwitch->selectedRow());
}

void VelmoraAppDelegate::showExampleName()
{
    // What a drop would make of a photo IMG_0001.JPG taken at 2010-07-14 18:05:09.
    std::optional<std::string> date = "2010:07:14 18:05:09";
    const bool fixTime = ui_->fixTime->checkState() != Qt::Unchecked;
    date = shiftCaptureDate(*date, fixTime ? hoursFromTitle(ui_->timezones->currentText().toStdString()) : 0,
                            settings::read(settings::clockOffsetSeconds));
    QString name = QString::fromStdString(dateStem(date.value_or("2010:07:14 18:05:09")));
    ui_->suffix->setText(tr("Keep the &old name after the date (%1)").arg(name + QStringLiteral("__IMG_0001.JPG")));
    if (ui_->prefix->checkState() == Qt::Checked)
        name.prepend(ui_->textToPrefix->text());
    if (ui_->suffix->checkState() == Qt::Checked)
        name += QStringLiteral("__IMG_0001");
    ui_->dropDetail->setText(
        tr("Each photo gets the moment it was taken as its name, for example %1, in its own folder.")
            .arg(name + QStringLiteral(".JPG")));
}

void VelmoraAppDelegate::showClockCorrection()
{
    const long long seconds = settings::read(settings::clockOffsetSeconds);
    ui_->clockCorrection->setText(QStringLiteral("<a href=\"preferences\">%1</a>")
                                      .arg(tr("Camera clock: %1").arg(ClockDialog::describe(seconds)).toHtmlEscaped()));
    ui_->clockCorrection->setVisible(seconds != 0);
    showExampleName();
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

void VelmoraAppDelegate::aboutToQuit()
{
    // Before window set-up: the batch controller is not the delegate yet, and the pop-up's index is not saved.
    saveOptions({ui_->suffix, ui_->prefix, ui_->rename, nullptr, ui_->textToPrefix, ui_->fixTime});
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
QLineEdit* VelmoraAppDelegate::textToPrefix() const { return ui_->textToPrefix; }
QCheckBox* VelmoraAppDelegate::fixTime() const { return ui_->fixTime; }
RadioColumn* VelmoraAppDelegate::dateSwitch() const { return ui_->dateSwitch; }
// clang-format on

} // namespace velmora
