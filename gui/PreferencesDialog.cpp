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
    ui_->renameVideos->setChecked(settings::read(settings::renameVideos));
    ui_->previewBeforeRenaming->setChecked(settings::read(settings::previewBeforeRenaming));
}

void PreferencesDialog::showStored()
{
    if (settings::contains(settings::changeExifInPhoto))
        ui_->exifInPhotos->setChecked(settings::read(settings::changeExifInPhoto));
    else
        ui_->exifInPhotos->setCheckState(Qt::Unchecked);
    ui_->keepSetsTogether->setChecked(settings::read(settings::keepSetsTogether));
    ui_->renameVideos->setChecked(settings::read(settings::renameVideos));
    ui_->previewBeforeRenaming->setChecked(settings::read(settings::previewBeforeRenaming));
    show();
    raise();
    activateWindow();
}

void PreferencesDialog::storeAndClose()
{
    settings::write(settings::changeExifInPhoto, ui_->exifInPhotos->checkState());
    settings::write(settings::keepSetsTogether, ui_->keepSetsTogether->checkState());
    settings::write(settings::renameVideos, ui_->renameVideos->checkState());
    settings::write(settings::previewBeforeRenaming, ui_->previewBeforeRenaming->checkState());
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

QCheckBox* PreferencesDialog::renameVideos() const
{
    return ui_->renameVideos;
}

QCheckBox* PreferencesDialog::previewBeforeRenaming() const
{
    return ui_->previewBeforeRenaming;
}

} // namespace velmora
