// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/ApplicationDelegate.h"
#include "engine/ControlMirror.h"
#include "engine/PhotoEngine.h"
#include "platform/FileManager.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QWidget>

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>
#include <vector>

class QMimeData;

#include "dropzone/RadioMatrix.h"

namespace velmora {

// The drop zone: takes dropped and opened files, runs one worker thread per
// batch over them, and shows what the workers report. Once window set-up has
// made it the application's delegate it also answers open-files requests and
// the quit notice.
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
    void setRun_dialog(bool value) { runDialog_ = value; }
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

    const ControlMirror& controls() const { return mirror_; }
    // Lit while a drag that would be accepted is over the window.
    bool isLit() const { return lit_; }

    // Application-level events, once this view is the application's delegate.
    void applicationWillTerminate() override;
    bool applicationShouldTerminateAfterLastWindowClosed() override { return true; }
    bool handlesOpenFiles() const override { return true; }
    void applicationOpenFiles(const std::vector<std::filesystem::path>& paths) override;

    // Called from a worker thread: shows the alert, returns once it is dismissed.
    // True when the user asked for no further alerts of this batch.
    bool showAlert(const AlertRequest& request);
    bool changeExifInPhoto();

    // GUI thread: schedules the status timer; its firing hides the status line.
    void setUpTimer();
    void timerFireMethod();

    // Asks every running batch to stop after the photo in hand, releases any
    // worker that waits on the window, and waits for all of them to end.
    void stopBatches();
    // The user's Stop: every running batch ends after the photo in hand. Returns at once.
    void stopAfterPhotoInHand();
    int runningBatches();

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
    struct Waiter;
    struct Worker {
        std::jthread thread;
        std::shared_ptr<std::atomic<bool>> finished;
    };
    class Sink;
    class BatchHost;

    void setLit(bool lit);
    // Keeps the mirror of a checkbox in step with it from now on.
    void mirrorCheckBox(QPointer<QCheckBox>& field, QCheckBox* control, void (ControlMirror::*setState)(int));
    void batchStartFirstHalf();
    // The options a batch start saves, in their order; the quit notice adds the pop-up's index.
    void saveOptions(bool withTimezones);
    void batchStartSecondHalf(std::vector<std::filesystem::path> batchList);
    void processFiles(const std::vector<std::filesystem::path>& batchList, std::stop_token stop);
    // Runs `work` on the GUI thread and waits until it calls the `done` it is given.
    void runOnGuiThreadAndWait(std::function<void(std::function<void()> done)> work);
    void reapFinishedWorkers();

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
    FileManager manager_;
    ControlMirror mirror_;

    std::vector<Worker> workers_; // GUI thread only
    std::mutex waitersMutex_;
    bool stopping_ = false; // guarded by waitersMutex_
    std::vector<std::shared_ptr<Waiter>> waiters_;
};

// The local paths that a drag carries, byte-exact and in order.
std::vector<std::filesystem::path> localPaths(const QMimeData* mimeData);

} // namespace velmora
