#include "controls/Tsecretpanel.h"

#include <algorithm>

#include "platform/forms/Colors.h"
#include "platform/gui/Gui.h"
#include "platform/rtl/Strutil.h"

namespace {
// Posted by the timer's worker: draw the current step.
constexpr UINT kPaintStep = WM_USER + 0x0A51;

bool Blank(const std::string& s) { return Trim(s).empty(); }
}  // namespace

TSecretPanel::TSecretPanel(TComponent* AOwner)
    : TPanel(AOwner),
      lines_(std::make_unique<TStringList>()),
      timer_(std::make_unique<TExTimer>(nullptr)),
      glyph_(std::make_unique<TBitmap>()) {
  controlStyle_.Exclude(csSetCaption);
  SetBevelOuter(bvLowered);
  timer_->SetEnabled(false);
  timer_->SetInterval(30);
  timer_->SetSyncEvent(false);
  timer_->SetOnTimer([this](TObject*) { TimerExpired(); });
  lines_->OnChange = [this](TObject*) { LinesChanged(); };
  glyph_->OnChange = [this](TObject*) { ChangedWhileActive(); };
}

TSecretPanel::~TSecretPanel() {
  destroying_ = true;
  SetActive(false);
  // The worker ends before the panel's state goes.
  timer_.reset();
  lines_->OnChange = nullptr;
  glyph_->OnChange = nullptr;
}

void TSecretPanel::SetActive(bool Value) {
  if (Value == active_) return;
  if (Value) {
    {
      std::lock_guard<std::recursive_mutex> guard(lock_);
      active_ = true;
      scrollCount_ = 0;
      UpdateMemoryImage();
    }
    timer_->SetEnabled(true);
    StartPlay();
    if (!destroying_) {
      hidden_.clear();
      for (int i = 0; i < ControlCount(); ++i) {
        TControl* c = Controls(i);
        if (!c->Visible()) continue;
        hidden_.push_back(c);
        if (!ComponentState().Contains(csDesigning)) c->Hide();
      }
    }
  } else {
    {
      // No step draws while the image goes.
      std::lock_guard<std::recursive_mutex> guard(lock_);
      timer_->SetEnabled(false);
      active_ = false;
      scrollCount_ = 0;
      memoryImage_.reset();
    }
    StopPlay();
    if (!destroying_) {
      for (TControl* c : hidden_)
        if (ContainsControl(c)) {
          c->Show();
          c->Repaint();
        }
      hidden_.clear();
    }
  }
  Invalidate();
}

void TSecretPanel::SetCycled(bool Value) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  cycled_ = Value;
}

void TSecretPanel::SetGlyph(TBitmap* Value) {
  TBitmap none;
  glyph_->Assign(Value ? Value : &none);
}

void TSecretPanel::SetAsyncDrawing(bool Value) {
  asyncDrawing_ = Value;
  timer_->SetSyncEvent(!Value);
}

void TSecretPanel::StartPlay() {
  if (OnStartPlay) OnStartPlay(this);
}

void TSecretPanel::StopPlay() {
  if (OnStopPlay) OnStopPlay(this);
}

void TSecretPanel::PaintClient(TCanvas* Canvas, const RECT& Rect) {
  if (OnPaintClient) OnPaintClient(this, Canvas, Rect);
  else Canvas->FillRect(Rect);
}

int TSecretPanel::ScrollCount() const {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  return scrollCount_;
}

int TSecretPanel::MaxScroll() const {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  return maxScroll_;
}

// ---- changes

void TSecretPanel::ChangedWhileActive() {
  if (!active_) return;
  {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    UpdateMemoryImage();
  }
  Invalidate();
}

void TSecretPanel::LinesChanged() {
  if (!active_) return;
  {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    scrollCount_ = 0;
  }
  ChangedWhileActive();
}

void TSecretPanel::SetScrollDirection(TScrollDirection Value) {
  if (Value == direction_) return;
  direction_ = Value;
  if (!active_) return;
  {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    scrollCount_ = 0;
  }
  ChangedWhileActive();
}

void TSecretPanel::SetTextStyle(TBevelCut Value) {
  if (Value == textStyle_) return;
  textStyle_ = Value;
  ChangedWhileActive();
}

void TSecretPanel::SetGlyphLayout(TGlyphLayout Value) {
  if (Value == glyphLayout_) return;
  glyphLayout_ = Value;
  ChangedWhileActive();
}

