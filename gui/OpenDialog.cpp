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
    setOption(QFileDialog::ShowDirsOnly, folder);
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
    // The name field and the lists take Return before the dialog sees it.
    for (const char* name : {"fileNameEdit", "listView", "treeView"})
        if (auto* w = findChild<QWidget*>(QLatin1String(name)))
            w->installEventFilter(this);
}

void OpenDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
        QFileDialog::keyPressEvent(event);
        return;
    }
    enterPressed(nullptr);
    event->accept();
}

bool OpenDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            enterPressed(watched);
            return true;
        }
    }
    return QFileDialog::eventFilter(watched, event);
}

void OpenDialog::enterPressed(QObject* from)
{
    // A folder typed with a "/" at its end is a place to go; anything else is the choice.
    auto* name = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (const QStringList files = selectedFiles(); from && from == name && name->text().endsWith(QLatin1Char('/')) &&
                                                   files.size() == 1 && QFileInfo(files.front()).isDir()) {
        setDirectory(files.front());
        name->clear();
        return;
    }
    accept();
}

void OpenDialog::accept()
{
    // A double click on a file in the list would accept too.
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
