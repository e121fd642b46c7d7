// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "gui/BatchPhotoModel.h"
#include "history/HistoryWriter.h"

#include <QWidget>

#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace Ui {
class HistoryWindow;
}

namespace velmora {

// Window > History: the batches kept, newest first, and the photos of the
// chosen one; Escape or Ctrl+W closes it. The photos are read off the GUI thread; an undo runs on a
// worker thread of its own with its progress shown here.
class HistoryWindow : public QWidget {
    Q_OBJECT
public:
    explicit HistoryWindow(QWidget* parent = nullptr);
    ~HistoryWindow() override;

    // Reads the list of batches again and shows the batch `id` (the newest when empty).
    void showBatch(const std::string& id = {});
    // The batch chosen in the list; empty when none.
    std::string currentBatch() const;
    // Undo This Batch: asks first, then takes the chosen batch back.
    void undoCurrentBatch();
    // Edit > Undo Last Batch: asks first, then takes the newest batch not yet undone back.
    void undoLastBatch();
    bool undoRunning() const { return undoThread_.joinable() && !undoDone_; }

    BatchPhotoModel& model() { return model_; }

signals:
    // The chosen batch's photos are shown.
    void batchLoaded();
    // An undo has ended.
    void undoFinished();

private:
    void reloadBatches(const std::string& select);
    // Sizes and places the window to fit the screen it opens on.
    void fitScreen();
    void loadPhotos();
    void openFolder();
    void updateButtons();
    // By value: the list of batches is read again while the question is open.
    void askAndUndo(BatchSummary batch);
    void startUndo(const std::string& id);

    std::unique_ptr<Ui::HistoryWindow> ui_;
    BatchPhotoModel model_;
    std::vector<BatchSummary> batches_;
    std::jthread loader_;
    unsigned loadGeneration_ = 0;
    std::jthread undoThread_;
    bool undoDone_ = true;
};

} // namespace velmora
