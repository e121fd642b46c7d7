// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/Startup.h"

int main(int argc, char** argv)
{
    return velmora::runVelmora(argc, argv);
}
