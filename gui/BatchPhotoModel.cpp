// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/BatchPhotoModel.h"

#include "engine/BatchUndo.h"

#include <QFile>

namespace velmora {

void BatchPhotoModel::setBatch(std::vector<RecordedPhoto> photos, std::vector<std::optional<UndoRecord>> undo)
{
    beginResetModel();
    photos_ = std::move(photos);
    undo_ = std::move(undo);
    undo_.resize(photos_.size());
    selectRows();
    endResetModel();
}

void BatchPhotoModel::setProblemsOnly(bool on)
{
    beginResetModel();
    problemsOnly_ = on;
    selectRows();
    endResetModel();
}

void BatchPhotoModel::selectRows()
{
    rows_.clear();
    for (size_t i = 0; i < photos_.size(); ++i)
        if (!problemsOnly_ || isProblem(i))
            rows_.push_back(i);
}

bool BatchPhotoModel::isProblem(size_t i) const
{
    const PhotoOutcome& o = photos_[i].outcome;
    return o.kind != PhotoOutcome::Kind::Placed || !o.error.empty() || (undo_[i] && !undo_[i]->undone);
}

int BatchPhotoModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int BatchPhotoModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString BatchPhotoModel::undoReasonText(const std::string& reason)
{
    if (reason == undo_reason::kOldNameTaken)
        return tr("another file now has the old name");
    if (reason == undo_reason::kOriginalGone)
        return tr("its original is gone, so the copy stays");
    if (reason == undo_reason::kDateNotRestored)
        return tr("the old date could not be written back");
    if (reason == undo_reason::kMoveFailed)
        return tr("it could not be moved back");
    return tr("it was changed, moved or removed since");
}

QString BatchPhotoModel::whatHappened(size_t i) const
{
    const PhotoOutcome& o = photos_[i].outcome;
    QString text;
    switch (o.kind) {
    case PhotoOutcome::Kind::Placed:
        text = o.target == o.source ? tr("Kept its name") : o.copied ? tr("Copied") : tr("Moved");
        if (!o.newDate.empty())
            text += tr(", date %1 written (was %2)")
                        .arg(QString::fromStdString(o.newDate), QString::fromStdString(o.oldDate));
        break;
    case PhotoOutcome::Kind::NoDate:
        text = tr("Without a date");
        break;
    case PhotoOutcome::Kind::NotFound:
        text = tr("Not found");
        break;
    case PhotoOutcome::Kind::Failed:
        text = tr("Failed");
        break;
    }
    if (!o.error.empty())
        text += QStringLiteral(": ") + QString::fromStdString(o.error);
    if (undo_[i])
        text += undo_[i]->undone ? tr(" (undone)") : tr(" (not undone: %1)").arg(undoReasonText(undo_[i]->reason));
    return text;
}

QVariant BatchPhotoModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole || static_cast<size_t>(index.row()) >= rows_.size())
        return {};
    const size_t i = rows_[static_cast<size_t>(index.row())];
    const PhotoOutcome& o = photos_[i].outcome;
    switch (index.column()) {
    case OldName:
        return QFile::decodeName(QByteArray::fromStdString(o.source.filename().native()));
    case NewName:
        return QFile::decodeName(QByteArray::fromStdString(o.target.filename().native()));
    case Folder:
        return QFile::decodeName(QByteArray::fromStdString(o.source.parent_path().native()));
    case WhatHappened:
        return whatHappened(i);
    }
    return {};
}

QVariant BatchPhotoModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case OldName:
        return tr("Old name");
    case NewName:
        return tr("New name");
    case Folder:
        return tr("Folder");
    case WhatHappened:
        return tr("What happened");
    }
    return {};
}

} // namespace velmora
