// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/DragAndDropView.h"

#include "gui/BatchController.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QStyle>
#include <QUrl>

namespace fs = std::filesystem;

namespace velmora {
namespace {

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
    setCursor(Qt::PointingHandCursor);
}

void DragAndDropView::mousePressEvent(QMouseEvent* event)
{
    event->setAccepted(event->button() == Qt::LeftButton);
}

void DragAndDropView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

void DragAndDropView::setController(BatchController* controller)
{
    controller_ = controller;
}

void DragAndDropView::setWindow(QWidget* window)
{
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
    if (controller_)
        controller_->prepareBatch();
    const Qt::DropAction action = genericAction(event->possibleActions());
    std::vector<fs::path> batchList = localPaths(event->mimeData());
    if (action == Qt::IgnoreAction || batchList.empty()) {
        event->ignore();
        return;
    }
    event->setDropAction(action);
    event->accept();
    if (controller_)
        controller_->requestBatch(std::move(batchList));
    update();
}

} // namespace velmora
