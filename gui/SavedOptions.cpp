// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/SavedOptions.h"

#include "settings/Settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

namespace velmora {

void saveOptions(const OptionControls& controls)
{
    settings::Writes values;
    if (controls.suffix)
        values.set(settings::suffix, controls.suffix->checkState());
    if (controls.prefix)
        values.set(settings::prefix, controls.prefix->checkState());
    if (controls.rename)
        values.set(settings::rename, controls.rename->checkState());
    if (controls.timezones)
        values.set(settings::timezones, controls.timezones->currentIndex());
    if (controls.textToPrefix)
        values.set(settings::textToPrefix, controls.textToPrefix->text());
    if (controls.fixTime)
        values.set(settings::fixTime, controls.fixTime->checkState());
    settings::write(values);
}

} // namespace velmora
