// The headless screen of the class library's tests (a person at the keyboard and
// mouse, checks for leftover windows and GDI objects) serves the controls' tests too.
#include "tests/platform/forms/Formstest.cpp"
