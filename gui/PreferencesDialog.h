// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/LiveOptions.h"

#include <QDialog>

#include <functional>
#include <memory>

class QCheckBox;

namespace Ui {
class Preferences;
} // namespace Ui

namespace velmora {

// The Preferences window: shows the stored choices each time it opens and
// stores what it shows only on OK.
class PreferencesDialog : public QDialog {
    Q_OBJECT
public:
    explicit PreferencesDialog(QWidget* parent = nullptr);
    ~PreferencesDialog() override;

    // At launch: shows the stored choices; the first launch stores the EXIF choice, off.
    void restoreAtLaunch();
    // Edit > Preferences...: reads the store again and shows the window in front.
    void showStored();
    // OK: stores every choice and closes.
    void storeAndClose();
    // The main window's options, for the date a photo is named after and the hour shift.
    void setCurrentOptions(std::function<OptionSnapshot()> options) { currentOptions_ = std::move(options); }
    // "Set from a photo": asks for the time `photo` was really taken; OK shows the correction.
    void setClockFromPhoto(const QString& photo);

    QCheckBox* exifInPhotos() const;
    QCheckBox* keepSetsTogether() const;
    QCheckBox* renameVideos() const;
    QCheckBox* previewBeforeRenaming() const;
    // The correction shown, in seconds.
    long long clockCorrection() const;

signals:
    // The choices were stored (OK).
    void stored();

private:
    void showClockCorrection(long long seconds);
    void showStoredChoices();

    std::unique_ptr<Ui::Preferences> ui_;
    std::function<OptionSnapshot()> currentOptions_;
};

} // namespace velmora
