#pragma once
// The control utilities: windows and waiting, drawing, and system helpers.

#include "controls/Ctlbitmaps.h"
#include "controls/Ctlsystem.h"
#include "controls/Ctlwindows.h"
