#pragma once
// The start form's work paint box: a canvas that is always there, on which the browse
// windows measure texts and rows before they paint them; and the program's shared font.
// Both live with the start form.

class TFont;
class TPaintBox;

// The paint box of the start form, null before the form exists and after it is gone.
TPaintBox*& WorkPaintBox();

// The font shared by the program's windows, null before the start form exists.
TFont*& SharedFont();
