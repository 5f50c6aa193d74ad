#pragma once
// Pieces of the program's dialogs: the rows of a labelled edit on a line of its own, and the
// reading of a whole number typed into an edit.

#include "controls/Newcontrol.h"

#include <string>
#include <vector>

// Where a dialog's labelled edits stand: the label at Left, LabelWidth wide, and the edit
// a gap to its right, EditWidth wide.
struct TLabelledEditColumns {
  int Left, LabelWidth, EditWidth;
};

// Adds the rows of a label showing `caption` and of the edit `name` beside it (made by
// `edit`) on the line at `top`; `top` moves to the next line. The label is named after the
// edit: "LabelFirstName" beside "EditFirstName".
void AddLabelledEditRows(std::vector<TControlRow>& rows, TControlMaker edit, const std::string& name,
                         const char* caption, const TLabelledEditColumns& columns, int& top);

// A label sizes itself to its text in the font it is shown with: when one is wider than its
// column, the edits beside the column move right by the difference, so no edit
// covers a label's end. Returns the width added.
int FitLabelColumn(TWinControl& parent, const TLabelledEditColumns& columns);

// The number in the text (blanks around it allowed) when it lies in lowest..highest.
bool ParseWholeNumber(const std::string& text, int lowest, int highest, int& value);
