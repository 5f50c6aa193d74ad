#include "platform/display/Programdisplay.h"

#include <cstdio>
#include <cstdlib>

#include "platform/display/X11display.h"
#include "platform/gui/Freetypefont.h"

namespace platform {

ProgramDisplay::ProgramDisplay(WithoutX withoutX) {
  x11_ = OpenX11DisplayFromEnvironment();
  if (!x11_) {
    if (withoutX == WithoutX::Refuse) return;
    if (const char* name = std::getenv("DISPLAY"); name && *name)
      std::fprintf(stderr, "%s: cannot open the X display %s; running without a screen\n", program_invocation_short_name,
                   name);
    return;
  }
  x11_->Install();
  auto fonts = std::make_unique<FreeTypeFontEngine>();
  if (fonts->Usable()) {
    SetFontEngine(std::move(fonts));
    realFonts_ = true;
  }
}

ProgramDisplay::~ProgramDisplay() {
  x11_.reset();
  if (realFonts_) SetFontEngine(nullptr);
}

}  // namespace platform
