#include "controls/Ttextlistbox.h"

#include "platform/gui/Gui.h"

void TTextListBox::CreateParams(TCreateParams& Params) {
  TCustomListBox::CreateParams(Params);
  Params.Style |= WS_HSCROLL;
}

int TTextListBox::ItemWidth(int Index) {
  Canvas()->Font()->Assign(Font());
  return Canvas()->TextWidth(Items()->Strings(Index) + "x");
}

void TTextListBox::WndProc(TMessage& Message) {
  if (HandleAllocated() &&
      extent_.Track(this, Message, [&] { TCustomListBox::WndProc(Message); }, [this](int i) { return ItemWidth(i); }))
    return;
  TCustomListBox::WndProc(Message);
}
