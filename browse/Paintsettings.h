#pragma once
// What the painting of a browse window takes from the browser settings: fonts made from
// the settings' font records and the colours of the blocks' retrieval marks.

#include "foundation/Browsefont.h"
#include "model/Blockretrieval.h"

class TFont;
struct TBrowseFont;
struct TBrowsePars;

// The mark colours of the settings; a block without marks is white.
TRetrievalColors RetrievalColorsOf(const TBrowsePars& settings);
