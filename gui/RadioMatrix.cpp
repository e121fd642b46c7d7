// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/RadioMatrix.h"

#include <QRadioButton>

namespace velmora {

RadioMatrix::RadioMatrix(QWidget* parent) : QGroupBox(parent) {}

QList<QRadioButton*> RadioMatrix::rows() const
{
    return findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly);
}

int RadioMatrix::selectedRow() const
{
    const auto buttons = rows();
    for (int i = 0; i < buttons.size(); ++i)
        if (buttons[i]->isChecked())
            return i + 1;
    return -1;
}

void RadioMatrix::selectCellAtRow(int row, int column)
{
    const auto buttons = rows();
    if (column != 0 || row < 1 || row > buttons.size())
        return;
    buttons[row - 1]->setChecked(true);
}

} // namespace velmora
