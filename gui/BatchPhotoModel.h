// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/HistoryWriter.h"

#include <QAbstractTableModel>

#include <optional>
#include <vector>

namespace velmora {

// The photos of one batch as a table: old name, new name, folder, what
// happened (and what its undo did). Texts are made when a row is shown, so a
// batch of 100,000 photos costs its history's records and nothing more.
class BatchPhotoModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { OldName, NewName, Folder, WhatHappened, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    void setBatch(std::vector<RecordedPhoto> photos, std::vector<std::optional<UndoRecord>> undo);
    // Only the photos without a date, not found, failed, or kept by an undo.
    void setProblemsOnly(bool on);
    // The photo shown in `row`.
    const RecordedPhoto& photo(int row) const { return photos_[rows_[static_cast<size_t>(row)]]; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The reason an undo gives, in the user's language.
    static QString undoReasonText(const std::string& reason);

private:
    bool isProblem(size_t i) const;
    QString whatHappened(size_t i) const;
    void selectRows();

    std::vector<RecordedPhoto> photos_;
    std::vector<std::optional<UndoRecord>> undo_;
    std::vector<size_t> rows_;
    bool problemsOnly_ = false;
};

} // namespace velmora
