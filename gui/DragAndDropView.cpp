// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/DragAndDropView.h"

#include "gui/WindowSink.h"
#include "engine/BatchWalk.h"
#include "history/HistoryWriter.h"
#include "settings/MessageTable.h"
#include "settings/Settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QRadioButton>
#include <QStyle>
#include <QTimer>
#include <QUrl>

namespace fs = std::filesystem;

namespace velmora {
namespace {

// 0 off, 1 on, -1 mixed, as the mirror counts them.
int stateOf(const QCheckBox* box)
{
    const Qt::CheckState state = box->checkState();
    return state == Qt::PartiallyChecked ? -1 : state == Qt::Checked ? 1 : 0;
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

void DragAndDropView::mirrorCheckBox(QPointer<QCheckBox>& field, QCheckBox* control, void (LiveOptions::*setState)(int))
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
    mirrorCheckBox(fixTime_, control, &LiveOptions::setFixTimeState);
}

void DragAndDropView::setRename(QCheckBox* control)
{
    mirrorCheckBox(rename_, control, &LiveOptions::setRenameState);
}

void DragAndDropView::setPrefix(QCheckBox* control)
{
    mirrorCheckBox(prefix_, control, &LiveOptions::setPrefixState);
}

void DragAndDropView::setSuffix(QCheckBox* control)
{
    mirrorCheckBox(suffix_, control, &LiveOptions::setSuffixState);
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
    resetLatchAndSaveOptions();
    const Qt::DropAction action = genericAction(event->possibleActions());
    std::vector<fs::path> batchList = localPaths(event->mimeData());
    if (action == Qt::IgnoreAction || batchList.empty()) {
        event->ignore();
        return;
    }
    event->setDropAction(action);
    event->accept();
    showWorkingAndStartWorker(std::move(batchList));
}

void DragAndDropView::applicationOpenFiles(const std::vector<fs::path>& paths)
{
    resetLatchAndSaveOptions();
    showWorkingAndStartWorker(paths);
}

OptionControls DragAndDropView::optionControls() const
{
    return {suffix_, prefix_, rename_, nullptr, textToPrefix_, fixTime_};
}

void DragAndDropView::resetLatchAndSaveOptions()
{
    runDialog_ = false;
    if (textToPrefix_ && textToPrefix_->text().isNull())
        textToPrefix_->setText(QStringLiteral(""));
    saveOptions(optionControls());
}

void DragAndDropView::showWorkingAndStartWorker(std::vector<fs::path> batchList)
{
    if (status_) {
        status_->setHidden(false);
        status_->setText(QString::fromStdString(MessageTable::text(message::kWorking)));
    }
    if (spinner_)
        spinner_->setHidden(false);
    runner_.start([this, batchList = std::move(batchList)](std::stop_token stop) { processFiles(batchList, stop); },
                  [this] { QMetaObject::invokeMethod(this, &DragAndDropView::batchFinished, Qt::QueuedConnection); });
    emit batchStarted();
    update();
}

void DragAndDropView::processFiles(const std::vector<fs::path>& batchList, std::stop_token stop)
{
    WindowHost host(handOver_);
    PhotoEngine engine(mirror_, runDialog_, host);
    const bool keepSetsTogether = settings::read(settings::keepSetsTogether);
    auto options = mirror_.describe();
    options.emplace_back("change_exif_in_photo", settings::read(settings::changeExifInPhoto) ? "on" : "off");
    options.emplace_back("keep_sets_together", keepSetsTogether ? "on" : "off");
    const auto journal = HistoryWriter::begin(options, batchList);
    engine.setRecorder(journal.get());
    WindowSink sink(*this, handOver_, stop, journal.get());
    walkBatch(
        batchList, [&engine](const PhotoSet& set) { engine.processSet(set); }, sink, stop, keepSetsTogether,
        [&engine] { engine.finishBatch(); }, &engine.goneDevices());
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
    OptionControls controls = optionControls();
    controls.timezones = timezones_;
    saveOptions(controls);
}

} // namespace velmora
