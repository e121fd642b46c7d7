// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace velmora {

// The main window's options that a batch start and a quit save.
struct OptionControls {
    QCheckBox* suffix = nullptr;
    QCheckBox* prefix = nullptr;
    QCheckBox* rename = nullptr;
    QComboBox* timezones = nullptr; // its index is saved only by the batch controller's quit
    QLineEdit* textToPrefix = nullptr;
    QCheckBox* fixTime = nullptr;
};

// Writes the options in the order above; a control not given is skipped.
void saveOptions(const OptionControls& controls);

} // namespace velmora
