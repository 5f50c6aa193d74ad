#include "browse/Thyperrefinfo.h"

#include "browse/Tbrowse.h"
#include "browse/Tformbrowse.h"
#include "foundation/Runexternalbrowser.h"
#include "platform/forms/Tpaintbox.h"
#include "platform/forms/Tpanel.h"
#include "platform/forms/Tscreen.h"
#include "platform/gui/Gui.h"

void THyperRefInfo::Add(uint8_t kind, int owner, int x, int y, int width, int height, const TStr& text) {
  THyperRefInfoItem item;
  item.Owner = owner;
  item.X = int16_t(x);
  item.Y = int16_t(y);
  item.Width = int16_t(width);
  item.Height = int16_t(height);
  item.Text = text;
  item.Kind = kind;
  Items.AddItem(std::move(item));
}

void THyperRefInfo::RemoveOwner(int owner) {
  // The areas of other owners stay where they are drawn, and so does their hover; only its
  // position in the list moves with the removals before it.
  int hovered = Hovered;
  for (int i = int(Items.Count()) - 1; i >= 0; --i) {
    if (Items[uint32_t(i)].Owner != owner) continue;
    if (i == hovered) hovered = -1;
    else if (i < hovered) --hovered;
    Items.Delete(uint32_t(i));
  }
  Hovered = int16_t(hovered);
}

bool THyperRefInfo::IsHovered(int owner, int x, int y, int width, int height) const {
  if (Hovered < 0 || Hovered >= int(Items.Count())) return false;
  const THyperRefInfoItem& item = Items[uint32_t(Hovered)];
  return item.Owner == owner && item.X == x && item.Y == y && item.Width == width && item.Height == height;
}

int THyperRefInfo::FindArea(int owner, int x, int y) const {
  for (uint32_t i = 0; i < Items.Count(); ++i)
    if (Items[i].Owner == owner && Items[i].Holds(x, y)) return int(i);
  return -1;
}

bool THyperRefInfo::HitTest(int owner, int x, int y) {
  const int area = FindArea(owner, x, y);
  if (area < 0) {
    DropHover();
    return false;
  }
  SetHovered(area);
  return true;
}

void THyperRefInfo::SetHovered(int area) {
  if (area == Hovered) return;
  DropHover();
  Hovered = int16_t(area);
  if (area != -1) InvalidateArea(area);
  if (Screen) Screen->SetCursor(crHandPoint);
}

void THyperRefInfo::InvalidateArea(int area) {
  if (!Browse || !Browse->Form || area < 0 || area >= int(Items.Count())) return;
  const THyperRefInfoItem& item = Items[uint32_t(area)];
  TFormBrowse& form = *Browse->Form;
  const bool recording = fRecording;
  fRecording = false;
  RECT r{item.X, item.Y, item.X + item.Width, item.Y + item.Height};
  TWinControl* panel = nullptr;
  TControl* box = nullptr;
  if (item.Owner == HyperRefOwner_Upper) {
    panel = form.PanelUpperBlockPaintBox;
    box = form.PaintBoxUpperBlock;
  } else if (item.Owner >= 0) {
    const RECT row = Browse->GetLowerListRowRect(item.Owner);
    OffsetRect(&r, row.left, row.top);
    panel = form.PanelLowerListPaintBox;
    box = form.PaintBoxLowerList;
  }
  if (panel && panel->HandleAllocated()) {
    // The paint box has no window of its own: its rectangle lies in the panel's.
    OffsetRect(&r, box->Left(), box->Top());
    InvalidateRect(panel->Handle(), &r, FALSE);
    panel->Update();
  }
  fRecording = recording;
}

bool THyperRefInfo::Click(TMouseButton button, int owner, int x, int y) {
  const int area = FindArea(owner, x, y);
  if (area < 0) return false;
  DropHover();
  // Copies: going to a block draws the texts again, and their areas with them.
  const uint8_t kind = Items[uint32_t(area)].Kind;
  const std::string text = Items[uint32_t(area)].Text.ToString();
  if (!Browse) return true;
  if (kind == HyperRef_Reference) {
    if (button == mbLeft) Browse->GoToReference(text);
    else if (button == mbRight) Browse->ShowReferencePopup(text);
  } else if (kind == HyperRef_Link && button == mbLeft) {
    RunExternalBrowser(text);
  }
  return true;
}

void THyperRefInfo::DropHover() {
  if (Hovered < 0) return;
  const int area = Hovered;
  Hovered = -1;
  InvalidateArea(area);
  if (Screen) Screen->SetCursor(crDefault);
}
