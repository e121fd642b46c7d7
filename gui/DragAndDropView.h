// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QWidget>

#include <filesystem>
#include <vector>

class QMimeData;

namespace velmora {

class BatchController;

// The drop zone: lights up while files are dragged over the window and hands
// each drop of them to the batch controller as one batch. A click on it asks for files.
class DragAndDropView : public QWidget {
    Q_OBJECT
public:
    explicit DragAndDropView(QWidget* parent = nullptr);

    // Handed over once by window set-up, not owned.
    void setController(BatchController* controller);
    // The whole window takes drops: a drag of files over any of its controls is the drop zone's.
    void setWindow(QWidget* window);

    // Lit while a drag that would be accepted is over the window.
    bool isLit() const { return lit_; }

signals:
    // A left click on the zone: the Open dialog's cue.
    void clicked();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setLit(bool lit);

    QPointer<BatchController> controller_;
    bool lit_ = false;
};

// The local paths that a drag carries, byte-exact and in order.
std::vector<std::filesystem::path> localPaths(const QMimeData* mimeData);

} // namespace velmora
