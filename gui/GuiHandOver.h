// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace velmora {

struct AlertRequest;

// Hands work from a batch's worker thread to the GUI thread and lets the worker
// wait for it: an alert until it is dismissed, the status timer until it is set.
// At quit every waiting worker is released and no new wait begins, so that the
// workers can be joined.
class GuiHandOver {
public:
    // Alerts are shown over `view`'s window.
    explicit GuiHandOver(QWidget* view) : view_(view) {}

    // Worker thread: runs `work` on the GUI thread and returns once it calls the
    // `done` it is given, or once the wait is released.
    void runAndWait(std::function<void(std::function<void()> done)> work);
    // Worker thread: shows the alert, returns once it is dismissed. True when
    // the user asked for no further alerts of this batch.
    bool showAlert(const AlertRequest& request);
    // GUI thread: with true, releases every waiting worker and refuses new waits until called with false.
    void refuseWaits(bool refuse);

private:
    struct Waiter;
    bool refusing();

    QWidget* view_;
    std::mutex mutex_;
    bool refusing_ = false; // guarded by mutex_
    std::vector<std::shared_ptr<Waiter>> waiters_;
};

} // namespace velmora
