// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/OpenDialog.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStandardPaths>

namespace velmora {

OpenDialog::OpenDialog(QWidget* parent, bool folder)
    : QFileDialog(parent, folder ? tr("Open a folder") : tr("Open photos or folders"))
{
    setObjectName(QStringLiteral("openDialog"));
    setFileMode(folder ? QFileDialog::Directory : QFileDialog::ExistingFiles);
    setAcceptMode(QFileDialog::AcceptOpen);
    if (const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
        QFileInfo(pictures).isDir())
        setDirectory(pictures);
    resize(760, 500);
    // Matched without regard to case.
    if (!folder)
        setNameFilters({tr("Photos (%1)")
                            .arg(QStringLiteral("*.jpg *.jpeg *.tif *.tiff *.png *.webp *.heic *.heif *.avif "
                                                "*.dng *.cr2 *.cr3 *.nef *.arw *.orf *.rw2 *.raf *.pef *.srw")),
                        tr("All files (*)")});
    if (auto* name = findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        name->installEventFilter(this);
}

void OpenDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
        QFileDialog::keyPressEvent(event);
        return;
    }
    enterPressed();
    event->accept();
}

bool OpenDialog::eventFilter(QObject* watched, QEvent* event)
{
    // The name field takes Enter before the dialog sees it.
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            enterPressed();
            return true;
        }
    }
    return QFileDialog::eventFilter(watched, event);
}

void OpenDialog::enterPressed()
{
    if (const QStringList files = selectedFiles(); files.size() == 1 && QFileInfo(files.front()).isDir()) {
        setDirectory(files.front());
        if (auto* name = findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            name->clear();
    }
}

void OpenDialog::accept()
{
    // Activating a file in the list (Enter, double click) would accept too.
    if (auto* from = qobject_cast<QWidget*>(sender());
        from && isAncestorOf(from) && !qobject_cast<QDialogButtonBox*>(from))
        return;
    const QStringList files = selectedFiles();
    if (files.isEmpty())
        return;
    for (const QString& file : files) {
        if (!QFileInfo::exists(file)) {
            // Let the stock dialog tell the user that the name is wrong.
            QFileDialog::accept();
            return;
        }
    }
    chosen_.clear();
    for (const QString& file : files)
        chosen_.emplace_back(QFile::encodeName(file).toStdString());
    QDialog::accept();
}

} // namespace velmora
