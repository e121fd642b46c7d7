// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/BatchPreview.h"
#include "engine/LiveOptions.h"

#include <QDialog>
#include <QTimer>

#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

class QLabel;
class QPushButton;
class QTableView;

namespace velmora {

class PreviewModel;

// Shows what a batch would do before it does it: the engine's preview of
// every file, computed on a thread of its own and shown as it comes, computed
// anew when an option changes. Rename (Return) hands the rows on as the
// batch's plan; Cancel (Escape) leaves every file as it was.
class PreviewDialog : public QDialog {
    Q_OBJECT
public:
    PreviewDialog(std::vector<std::filesystem::path> batchList, bool keepSetsTogether, const LiveOptions& options,
                  QWidget* parent = nullptr);
    ~PreviewDialog() override;

    // The options may have changed: the preview starts over if they did.
    void optionsChanged();
    bool isComplete() const { return complete_; }
    PreviewModel* model() const { return model_; }
    QPushButton* renameButton() const { return rename_; }

signals:
    void confirmed(std::shared_ptr<const PreviewPlan> plan, const std::vector<std::filesystem::path>& batchList);
    // Every row is in the table.
    void completed();

private:
    void start();
    void stop();
    void receive(int generation, std::vector<PreviewRow>& rows, bool done);
    void showCounts();
    void confirm();

    std::vector<std::filesystem::path> batchList_;
    bool keepSetsTogether_;
    const LiveOptions& options_;
    OptionSnapshot shown_;
    PreviewModel* model_;
    QTableView* table_;
    QLabel* status_;
    QPushButton* rename_;
    QTimer restart_; // a burst of changes (a prefix typed) starts one preview
    int generation_ = 0;
    bool complete_ = false;
    std::jthread worker_; // last: joined before the members above go
};

} // namespace velmora
