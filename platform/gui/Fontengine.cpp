#include "platform/gui/Fontengine.h"

#include "platform/gui/Testfont.h"

namespace platform {

namespace {
std::unique_ptr<FontEngine>& EngineSlot() {
  static std::unique_ptr<FontEngine> engine = std::make_unique<TestFontEngine>();
  return engine;
}
}  // namespace

FontEngine& CurrentFontEngine() { return *EngineSlot(); }

void SetFontEngine(std::unique_ptr<FontEngine> engine) {
  EngineSlot() = engine ? std::move(engine) : std::make_unique<TestFontEngine>();
}

}  // namespace platform
