#pragma once
// `cv5320ctl demo`: a tab's loop without the window, one JSON object per
// shown block on stdout.

#include "demo/DemoLoop.h"

#include <QString>

namespace cv {

// The writes the demo window makes when it loads: threshold reporting on,
// and board 1's result words cleared.
void DemoStartupWrites(const DemoVariant& v);

// "demo", "slider", "joypad"; false for anything else.
bool demoTabFromName(const QString& name, DemoTab* tab);

// Runs the tab's loop on the connected board for `seconds` of the services
// clock, as the window does, and prints each shown block. Returns false
// when the board is not a demo board or the loop could not start.
bool RunDemoCommand(DemoTab tab, double seconds);

} // namespace cv
