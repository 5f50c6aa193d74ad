#pragma once
// The browse windows in the program's life: start-up opens the first one, closing the
// start form asks them all to close, and the program ends when the last one has closed.

class TFormBrowseManager;
class TFormStart;
class TStartupDriver;

// Lends start-up the first browse window and ties the end of the program to the windows.
void ConnectBrowseWindows(TStartupDriver& driver, TFormBrowseManager& windows, TFormStart& start);

// The first browse window: on the block of the login's position in the last discussion
// (its root block when the position names no living block), or on the root folder when
// there is no last discussion. False when no window could be made.
bool OpenFirstBrowseWindow(TStartupDriver& driver, TFormBrowseManager& windows, int discussion, int storageType,
                           int number);
