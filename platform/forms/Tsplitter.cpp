#include "platform/forms/Tsplitter.h"

#include <algorithm>

#include "platform/gui/Drawedge.h"

TSplitter::TSplitter(TComponent* AOwner) : TGraphicControl(AOwner) {
  SetAlign(alLeft);
  SetBounds(0, 0, 3, 100);
  SetCursor(crHSplit);
  SetParentColor(true);
}

TControl* TSplitter::FindControl() {
  if (!Parent()) return nullptr;
  TAlign a = Align();
  TControl* best = nullptr;
  for (int i = 0; i < Parent()->ControlCount(); ++i) {
    TControl* c = Parent()->Controls(i);
    if (c == this || !c->Visible() || c->Align() != a) continue;
    bool before = false;
    switch (a) {
      case alLeft: before = c->Left() + c->Width() == Left(); break;
      case alRight: before = c->Left() == Left() + Width(); break;
      case alTop: before = c->Top() + c->Height() == Top(); break;
      case alBottom: before = c->Top() == Top() + Height(); break;
      default: break;
    }
    if (before) best = c;
  }
  return best;
}

void TSplitter::Paint() {
  TCanvas* c = Canvas();
  RECT r = ClientRect();
  c->Brush()->SetColor(Color());
  c->FillRect(r);
  if (beveled_) DrawEdge(c->Handle(), &r, BDR_RAISEDINNER, BF_RECT);
}

void TSplitter::WndProc(TMessage& Message) {
  bool horizontal = Align() == alLeft || Align() == alRight;
  switch (Message.Msg) {
    case WM_LBUTTONDOWN:
      resizing_ = FindControl();
      if (resizing_) {
        start_ = ClientToScreen(POINT{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)});
        startSize_ = horizontal ? resizing_->Width() : resizing_->Height();
      }
      break;
    case WM_MOUSEMOVE:
      if (resizing_ && MouseCapture()) {
        POINT p = ClientToScreen(POINT{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)});
        int delta = horizontal ? p.x - start_.x : p.y - start_.y;
        if (Align() == alRight || Align() == alBottom) delta = -delta;
        int total = horizontal ? Parent()->ClientWidth() : Parent()->ClientHeight();
        int others = 0;
        for (int i = 0; i < Parent()->ControlCount(); ++i) {
          TControl* c = Parent()->Controls(i);
          if (c != resizing_ && c->Visible() && (c->Align() == alLeft || c->Align() == alRight) == horizontal &&
              c->Align() != alNone && c->Align() != alClient)
            others += horizontal ? c->Width() : c->Height();
        }
        int size = std::clamp(startSize_ + delta, minSize_, std::max(minSize_, total - others - minSize_));
        if (horizontal) resizing_->SetWidth(size);
        else resizing_->SetHeight(size);
        Parent()->Update();
      }
      break;
    case WM_LBUTTONUP:
      if (resizing_) {
        resizing_ = nullptr;
        TGraphicControl::WndProc(Message);
        if (OnMoved) OnMoved(this);
        return;
      }
      break;
    case CM_CURSORCHANGED:
      break;
    default:
      break;
  }
  if (Message.Msg == WM_LBUTTONDOWN || Message.Msg == WM_MOUSEMOVE || Message.Msg == WM_LBUTTONUP) {
    SetCursor(horizontal ? crHSplit : crVSplit);
  }
  TGraphicControl::WndProc(Message);
}
