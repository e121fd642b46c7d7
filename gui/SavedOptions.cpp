// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/SavedOptions.h"

#include "settings/Settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

namespace velmora {

void saveOptions(const OptionControls& controls)
{
    if (controls.suffix)
        settings::write(settings::suffix, controls.suffix->checkState());
    if (controls.prefix)
        settings::write(settings::prefix, controls.prefix->checkState());
    if (controls.rename)
        settings::write(settings::rename, controls.rename->checkState());
    if (controls.timezones)
        settings::write(settings::timezones, controls.timezones->currentIndex());
    if (controls.textToPrefix)
        settings::write(settings::textToPrefix, controls.textToPrefix->text());
    if (controls.fixTime)
        settings::write(settings::fixTime, controls.fixTime->checkState());
}

} // namespace velmora
