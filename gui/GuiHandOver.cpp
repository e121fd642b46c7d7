// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/GuiHandOver.h"

#include "engine/PhotoEngine.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QMessageBox>

#include <condition_variable>

namespace velmora {

struct GuiHandOver::Waiter {
    std::mutex mutex;
    std::condition_variable released;
    bool done = false;

    void release()
    {
        std::lock_guard lock(mutex);
        done = true;
        released.notify_all();
    }
};

bool GuiHandOver::refusing()
{
    std::lock_guard lock(mutex_);
    return refusing_;
}

void GuiHandOver::runAndWait(std::function<void(std::function<void()> done)> work)
{
    auto waiter = std::make_shared<Waiter>();
    {
        std::lock_guard lock(mutex_);
        if (refusing_)
            return;
        waiters_.push_back(waiter);
    }
    QMetaObject::invokeMethod(
        view_,
        [this, work = std::move(work), waiter] {
            if (refusing())
                waiter->release();
            else
                work([waiter] { waiter->release(); });
        },
        Qt::QueuedConnection);
    {
        std::unique_lock lock(waiter->mutex);
        waiter->released.wait(lock, [&] { return waiter->done; });
    }
    std::lock_guard lock(mutex_);
    std::erase(waiters_, waiter);
}

bool GuiHandOver::showAlert(const AlertRequest& request)
{
    auto silence = std::make_shared<bool>(false);
    runAndWait([this, silence, text = QString::fromStdString(request.text),
                button = QString::fromStdString(request.button)](std::function<void()> done) {
        // Not exec(): a nested event loop on the GUI thread could run another
        // batch's start inside this one. The worker waits instead.
        auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Velmora"), text, QMessageBox::NoButton,
                                    view_->window());
        box->setTextFormat(Qt::PlainText); // platform texts quote file names, "%" and "<" included
        box->addButton(button, QMessageBox::AcceptRole);
        // A batch with many failed moves would ask for one OK per photo; the log keeps them all.
        box->setCheckBox(new QCheckBox(
            QCoreApplication::translate("velmora::DragAndDropView", "&Don't show further errors of this batch")));
        box->setWindowModality(Qt::ApplicationModal);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setObjectName(QStringLiteral("velmoraAlert"));
        QObject::connect(box, &QMessageBox::finished, view_, [box, silence, done = std::move(done)] {
            *silence = box->checkBox()->isChecked();
            done();
        });
        box->open();
    });
    return *silence;
}

void GuiHandOver::refuseWaits(bool refuse)
{
    std::lock_guard lock(mutex_);
    refusing_ = refuse;
    if (refuse)
        for (const auto& waiter : waiters_)
            waiter->release();
}

} // namespace velmora
