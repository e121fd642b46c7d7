// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "gui/ApplicationDelegate.h"

#include <QObject>

#include <memory>

class QCheckBox;
class QComboBox;
class QDialog;
class QLabel;
class QLineEdit;
class QMainWindow;
class QProgressBar;

namespace Ui {
class MainWindow;
class Preferences;
} // namespace Ui

namespace velmora {

class Application;
class DragAndDropView;
class HistoryWindow;
class RadioMatrix;

// Brings the application up: restores the main window's options from the
// settings store, makes the drop zone the application's delegate and hands it
// the controls. Serves the prefix checkbox, the preferences window and the two
// outward links for as long as the application runs.
class VelmoraAppDelegate : public QObject, public ApplicationDelegate {
    Q_OBJECT
public:
    explicit VelmoraAppDelegate(Application& application, QObject* parent = nullptr);
    ~VelmoraAppDelegate() override;

    void applicationDidFinishLaunching();
    void initWindow();

    // Actions.
    void prefixChange();
    // The user chose a date row: stored at once, so the next start restores it.
    void dateSwitchChange();
    void openPreferences();
    void ok();
    void writeMail();
    void openWebSite();
    // The File > Open... menu: a dialog for files and folders (or for one folder,
    // where the desktop's own dialog cannot pick both); its choice goes the open-files route.
    void openDocuments(bool folder = false);
    void about();
    // Shows the main window in front: at set-up, and when a later start of Velmora asks.
    void bringToFront();

    void applicationWillTerminate() override;
    bool applicationShouldTerminateAfterLastWindowClosed() override { return true; }

    QMainWindow* window() const;
    QProgressBar* spinner() const;
    DragAndDropView* dropView() const;
    QLabel* status() const;
    QCheckBox* suffix() const;
    QCheckBox* prefix() const;
    QCheckBox* rename() const;
    QComboBox* timezones() const;
    QLineEdit* text_to_prefix() const;
    QDialog* preferences() const;
    QCheckBox* exifInPhotos() const;
    QCheckBox* keepSetsTogether() const;
    QCheckBox* fixTime() const;
    RadioMatrix* dateSwitch() const;
    HistoryWindow* history() const { return history_; }

private:
    // The drop zone's example name, as the options would make it.
    void showExampleName();
    // Edit > Undo Last Batch and Window > History.
    void addHistoryMenus();

    Application& application_;
    std::unique_ptr<QMainWindow> window_;
    std::unique_ptr<Ui::MainWindow> ui_;
    std::unique_ptr<QDialog> preferences_;
    std::unique_ptr<Ui::Preferences> preferencesUi_;
    HistoryWindow* history_; // owned by the main window
};

} // namespace velmora
