// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/BatchPreview.h"

#include <QAbstractTableModel>

#include <vector>

namespace velmora {

// The preview's table: one row per file a batch would touch, as the engine
// computed it; rows arrive in chunks while the dates are read.
class PreviewModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Folder, OldName, NewName, Date, Field, Note, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void append(std::vector<PreviewRow>&& rows);
    void clear();
    // The rows, for the batch that follows; the table is empty after.
    std::vector<PreviewRow> take();
    // How many files would get a new name (photos, pairs and sidecars).
    size_t moving() const { return moving_; }

private:
    QString note(const PreviewRow& row) const;

    std::vector<PreviewRow> rows_;
    size_t moving_ = 0;
};

} // namespace velmora
