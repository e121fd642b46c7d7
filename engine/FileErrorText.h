// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/FileManager.h"

#include <string>

namespace velmora {

// The short, translated text that tells the user why a photo was not moved or copied.
std::string userText(const FileError& error);

} // namespace velmora
