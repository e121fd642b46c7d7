// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/PreferencesDialog.h"

#include "engine/DateReader.h"
#include "engine/DateText.h"
#include "gui/ClockDialog.h"
#include "settings/Settings.h"
#include "ui_Preferences.h"

#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

namespace velmora {
namespace {

constexpr long long kDay = 86400;
constexpr long long kMaxDays = 99999; // the days field's range: a clock reset to its first year, and more

} // namespace

PreferencesDialog::PreferencesDialog(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::Preferences>())
{
    ui_->setupUi(this);
    connect(ui_->okButton, &QPushButton::clicked, this, &PreferencesDialog::storeAndClose);
    connect(ui_->clockFromPhoto, &QPushButton::clicked, this, [this] {
        const QString photo = QFileDialog::getOpenFileName(this, tr("Choose a Photo Taken by the Camera"));
        if (!photo.isEmpty())
            setClockFromPhoto(photo);
    });
}

PreferencesDialog::~PreferencesDialog() = default;

void PreferencesDialog::restoreAtLaunch()
{
    if (settings::contains(settings::changeExifInPhoto)) {
        ui_->exifInPhotos->setChecked(settings::read(settings::changeExifInPhoto));
    } else {
        ui_->exifInPhotos->setCheckState(Qt::Unchecked);
        settings::write(settings::changeExifInPhoto, ui_->exifInPhotos->checkState());
    }
    ui_->keepSetsTogether->setChecked(settings::read(settings::keepSetsTogether));
    showStoredChoices();
}

void PreferencesDialog::showStored()
{
    if (settings::contains(settings::changeExifInPhoto))
        ui_->exifInPhotos->setChecked(settings::read(settings::changeExifInPhoto));
    else
        ui_->exifInPhotos->setCheckState(Qt::Unchecked);
    ui_->keepSetsTogether->setChecked(settings::read(settings::keepSetsTogether));
    showStoredChoices();
    show();
    raise();
    activateWindow();
}

void PreferencesDialog::showStoredChoices()
{
    ui_->renameVideos->setChecked(settings::read(settings::renameVideos));
    ui_->shiftAllDates->setChecked(settings::read(settings::shiftAllDates));
    ui_->previewBeforeRenaming->setChecked(settings::read(settings::previewBeforeRenaming));
    ui_->useOtherDate->setChecked(settings::read(settings::useOtherDateWhenMissing));
    showClockCorrection(settings::read(settings::clockOffsetSeconds));
}

void PreferencesDialog::storeAndClose()
{
    settings::write(settings::changeExifInPhoto, ui_->exifInPhotos->checkState());
    settings::write(settings::keepSetsTogether, ui_->keepSetsTogether->checkState());
    settings::write(settings::renameVideos, ui_->renameVideos->checkState());
    settings::write(settings::shiftAllDates, ui_->shiftAllDates->checkState());
    settings::write(settings::previewBeforeRenaming, ui_->previewBeforeRenaming->checkState());
    settings::write(settings::useOtherDateWhenMissing, ui_->useOtherDate->checkState());
    settings::write(settings::clockOffsetSeconds, clockCorrection());
    close();
    emit stored();
}

void PreferencesDialog::showClockCorrection(long long seconds)
{
    // Beyond the fields' range (a hand-edited file) shows as the most they hold.
    const long long most = kMaxDays * kDay + kDay - 1;
    const long long whole = seconds < -most ? most : seconds < 0 ? -seconds : std::min(seconds, most);
    ui_->clockSign->setCurrentIndex(seconds < 0 ? 1 : 0);
    ui_->clockDays->setValue(static_cast<int>(whole / kDay));
    ui_->clockHours->setValue(static_cast<int>(whole / 3600 % 24));
    ui_->clockMinutes->setValue(static_cast<int>(whole / 60 % 60));
    ui_->clockSeconds->setValue(static_cast<int>(whole % 60));
}

long long PreferencesDialog::clockCorrection() const
{
    const long long whole = ui_->clockDays->value() * kDay + ui_->clockHours->value() * 3600LL +
                            ui_->clockMinutes->value() * 60LL + ui_->clockSeconds->value();
    return ui_->clockSign->currentIndex() == 1 ? -whole : whole;
}

void PreferencesDialog::setClockFromPhoto(const QString& photo)
{
    // The date the photo would be named after, with the choices shown here.
    OptionSnapshot options = currentOptions_ ? currentOptions_() : OptionSnapshot{};
    options.stored.useOtherDate = ui_->useOtherDate->isChecked();
    const CaptureDates dates = readCaptureDates(std::filesystem::path(QFile::encodeName(photo).toStdString()));
    const std::optional<std::string>& date = namingField(dates, options) ? dates.dateTimeDigitized
                                                                         : dates.dateTimeOriginal;
    const QString name = QFileInfo(photo).fileName();
    if (!date || !secondsBetween(*date, *date)) {
        QMessageBox::warning(this, tr("Velmora"), tr("“%1” has no capture date to set the clock from.").arg(name));
        return;
    }
    auto* dialog = new ClockDialog(name, *date, options.shiftHours(), clockCorrection(), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog] { showClockCorrection(dialog->correction()); });
    dialog->open();
}

QCheckBox* PreferencesDialog::exifInPhotos() const
{
    return ui_->exifInPhotos;
}

QCheckBox* PreferencesDialog::keepSetsTogether() const
{
    return ui_->keepSetsTogether;
}

QCheckBox* PreferencesDialog::renameVideos() const
{
    return ui_->renameVideos;
}

QCheckBox* PreferencesDialog::previewBeforeRenaming() const
{
    return ui_->previewBeforeRenaming;
}

} // namespace velmora
