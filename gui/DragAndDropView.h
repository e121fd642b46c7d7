// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "gui/ApplicationDelegate.h"
#include "gui/BatchRunner.h"
#include "gui/GuiHandOver.h"
#include "gui/RadioMatrix.h"
#include "gui/SavedOptions.h"
#include "engine/LiveOptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QWidget>

#include <atomic>
#include <filesystem>
#include <stop_token>
#include <vector>

class QMimeData;

namespace velmora {

// The drop zone: takes dropped and opened files as batches and holds the
// window's control set. Once window set-up has made it the application's
// delegate it also answers open-files requests and the quit notice.
class DragAndDropView : public QWidget, public ApplicationDelegate {
    Q_OBJECT
public:
    explicit DragAndDropView(QWidget* parent = nullptr);
    ~DragAndDropView() override;

    // The control set: handed over once by window set-up, not owned. Each
    // setter also keeps the mirror that the workers read in step with its control.
    RadioMatrix* dateSwitch() const { return dateSwitch_; }
    void setDateSwitch(RadioMatrix* control);
    QCheckBox* fixTime() const { return fixTime_; }
    void setFixTime(QCheckBox* control);
    QComboBox* timezones() const { return timezones_; }
    void setTimezones(QComboBox* control);
    bool run_dialog() const { return runDialog_; }
    QWidget* mainWindow() const { return window_; }
    // The whole window takes drops: a drag of files over any of its controls is the drop zone's.
    void setWindow(QWidget* window);
    QCheckBox* rename() const { return rename_; }
    void setRename(QCheckBox* control);
    QCheckBox* prefix() const { return prefix_; }
    void setPrefix(QCheckBox* control);
    QCheckBox* suffix() const { return suffix_; }
    void setSuffix(QCheckBox* control);
    QLineEdit* text_to_prefix() const { return textToPrefix_; }
    void setText_to_prefix(QLineEdit* control);
    QProgressBar* spinner() const { return spinner_; }
    void setSpinner(QProgressBar* control) { spinner_ = control; }
    QLabel* status() const { return status_; }
    // Its link after a batch asks for the history at that batch.
    void setStatus(QLabel* control);

    // Lit while a drag that would be accepted is over the window.
    bool isLit() const { return lit_; }

    // Application-level events, once this view is the application's delegate.
    void applicationWillTerminate() override;
    bool applicationShouldTerminateAfterLastWindowClosed() override { return true; }
    bool handlesOpenFiles() const override { return true; }
    void applicationOpenFiles(const std::vector<std::filesystem::path>& paths) override;

    // GUI thread: schedules the status timer; its firing hides the status line.
    void setUpTimer();
    void timerFireMethod();

    // Quit: every running batch stops after the photo in hand; returns once all have ended.
    void stopBatches() { runner_.stopAll(); }
    // The user's Stop: every running batch ends after the photo in hand. Returns at once.
    void stopAfterPhotoInHand() { runner_.stopAfterPhotoInHand(); }
    int runningBatches() { return runner_.running(); }

signals:
    void batchStarted();
    // A batch's worker has ended (GUI thread).
    void batchFinished();
    // The status line's link to the batch's history was followed.
    void historyRequested(const QString& batchId);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setLit(bool lit);
    // Keeps the mirror of a checkbox in step with it from now on.
    void mirrorCheckBox(QPointer<QCheckBox>& field, QCheckBox* control, void (LiveOptions::*setState)(int));
    OptionControls optionControls() const;
    // Clears the alert latch and saves the options: the first steps of every batch start, taken or refused.
    void resetLatchAndSaveOptions();
    void showWorkingAndStartWorker(std::vector<std::filesystem::path> batchList);
    // The worker's body.
    void processFiles(const std::vector<std::filesystem::path>& batchList, std::stop_token stop);

    QPointer<QWidget> window_;
    QPointer<QLabel> status_;
    QPointer<QCheckBox> suffix_;
    QPointer<QCheckBox> prefix_;
    QPointer<QCheckBox> rename_;
    QPointer<QComboBox> timezones_;
    QPointer<QProgressBar> spinner_;
    QPointer<QLineEdit> textToPrefix_;
    QPointer<QCheckBox> fixTime_;
    QPointer<RadioMatrix> dateSwitch_;
    std::atomic<bool> runDialog_{false};
    bool lit_ = false;
    LiveOptions mirror_;

    GuiHandOver handOver_{this};
    BatchRunner runner_{handOver_}; // last: its workers use the members above until joined
};

// The local paths that a drag carries, byte-exact and in order.
std::vector<std::filesystem::path> localPaths(const QMimeData* mimeData);

} // namespace velmora
