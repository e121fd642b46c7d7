// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "gui/ApplicationDelegate.h"

#include <QObject>

#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMainWindow;
class QProgressBar;

namespace Ui {
class MainWindow;
} // namespace Ui

namespace velmora {

class Application;
class BatchController;
class DragAndDropView;
class HistoryWindow;
class MainMenus;
class PreferencesDialog;
class RadioColumn;

// Brings the application up: restores the main window's options from the
// settings store, makes the batch controller the application's delegate and
// hands it the controls. Stores the prefix checkbox and the date row when they
// are clicked, and keeps the example name in step with the options.
class VelmoraAppDelegate : public QObject, public ApplicationDelegate {
    Q_OBJECT
public:
    explicit VelmoraAppDelegate(Application& application, QObject* parent = nullptr);
    ~VelmoraAppDelegate() override;

    // Launch: the stored preferences, then the window.
    void start();
    void initWindow();

    // The user clicked the prefix checkbox: it and the prefix text are stored at once.
    void storePrefix();
    // The user chose a date row: stored at once, so the next start restores it.
    void storeDateRow();
    // Shows the main window in front: at set-up, and when a later start of Velmora asks.
    void bringToFront();

    void aboutToQuit() override;
    bool quitOnLastWindowClosed() override { return true; }

    QMainWindow* window() const;
    QProgressBar* spinner() const;
    DragAndDropView* dropView() const;
    BatchController* batches() const { return batches_.get(); }
    QLabel* status() const;
    QCheckBox* suffix() const;
    QCheckBox* prefix() const;
    QCheckBox* rename() const;
    QComboBox* timezones() const;
    QLineEdit* textToPrefix() const;
    PreferencesDialog* preferences() const { return preferences_; }
    QCheckBox* fixTime() const;
    RadioColumn* dateSwitch() const;
    // Made on first use: a batch started with Velmora does not wait for it.
    HistoryWindow* history();

private:
    // The drop zone's example name, as the options would make it.
    void showExampleName();
    // The camera clock's correction beside the shift, while there is one.
    void showClockCorrection();

    Application& application_;
    std::unique_ptr<QMainWindow> window_;
    std::unique_ptr<Ui::MainWindow> ui_;
    PreferencesDialog* preferences_; // owned by the main window
    HistoryWindow* history_ = nullptr; // owned by the main window
    // After the window: its workers are joined before the window's controls go.
    std::unique_ptr<BatchController> batches_;
};

} // namespace velmora