void TSecretPanel::FontChanged() {
  TPanel::FontChanged();
  ChangedWhileActive();
}

void TSecretPanel::ColorChanged() {
  TPanel::ColorChanged();
  ChangedWhileActive();
}

void TSecretPanel::BoundsChanged(const RECT& Old) {
  TPanel::BoundsChanged(Old);
  if (Old.right - Old.left != Width() || Old.bottom - Old.top != Height()) ChangedWhileActive();
}

// ---- layout

int TSecretPanel::InflateWidth() const {
  int inset = BorderWidth();
  if (BevelOuter() != bvNone) inset += BevelWidth();
  if (BevelInner() != bvNone) inset += BevelWidth();
  return inset;
}

void TSecretPanel::RecalcDrawRect() {
  RECT client{0, 0, Width(), Height()};
  int inset = InflateWidth();
  paintRect_ = client;
  InflateRect(&paintRect_, -inset, -inset);
  int w = inset + 3;
  textRect_ = client;
  InflateRect(&textRect_, -w, -w);
  RECT& t = textRect_;
  int gw = glyph_->Empty() ? 0 : glyph_->Width(), gh = glyph_->Empty() ? 0 : glyph_->Height();
  switch (glyphLayout_) {
    case glGlyphLeft:
      glyphOrigin_.x = t.left;
      glyphOrigin_.y = std::max<int>(t.top, (t.top + t.bottom - gh) / 2);
      if (gw > 0) {
        glyphOrigin_.x += 3;
        t.left = glyphOrigin_.x + gw + w;
      }
      break;
    case glGlyphRight:
      glyphOrigin_.y = std::max<int>(t.top, (t.top + t.bottom - gh) / 2);
      glyphOrigin_.x = t.right - gw;
      if (gw > 0) {
        glyphOrigin_.x = std::max<int>(glyphOrigin_.x - 3, t.left);
        t.right = glyphOrigin_.x - w;
      }
      break;
    case glGlyphTop:
      glyphOrigin_.y = t.top;
      glyphOrigin_.x = std::max<int>(t.left, (t.left + t.right - gw) / 2);
      if (gh > 0) {
        glyphOrigin_.y += 3;
        t.top = glyphOrigin_.y + gh + w + 3;
      }
      break;
    case glGlyphBottom:
      glyphOrigin_.x = std::max<int>(t.left, (t.left + t.right - gw) / 2);
      glyphOrigin_.y = t.bottom - gh;
      if (gh > 0) {
        glyphOrigin_.y = std::max<int>(glyphOrigin_.y - 3, t.top);
        t.bottom = glyphOrigin_.y - (w + 3);
      }
      break;
  }
  if (direction_ == sdHorizontal) {
    // The block of lines is centred; trailing blank lines do not count.
    int last = lines_->Count() - 1;
    while (last >= 0 && Blank(lines_->Strings(last))) --last;
    int block = (last - firstLine_ + 1) * lineHeight_;
    int room = t.bottom - t.top;
    if (room > block) {
      InflateRect(&t, 0, -(room - block) / 2);
    }
  }
  if (t.right <= t.left || t.bottom <= t.top) t = RECT{0, 0, 0, 0};
}

void TSecretPanel::UpdateMemoryImage() {
  if (!memoryImage_) memoryImage_ = std::make_unique<TBitmap>();
  firstLine_ = 0;
  while (firstLine_ < lines_->Count() && Blank(lines_->Strings(firstLine_))) ++firstLine_;
  window_ = HandleAllocated() ? Handle() : nullptr;
  TCanvas* c = memoryImage_->Canvas();
  c->Font()->Assign(Font());
  TEXTMETRIC tm{};
  c->TextHeight("W");  // the font is selected
  GetTextMetrics(c->Handle(), &tm);
  lineHeight_ = tm.tmHeight + tm.tmExternalLeading + (textStyle_ != bvNone ? 1 : 0);
  RecalcDrawRect();
  int width = textRect_.right - textRect_.left, height = textRect_.bottom - textRect_.top;
  if (direction_ == sdVertical) {
    maxScroll_ = height + (lines_->Count() - firstLine_) * lineHeight_;
  } else {
    int widest = 0;
    for (int i = firstLine_; i < lines_->Count(); ++i) widest = std::max(widest, c->TextWidth(lines_->Strings(i)));
    maxScroll_ = widest + width;
  }
  memoryImage_->SetSize(width, height);
  c->Brush()->SetColor(Color());
}

