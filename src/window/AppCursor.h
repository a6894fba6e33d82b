#pragma once

#include "app/MonitorView.h"

// Makes the application-wide mouse cursor the one asked for: the default
// cursor removes every override, the crosshair and the busy cursor replace
// the override in place, so that the override stack never holds more than
// one level.
void ApplyApplicationCursor(TMonitorCursor cursor);
