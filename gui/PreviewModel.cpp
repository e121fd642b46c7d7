// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/PreviewModel.h"

#include <QFile>
#include <QPalette>
#include <QApplication>

namespace velmora {
namespace {

QString fileText(const std::string& bytes)
{
    return QFile::decodeName(QByteArray::fromStdString(bytes));
}

} // namespace

int PreviewModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int PreviewModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString PreviewModel::note(const PreviewRow& row) const
{
    using Fate = PreviewRow::Fate;
    switch (row.fate) {
    case Fate::Renamed:
        return {};
    case Fate::Keeps:
        return tr("Has its name already");
    case Fate::Follows:
        return row.follows < rows_.size() ? tr("Goes with %1").arg(fileText(rows_[row.follows].name)) : QString();
    case Fate::NoDate:
        return tr("Stays: no date");
    case Fate::NameTooLong:
        return tr("Stays: the new name is too long");
    case Fate::Stays:
        return tr("Stays: its photo stays");
    }
    return {};
}

QVariant PreviewModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || static_cast<size_t>(index.row()) >= rows_.size())
        return {};
    const PreviewRow& row = rows_[static_cast<size_t>(index.row())];
    using Fate = PreviewRow::Fate;
    const bool named = row.fate == Fate::Renamed || row.fate == Fate::Follows || row.fate == Fate::Keeps;
    if (role == Qt::ForegroundRole && !named)
        return QApplication::palette().brush(QPalette::Disabled, QPalette::Text);
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    switch (index.column()) {
    case Folder:
        return fileText(*row.folder);
    case OldName:
        return fileText(row.name);
    case NewName:
        return named ? fileText(row.target) : QString();
    case Date:
        return QString::fromStdString(row.date);
    case Field:
        if (row.date.empty())
            return QString();
        return row.digitized ? QStringLiteral("DateTimeDigitized") : QStringLiteral("DateTimeOriginal");
    case Note:
        return note(row);
    default:
        return {};
    }
}

QVariant PreviewModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case Folder:
        return tr("Folder");
    case OldName:
        return tr("Name");
    case NewName:
        return tr("New name");
    case Date:
        return tr("Date");
    case Field:
        return tr("Field");
    case Note:
        return tr("Note");
    default:
        return {};
    }
}

void PreviewModel::append(std::vector<PreviewRow>&& rows)
{
    if (rows.empty())
        return;
    const int first = static_cast<int>(rows_.size());
    beginInsertRows({}, first, first + static_cast<int>(rows.size()) - 1);
    for (PreviewRow& row : rows) {
        moving_ += row.moves();
        rows_.push_back(std::move(row));
    }
    endInsertRows();
}

void PreviewModel::clear()
{
    beginResetModel();
    rows_.clear();
    rows_.shrink_to_fit();
    moving_ = 0;
    endResetModel();
}

std::vector<PreviewRow> PreviewModel::take()
{
    beginResetModel();
    std::vector<PreviewRow> rows = std::move(rows_);
    rows_.clear();
    moving_ = 0;
    endResetModel();
    return rows;
}

} // namespace velmora
