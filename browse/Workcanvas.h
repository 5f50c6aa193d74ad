#pragma once
// The canvas on which browse windows measure texts before they paint them: the start
// form's work paint box, or a bitmap of its own while there is no start form.

class TCanvas;

TCanvas& WorkCanvas();
