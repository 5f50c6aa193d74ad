#include "foundation/Ttempcursor.h"

#include "platform/forms/Tscreen.h"

TTempCursor::TTempCursor(TCursor cursor) : fSaved(Screen->Cursor()) { Screen->SetCursor(cursor); }

TTempCursor::~TTempCursor() { Screen->SetCursor(fSaved); }
