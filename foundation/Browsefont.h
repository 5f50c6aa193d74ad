#pragma once
// A font of the windows made from a font record of the browser settings.

class TFont;
struct TBrowseFont;

// The font gets the face, size, style and colour of the settings' record.
void AssignBrowseFont(TFont& font, const TBrowseFont& record);
