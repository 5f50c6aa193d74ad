#pragma once
// Pieces of the program's dialogs: a labelled edit in a row of its own, and the reading
// of a whole number typed into an edit.

#include <string>

class TEdit;
class TForm;

// A label at `left` and an edit beside it, on the row at `top`; `top` moves to the next row.
TEdit* AddLabelledEdit(TForm* form, const char* name, const char* label, int left, int labelWidth, int editWidth,
                       int& top);

// The number in the text (blanks around it allowed) when it lies in lowest..highest.
bool ParseWholeNumber(const std::string& text, int lowest, int highest, int& value);
