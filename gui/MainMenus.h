// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <functional>

class QMainWindow;

namespace Ui {
class MainWindow;
} // namespace Ui

namespace velmora {

class Application;
class HistoryWindow;
class PreferencesDialog;
class SupportLinks;

// The main window's menus and what each item does: File (Open..., Open
// Folder..., Quit), Edit (Undo Last Batch, Preferences...), Window (History)
// and Help (support, web site, About).
class MainMenus : public QObject {
    Q_OBJECT
public:
    MainMenus(QMainWindow* window, Ui::MainWindow& ui, Application& application, PreferencesDialog* preferences,
              std::function<HistoryWindow*()> history);

    // File > Open...: a dialog for files and folders (or for one folder, where the
    // desktop's own dialog cannot pick both); its choice goes the open-files route.
    void chooseAndOpen(bool folder = false);
    void about();

private:
    // Edit > Undo Last Batch and Window > History.
    void addHistoryMenus(Ui::MainWindow& ui, const std::function<HistoryWindow*()>& history);

    QMainWindow* window_;
    Application& application_;
    SupportLinks* support_; // a child of the window
};

} // namespace velmora
