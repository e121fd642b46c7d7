// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/RadioColumn.h"

#include <QRadioButton>

namespace velmora {

RadioColumn::RadioColumn(QWidget* parent) : QGroupBox(parent) {}

QList<QRadioButton*> RadioColumn::rows() const
{
    return findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly);
}

int RadioColumn::selectedRow() const
{
    const auto buttons = rows();
    for (int i = 0; i < buttons.size(); ++i)
        if (buttons[i]->isChecked())
            return i + 1;
    return -1;
}

void RadioColumn::selectRow(int row)
{
    const auto buttons = rows();
    if (row < 1 || row > buttons.size())
        return;
    buttons[row - 1]->setChecked(true);
}

} // namespace velmora
