// SPDX-License-Identifier: GPL-3.0-or-later
#include "dropzone/DragAndDropView.h"

#include "app/Settings.h"
#include "dropzone/BatchWalk.h"
#include "dropzone/RadioMatrix.h"
#include "platform/BatchJournal.h"
#include "platform/MessageTable.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTimer>
#include <QUrl>

#include <algorithm>

namespace fs = std::filesystem;

namespace velmora {
namespace {

// "Done" (message #1, the first word as ever), what the batch did in numbers,
// and a link that opens the history at this batch.
QString batchSummaryText(const std::string& done, const BatchJournal& journal)
{
    const QLocale locale;
    const QString counts =
        QCoreApplication::translate("DragAndDropView", "%1 renamed, %2 without a date, %3 failed")
            .arg(locale.toString(qulonglong{journal.renamed()}), locale.toString(qulonglong{journal.withoutDate()}),
                 locale.toString(qulonglong{journal.failed()}));
    return QStringLiteral("%1: %2 <a href=\"%3\">%4</a>")
        .arg(QString::fromStdString(done).toHtmlEscaped(), counts.toHtmlEscaped(), QString::fromStdString(journal.id()),
             QCoreApplication::translate("DragAndDropView", "Show in History").toHtmlEscaped());
}

int stateOf(const QCheckBox* box)
{
    switch (box->checkState()) {
    case Qt::Unchecked:
        return 0;
    case Qt::PartiallyChecked:
        return -1;
    case Qt::Checked:
        break;
    }
    return 1;
}

std::optional<std::string> titleOf(const QComboBox* box)
{
    if (box->currentIndex() < 0)
        return std::nullopt;
    return box->currentText().toStdString();
}

Qt::DropAction genericAction(Qt::DropActions offered)
{
    // Copy or Link, never Move: a source that believes it moved a photo deletes it.
    if (offered & Qt::CopyAction)
        return Qt::CopyAction;
    if (offered & Qt::LinkAction)
        return Qt::LinkAction;
    return Qt::IgnoreAction;
}

} // namespace

std::vector<fs::path> localPaths(const QMimeData* mimeData)
{
    std::vector<fs::path> paths;
    if (!mimeData || !mimeData->hasUrls())
        return paths;
    for (const QUrl& url : mimeData->urls()) {
        if (!url.isLocalFile())
            continue;
        // Decode the percent-encoding ourselves: the bytes of a name that is
        // not valid UTF-8 would not survive a trip through QString.
        const QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
        if (!bytes.isEmpty())
            paths.emplace_back(bytes.toStdString());
    }
    return paths;
}

struct DragAndDropView::Waiter {
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

// Hands a worker's progress and status to the GUI thread, in order.
class DragAndDropView::Sink : public BatchSink {
public:
    Sink(DragAndDropView& view, std::stop_token stop, const BatchJournal* journal)
        : view_(view), stop_(std::move(stop)), journal_(journal)
    {
    }
    void setProgress(double value) override
    {
        // A large folder gives thousands of entries per percent: only a change
        // is worth an event for the GUI thread.
        if (value == lastProgress_)
            return;
        lastProgress_ = value;
        QMetaObject::invokeMethod(
            &view_,
            [v = &view_, value] {
                if (v->spinner_)
                    v->spinner_->setValue(static_cast<int>(value));
            },
            Qt::QueuedConnection);
    }
    void hideIndicator() override
    {
        QMetaObject::invokeMethod(
            &view_,
            [v = &view_] {
                if (v->spinner_)
                    v->spinner_->setHidden(true);
            },
            Qt::QueuedConnection);
    }
    void setStatusText(const std::string& text) override
    {
        const QString t = journal_ ? batchSummaryText(text, *journal_) : QString::fromStdString(text);
        QMetaObject::invokeMethod(
            &view_,
            [v = &view_, t, stopped = stop_.stop_requested()] {
                if (v->status_)
                    v->status_->setText(stopped ? DragAndDropView::tr("Stopped") : t);
            },
            Qt::QueuedConnection);
    }
    void setUpTimer() override
    {
        view_.runOnGuiThreadAndWait([v = &view_](const std::function<void()>& done) {
            v->setUpTimer();
            done();
        });
    }

private:
    DragAndDropView& view_;
    std::stop_token stop_;
    const BatchJournal* journal_;
    double lastProgress_ = -1;
};

// The engine's host for one batch: that batch's alerts, until the user silences them.
class DragAndDropView::BatchHost : public EngineHost {
public:
    explicit BatchHost(DragAndDropView& view) : view_(view) {}
    void showAlert(const AlertRequest& request) override
    {
        if (!silenced_)
            silenced_ = view_.showAlert(request);
    }
    bool changeExifInPhoto() override { return view_.changeExifInPhoto(); }

private:
    DragAndDropView& view_;
    bool silenced_ = false;
};

DragAndDropView::DragAndDropView(QWidget* parent) : QWidget(parent)
{
    setAcceptDrops(true);
    connect(qApp, &QCoreApplication::aboutToQuit, this, &DragAndDropView::stopBatches);
}

DragAndDropView::~DragAndDropView()
{
    stopBatches();
}

void DragAndDropView::setDateSwitch(RadioMatrix* control)
{
    dateSwitch_ = control;
    if (!control)
        return;
    mirror_.setDateSwitchRow(control->selectedRow());
    for (QRadioButton* row : control->rows())
        connect(row, &QRadioButton::toggled, this, [this] {
            if (dateSwitch_)
                mirror_.setDateSwitchRow(dateSwitch_->selectedRow());
        });
}

void DragAndDropView::setWindow(QWidget* window)
{
    window_ = window;
    if (!window)
        return;
    window->setAcceptDrops(true);
    window->installEventFilter(this);
    for (QWidget* w : window->findChildren<QWidget*>())
        if (w != this && !isAncestorOf(w))
            w->installEventFilter(this);
}

bool DragAndDropView::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        // Text for the prefix field stays the field's; files are ours wherever they land.
        if (localPaths(static_cast<QDropEvent*>(event)->mimeData()).empty())
            return QWidget::eventFilter(watched, event);
        if (event->type() == QEvent::DragEnter)
            dragEnterEvent(static_cast<QDragEnterEvent*>(event));
        else if (event->type() == QEvent::DragMove)
            dragMoveEvent(static_cast<QDragMoveEvent*>(event));
        else
            dropEvent(static_cast<QDropEvent*>(event));
        return true;
    case QEvent::DragLeave:
        setLit(false);
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void DragAndDropView::setLit(bool lit)
{
    if (lit == lit_)
        return;
    lit_ = lit;
    // The dashed box and its texts restyle themselves by this property.
    for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        w->setProperty("lit", lit);
        w->style()->unpolish(w);
        w->style()->polish(w);
    }
}

void DragAndDropView::setTimezones(QComboBox* control)
{
    timezones_ = control;
    if (!control)
        return;
    mirror_.setTimezonesTitle(titleOf(control));
    connect(control, &QComboBox::currentIndexChanged, this,
            [this, control] { mirror_.setTimezonesTitle(titleOf(control)); });
}

void DragAndDropView::mirrorCheckBox(QPointer<QCheckBox>& field, QCheckBox* control,
                                     void (ControlMirror::*setState)(int))
{
    field = control;
    if (!control)
        return;
    (mirror_.*setState)(stateOf(control));
    connect(control, &QCheckBox::stateChanged, this,
            [this, control, setState] { (mirror_.*setState)(stateOf(control)); });
}

void DragAndDropView::setFixTime(QCheckBox* control)
{
    mirrorCheckBox(fixTime_, control, &ControlMirror::setFixTimeState);
}

void DragAndDropView::setRename(QCheckBox* control)
{
    mirrorCheckBox(rename_, control, &ControlMirror::setRenameState);
}

void DragAndDropView::setPrefix(QCheckBox* control)
{
    mirrorCheckBox(prefix_, control, &ControlMirror::setPrefixState);
}

void DragAndDropView::setSuffix(QCheckBox* control)
{
    mirrorCheckBox(suffix_, control, &ControlMirror::setSuffixState);
}

void DragAndDropView::setText_to_prefix(QLineEdit* control)
{
    textToPrefix_ = control;
    if (!control)
        return;
    mirror_.setTextToPrefix(control->text().toStdString());
    connect(control, &QLineEdit::textChanged, this,
            [this](const QString& text) { mirror_.setTextToPrefix(text.toStdString()); });
}

void DragAndDropView::dragEnterEvent(QDragEnterEvent* event)
{
    // To the front whatever comes next, so the user sees the window they drop on.
    if (QWidget* top = window()) {
        top->raise();
        top->activateWindow();
    }
    const Qt::DropAction action = genericAction(event->possibleActions());
    if (action == Qt::IgnoreAction || localPaths(event->mimeData()).empty()) {
        setLit(false);
        event->ignore();
        return;
    }
    setLit(true);
    event->setDropAction(action);
    event->accept();
}

void DragAndDropView::dragLeaveEvent(QDragLeaveEvent* /*event*/)
{
    setLit(false);
}

void DragAndDropView::dragMoveEvent(QDragMoveEvent* event)
{
    const Qt::DropAction action = genericAction(event->possibleActions());
    if (action == Qt::IgnoreAction) {
        event->ignore();
        return;
    }
    event->setDropAction(action);
    event->accept();
}

void DragAndDropView::dropEvent(QDropEvent* event)
{
    setLit(false);
    batchStartFirstHalf();
    const Qt::DropAction action = genericAction(event->possibleActions());
    std::vector<fs::path> batchList = localPaths(event->mimeData());
    if (action == Qt::IgnoreAction || batchList.empty()) {
        event->ignore();
        return;
    }
    event->setDropAction(action);
    event->accept();
    batchStartSecondHalf(std::move(batchList));
}

void DragAndDropView::applicationOpenFiles(const std::vector<fs::path>& paths)
{
    batchStartFirstHalf();
    batchStartSecondHalf(paths);
}

void DragAndDropView::batchStartFirstHalf()
{
    runDialog_ = false;
    if (textToPrefix_ && textToPrefix_->text().isNull())
        textToPrefix_->setText(QStringLiteral(""));
    saveOptions(false);
}

void DragAndDropView::batchStartSecondHalf(std::vector<fs::path> batchList)
{
    if (status_) {
        status_->setHidden(false);
        status_->setText(QString::fromStdString(MessageTable::text("#2")));
    }
    if (spinner_)
        spinner_->setHidden(false);

    reapFinishedWorkers();
    auto finished = std::make_shared<std::atomic<bool>>(false);
    workers_.push_back({std::jthread([this, batchList = std::move(batchList), finished](std::stop_token stop) {
                            processFiles(batchList, stop);
                            finished->store(true);
                            QMetaObject::invokeMethod(this, &DragAndDropView::batchFinished, Qt::QueuedConnection);
                        }),
                        finished});
    emit batchStarted();
    update();
}

void DragAndDropView::processFiles(const std::vector<fs::path>& batchList, std::stop_token stop)
{
    BatchHost host(*this);
    PhotoEngine engine(mirror_, runDialog_, host);
    const bool keepSetsTogether = settings::read(settings::keepSetsTogether);
    auto options = mirror_.describe();
    options.emplace_back("change_exif_in_photo", settings::read(settings::changeExifInPhoto) ? "on" : "off");
    options.emplace_back("keep_sets_together", keepSetsTogether ? "on" : "off");
    const auto journal = BatchJournal::begin(options, batchList);
    engine.setRecorder(journal.get());
    Sink sink(*this, stop, journal.get());
    velmora::processFiles(
        batchList, [&engine](const PhotoSet& set) { engine.processSet(set); }, sink, stop, keepSetsTogether);
}

void DragAndDropView::reapFinishedWorkers()
{
    std::erase_if(workers_, [](const Worker& w) { return w.finished->load(); });
}

int DragAndDropView::runningBatches()
{
    reapFinishedWorkers();
    return static_cast<int>(workers_.size());
}

void DragAndDropView::stopBatches()
{
    {
        std::lock_guard lock(waitersMutex_);
        stopping_ = true;
        for (const auto& waiter : waiters_)
            waiter->release();
    }
    for (Worker& worker : workers_)
        worker.thread.request_stop();
    workers_.clear(); // joins
    std::lock_guard lock(waitersMutex_);
    stopping_ = false;
}

void DragAndDropView::stopAfterPhotoInHand()
{
    for (Worker& worker : workers_)
        worker.thread.request_stop();
}

void DragAndDropView::runOnGuiThreadAndWait(std::function<void(std::function<void()> done)> work)
{
    auto waiter = std::make_shared<Waiter>();
    {
        std::lock_guard lock(waitersMutex_);
        if (stopping_)
            return;
        waiters_.push_back(waiter);
    }
    QMetaObject::invokeMethod(
        this,
        [this, work = std::move(work), waiter] {
            bool stopping = false;
            {
                std::lock_guard lock(waitersMutex_);
                stopping = stopping_;
            }
            if (stopping)
                waiter->release();
            else
                work([waiter] { waiter->release(); });
        },
        Qt::QueuedConnection);
    {
        std::unique_lock lock(waiter->mutex);
        waiter->released.wait(lock, [&] { return waiter->done; });
    }
    std::lock_guard lock(waitersMutex_);
    std::erase(waiters_, waiter);
}

bool DragAndDropView::showAlert(const AlertRequest& request)
{
    auto silence = std::make_shared<bool>(false);
    runOnGuiThreadAndWait([this, silence, text = QString::fromStdString(request.text),
                           button = QString::fromStdString(request.button)](std::function<void()> done) {
        // Not exec(): a nested event loop on the GUI thread could run another
        // batch's start inside this one. The worker waits instead.
        auto* box =
            new QMessageBox(QMessageBox::Warning, QStringLiteral("Velmora"), text, QMessageBox::NoButton, window());
        box->setTextFormat(Qt::PlainText); // platform texts quote file names, "%" and "<" included
        box->addButton(button, QMessageBox::AcceptRole);
        // A batch with many failed moves would ask for one OK per photo; the log keeps them all.
        box->setCheckBox(new QCheckBox(tr("&Don't show further errors of this batch")));
        box->setWindowModality(Qt::ApplicationModal);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setObjectName(QStringLiteral("velmoraAlert"));
        connect(box, &QMessageBox::finished, this, [box, silence, done = std::move(done)] {
            *silence = box->checkBox()->isChecked();
            done();
        });
        box->open();
    });
    return *silence;
}

bool DragAndDropView::changeExifInPhoto()
{
    return settings::read(settings::changeExifInPhoto);
}

void DragAndDropView::setStatus(QLabel* control)
{
    status_ = control;
    if (control)
        connect(control, &QLabel::linkActivated, this, &DragAndDropView::historyRequested, Qt::UniqueConnection);
}

void DragAndDropView::setUpTimer()
{
    // Owned by nobody and never cancelled: a later batch does not stop it.
    QTimer::singleShot(4000, this, &DragAndDropView::timerFireMethod);
}

void DragAndDropView::timerFireMethod()
{
    if (status_)
        status_->setHidden(true);
}

void DragAndDropView::applicationWillTerminate()
{
    saveOptions(true);
}

void DragAndDropView::saveOptions(bool withTimezones)
{
    if (suffix_)
        settings::write(settings::suffix, suffix_->checkState());
    if (prefix_)
        settings::write(settings::prefix, prefix_->checkState());
    if (rename_)
        settings::write(settings::rename, rename_->checkState());
    if (withTimezones && timezones_)
        settings::write(settings::timezones, timezones_->currentIndex());
    if (textToPrefix_)
        settings::write(settings::textToPrefix, textToPrefix_->text());
    if (fixTime_)
        settings::write(settings::fixTime, fixTime_->checkState());
}

} // namespace velmora
