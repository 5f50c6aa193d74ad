#pragma once
// The built-in deterministic test font: for each face and size one fixed advance for
// every character, a line height tied to the font height, bold visibly wider, and solid
// glyph cells so that pixel probes can tell text from background.

#include "platform/gui/Fontengine.h"

namespace platform {

class TestFontEngine : public FontEngine {
 public:
  std::shared_ptr<FontFace> Realize(const LOGFONT& font) override;
};

}  // namespace platform
