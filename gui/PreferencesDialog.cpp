// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/PreferencesDialog.h"

#include "settings/Settings.h"
#include "ui_Preferences.h"

#include <QCheckBox>
#include <QPushButton>

namespace velmora {

PreferencesDialog::PreferencesDialog(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::Preferences>())
{
    ui_->setupUi(this);
    connect(ui_->okButton, &QPushButton::clicked, this, &PreferencesDialog::storeAndClose);
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
    ui_->useOtherDate->setChecked(settings::read(settings::useOtherDateWhenMissing));
}

void PreferencesDialog::showStored()
{
    if (settings::contains(settings::changeExifInPhoto))
        ui_->exifInPhotos->setChecked(settings::read(settings::changeExifInPhoto));
    else
        ui_->exifInPhotos->setCheckState(Qt::Unchecked);
    ui_->keepSetsTogether->setChecked(settings::read(settings::keepSetsTogether));
    ui_->useOtherDate->setChecked(settings::read(settings::useOtherDateWhenMissing));
    show();
    raise();
    activateWindow();
}

void PreferencesDialog::storeAndClose()
{
    settings::write(settings::changeExifInPhoto, ui_->exifInPhotos->checkState());
    settings::write(settings::keepSetsTogether, ui_->keepSetsTogether->checkState());
    settings::write(settings::useOtherDateWhenMissing, ui_->useOtherDate->checkState());
    close();
}

QCheckBox* PreferencesDialog::exifInPhotos() const
{
    return ui_->exifInPhotos;
}

QCheckBox* PreferencesDialog::keepSetsTogether() const
{
    return ui_->keepSetsTogether;
}

} // namespace velmora
