// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

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
    // OK: stores the choices and closes.
    void storeAndClose();

    QCheckBox* exifInPhotos() const;
    QCheckBox* keepSetsTogether() const;
    QCheckBox* renameVideos() const;
    QCheckBox* previewBeforeRenaming() const;

private:
    std::unique_ptr<Ui::Preferences> ui_;
};

} // namespace velmora