// ---- playing

void TSecretPanel::TimerExpired() {
  HWND target = nullptr;
  {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    if (!active_ || destroying_) return;
    bool through = scrollCount_ >= maxScroll_ && !cycled_;
    if (!through) {
      scrollCount_ = scrollCount_ >= maxScroll_ ? 0 : scrollCount_ + 1;
      if (!memoryImage_) return;
      target = window_;
    }
  }
  if (!target) {
    // Through: stopping changes the controls, always on the main thread.
    timer_->Synchronize([this] {
      if (!destroying_) Stop();
    });
    return;
  }
  if (platform::IsMainThread()) PaintText();
  else if (!paintPosted_.exchange(true) && !PostMessage(target, kPaintStep, 0, 0)) paintPosted_ = false;
}

void TSecretPanel::PaintText() {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  if (!memoryImage_ || lines_->Count() == 0 || !HandleAllocated()) return;
  int width = textRect_.right - textRect_.left, height = textRect_.bottom - textRect_.top;
  if (width <= 0 || height <= 0) return;
  TCanvas* m = memoryImage_->Canvas();
  // The panel's background behind the text rectangle.
  HDC dc = m->Handle();
  POINT oldOrigin{};
  SetWindowOrgEx(dc, textRect_.left, textRect_.top, &oldOrigin);
  m->Brush()->SetColor(Color());
  PaintClient(m, paintRect_);
  SetWindowOrgEx(dc, oldOrigin.x, oldOrigin.y, nullptr);
  RECT r{0, 0, width, height};
  if (direction_ == sdVertical) {
    r.top = r.bottom - scrollCount_;
  } else {
    r.left = r.right - scrollCount_;
    r.right = r.left + (maxScroll_ - width);
  }
  r.bottom = r.top + lineHeight_;
  UINT align = Alignment() == taCenter ? DT_CENTER : Alignment() == taRightJustify ? DT_RIGHT : DT_LEFT;
  UINT flags = DT_EXPANDTABS | DT_SINGLELINE | DT_NOCLIP | DT_NOPREFIX | align;
  m->Font()->Assign(Font());
  m->TextHeight("W");  // the font and its colour are selected
  SetBkMode(dc, TRANSPARENT);
  COLORREF ink = ColorToRGB(Font()->Color());
  for (int i = firstLine_; i <= lines_->Count(); ++i) {
    if (r.top >= height) break;
    if (r.bottom > 0) {
      std::string line = i < lines_->Count() ? lines_->Strings(i).substr(0, 255) : " ";
      if (textStyle_ != bvNone) {
        RECT shadow = r;
        int d = textStyle_ == bvLowered ? 1 : -1;
        OffsetRect(&shadow, d, d);
        SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
        DrawText(dc, line.c_str(), static_cast<int>(line.size()), &shadow, flags);
      }
      SetTextColor(dc, ink);
      RECT target = r;
      DrawText(dc, line.c_str(), static_cast<int>(line.size()), &target, flags);
    }
    OffsetRect(&r, 0, lineHeight_);
  }
  HDC panel = GetDC(Handle());
  BitBlt(panel, textRect_.left, textRect_.top, width, height, dc, 0, 0, SRCCOPY);
  ReleaseDC(Handle(), panel);
  ValidateRect(Handle(), &textRect_);
}

void TSecretPanel::PaintGlyph() {
  if (glyph_->Empty()) return;
  glyph_->SetTransparent(true);
  Canvas()->Draw(glyphOrigin_.x, glyphOrigin_.y, glyph_.get());
}

void TSecretPanel::Paint() {
  TPanel::Paint();
  std::lock_guard<std::recursive_mutex> guard(lock_);
  window_ = Handle();
  RecalcDrawRect();
  TCanvas* c = Canvas();
  c->Brush()->SetColor(Color());
  PaintClient(c, paintRect_);
  if (active_) PaintGlyph();
}

void TSecretPanel::WndProc(TMessage& Message) {
  if (Message.Msg == kPaintStep) {
    paintPosted_ = false;
    PaintText();
    return;
  }
  TPanel::WndProc(Message);
}
