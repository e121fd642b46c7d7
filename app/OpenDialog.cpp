#include "app/OpenDialog.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace velmora {

OpenDialog::OpenDialog(QWidget* parent) : QFileDialog(parent, tr("Open photos or folders"))
{
    setObjectName(QStringLiteral("openDialog"));
    // The platform's own dialogs cannot pick files and folders in one go.
    setOption(QFileDialog::DontUseNativeDialog, true);
    setFileMode(QFileDialog::ExistingFiles);
    setAcceptMode(QFileDialog::AcceptOpen);
    if (const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
        QFileInfo(pictures).isDir())
        setDirectory(pictures);
    resize(760, 500);
    // Matched without regard to case.
    setNameFilters({tr("Photos (%1)")
                        .arg(QStringLiteral("*.jpg *.jpeg *.tif *.tiff *.png *.webp *.heic *.heif *.avif "
                                            "*.dng *.cr2 *.cr3 *.nef *.arw *.orf *.rw2 *.raf *.pef *.srw")),
                    tr("All files (*)")});
}

void OpenDialog::accept()
{
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
