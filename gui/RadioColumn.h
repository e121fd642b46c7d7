// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QGroupBox>
#include <QList>

class QRadioButton;

namespace velmora {

// A column of radio buttons whose rows are numbered from 1 in the order they
// were laid out: the date choice of the main window.
class RadioColumn : public QGroupBox {
    Q_OBJECT
public:
    explicit RadioColumn(QWidget* parent = nullptr);

    QList<QRadioButton*> rows() const;
    int selectedRow() const; // -1 when no row is selected
    // Selects the row; a row outside the column changes nothing.
    void selectRow(int row);
};

} // namespace velmora
