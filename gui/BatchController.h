// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "gui/ApplicationDelegate.h"
#include "gui/BatchRunner.h"
#include "gui/GuiHandOver.h"
#include "gui/SavedOptions.h"
#include "engine/BatchPreview.h"
#include "engine/LiveOptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QObject>
#include <QPointer>
#include <QProgressBar>

#include <atomic>
#include <filesystem>
#include <memory>
#include <stop_token>
#include <vector>

namespace velmora {

class PreviewDialog;
class RadioColumn;

// The main window's controls that a batch reads its options from, saves and
// shows itself in. Handed over once by window set-up, not owned.
struct BatchControls {
    OptionControls saved; // timezones included: the pop-up's index is saved at quit
    RadioColumn* dateSwitch = nullptr;
    QProgressBar* spinner = nullptr;
    QLabel* status = nullptr;
};

// Assembles and starts each batch, from a drop or from the open-files route
// (it is the application's delegate once the window is set up): clears the
// one-alert latch, saves the options, shows "Working...", and runs the engine
// on a worker of its own, with the options the window's controls hold at the time.
class BatchController : public QObject, public ApplicationDelegate {
    Q_OBJECT
public:
    // Alerts are shown over `alertParent`'s window.
    explicit BatchController(QWidget* alertParent, QObject* parent = nullptr);
    ~BatchController() override;

    // Keeps the options the workers read in step with the controls from now on.
    void setControls(const BatchControls& controls);
    QProgressBar* spinner() const { return spinner_; }
    QLabel* status() const { return status_; }

    // The first steps of every batch start, taken even when the drop is refused:
    // clears the alert latch and saves the options.
    void prepareBatch();
    // Shows the batch working and starts its worker; with `plan`, the batch
    // does what that preview showed.
    void startBatch(std::vector<std::filesystem::path> batchList, std::shared_ptr<const PreviewPlan> plan = nullptr);
    // A batch the user asked for: first its preview when `preview` or the
    // preference says so, else at once.
    void requestBatch(std::vector<std::filesystem::path> batchList, bool preview = false);

    // The application-level events, once window set-up has made this the delegate.
    void aboutToQuit() override;
    bool quitOnLastWindowClosed() override { return true; }
    bool handlesOpenFiles() const override { return true; }
    void openFiles(const std::vector<std::filesystem::path>& paths, bool preview = false) override;

    // GUI thread, from a batch's worker: its progress (0 to 100), and its
    // summary when it ends. `serial` is the batch's, from its start.
    void showProgress(int serial, int value);
    void showSummary(int serial, const QString& summary);

    // Quit: every running batch stops after the photo in hand; returns once all have ended.
    void stopBatches() { runner_.stopAll(); }
    // The user's Stop: every running batch ends after the photo in hand. Returns at once.
    void stopAfterPhotoInHand() { runner_.stopAfterPhotoInHand(); }
    int runningBatches() { return runner_.running(); }

signals:
    void batchStarted();
    // An option the batches read has changed in the window.
    void optionsChanged();
    // A batch's worker has ended (GUI thread).
    void batchFinished();

private:
    // The worker's body.
    void processFiles(const std::vector<std::filesystem::path>& batchList, int serial, std::stop_token stop,
                      const std::shared_ptr<const PreviewPlan>& plan);
    // A batch's worker has ended, with or without its summary.
    void batchEnded(int serial);
    // Shows the lines and one bar for all batches since the status was last empty.
    void showBatches();

    // The options a batch start saves: all but the pop-up's index.
    OptionControls savedAtStart() const;

    QPointer<QCheckBox> suffix_;
    QPointer<QCheckBox> prefix_;
    QPointer<QCheckBox> rename_;
    QPointer<QComboBox> timezones_;
    QPointer<QLineEdit> textToPrefix_;
    QPointer<QCheckBox> fixTime_;
    QPointer<QProgressBar> spinner_;
    QPointer<QLabel> status_;
    // One status line per batch: "Working..." while it runs, then its summary.
    // Kept until a batch starts when none is running.
    struct BatchLine {
        int serial;
        int progress;
        QString text; // rich text
        bool running;
    };
    std::vector<BatchLine> lines_;
    int nextSerial_ = 0;
    std::atomic<bool> alertLatch_{false};
    LiveOptions options_;

    GuiHandOver handOver_;
    BatchRunner runner_{handOver_}; // last: its workers use the members above until joined
};

} // namespace velmora
