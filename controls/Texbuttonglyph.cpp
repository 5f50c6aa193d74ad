#include "controls/Texbuttonglyph.h"

#include <algorithm>

#include "controls/Ctlbitmaps.h"
#include "platform/rtl/Strutil.h"

namespace {

TGlyphCache* glyphCache = nullptr;

constexpr size_t kCaptionBuffer = 255;
constexpr int kMarkWidth = 9;

// A bitmap of the button face's colour, ready to take an image.
void FaceBitmap(TBitmap& b, int w, int h) {
  b.SetSize(w, h);
  b.Canvas()->Brush()->SetColor(clBtnFace);
  b.Canvas()->FillRect(RECT{0, 0, w, h});
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      lines.push_back(line);
      line.clear();
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      line += text[i];
    }
  }
  lines.push_back(line);
  return lines;
}

}  // namespace

// ---- TGlyphList

TGlyphList::TGlyphList(int AWidth, int AHeight) : TImageList(nullptr) {
  SetWidth(AWidth);
  SetHeight(AHeight);
}

int TGlyphList::AllocateIndex() {
  int index = slots_.OpenBit();
  if (index >= Count()) {
    TBitmap empty;
    FaceBitmap(empty, Width(), Height());
    index = TImageList::AddMasked(&empty, clBtnFace);
    slots_.SetSize(index + 1);
  }
  slots_.SetBits(index, true);
  return index;
}

int TGlyphList::Add(TBitmap* Bitmap, TBitmap* Mask) {
  int index = AllocateIndex();
  Replace(index, Bitmap, Mask);
  ++used_;
  return index;
}

int TGlyphList::AddMasked(TBitmap* Bitmap, TColor MaskColor) {
  int index = AllocateIndex();
  ReplaceMasked(index, Bitmap, MaskColor);
  ++used_;
  return index;
}

void TGlyphList::Delete(int Index) {
  if (Index < 0 || Index >= slots_.Size() || !slots_[Index]) return;
  slots_.SetBits(Index, false);
  --used_;
}

// ---- TGlyphCache

TGlyphCache::~TGlyphCache() {
  for (TGlyphList* l : lists_) delete l;
}

TGlyphList* TGlyphCache::GetList(int AWidth, int AHeight) {
  for (auto it = lists_.rbegin(); it != lists_.rend(); ++it)
    if ((*it)->Width() == AWidth && (*it)->Height() == AHeight) return *it;
  auto* list = new TGlyphList(AWidth, AHeight);
  lists_.push_back(list);
  return list;
}

void TGlyphCache::ReturnList(TGlyphList* List) {
  if (!List || List->UsedCount() != 0) return;
  auto it = std::find(lists_.begin(), lists_.end(), List);
  if (it == lists_.end()) return;
  lists_.erase(it);
  delete List;
}

TGlyphCache* GlyphCache() { return glyphCache; }

// ---- TExButtonGlyph

TExButtonGlyph::TExButtonGlyph() : original_(new TBitmap) {
  original_->OnChange = [this](TObject* Sender) { GlyphChanged(Sender); };
  if (!glyphCache) glyphCache = new TGlyphCache;
}

TExButtonGlyph::~TExButtonGlyph() {
  original_->OnChange = nullptr;
  delete original_;
  Invalidate();
  if (glyphCache && glyphCache->Empty()) {
    delete glyphCache;
    glyphCache = nullptr;
  }
}

void TExButtonGlyph::Invalidate() {
  for (int& index : indexes_) {
    if (index != -1 && glyphList_) glyphList_->Delete(index);
    index = -1;
  }
  if (glyphList_ && glyphCache) glyphCache->ReturnList(glyphList_);
  glyphList_ = nullptr;
}

void TExButtonGlyph::GlyphChanged(TObject*) {
  Invalidate();
  if (original_->Height() > 0) {
    transparentColor_ = static_cast<TColor>(original_->TransparentColor() & ~0x02000000);
    if (original_->Width() % original_->Height() == 0) {
      int count = original_->Width() / original_->Height();
      numGlyphs_ = count > 5 ? 1 : std::max(1, count);
    }
  }
  if (OnChange) OnChange(this);
}

void TExButtonGlyph::SetGlyph(TBitmap* Value) {
  Invalidate();
  if (Value) original_->Assign(Value);
  else original_->SetSize(0, 0);
}

void TExButtonGlyph::SetNumGlyphs(int Value) {
  if (Value <= 0 || Value == numGlyphs_) return;
  Invalidate();
  numGlyphs_ = std::min(Value, 5);
}

bool TExButtonGlyph::HasGlyph() const { return original_->Width() > 0 && original_->Height() > 0; }

TGlyphList* TExButtonGlyph::List(int AWidth, int AHeight) {
  if (!glyphList_) {
    if (!glyphCache) glyphCache = new TGlyphCache;
    glyphList_ = glyphCache->GetList(AWidth, AHeight);
  }
  return glyphList_;
}

TColor TExButtonGlyph::MapColor(TColor Color) const {
  COLORREF rgb = ColorToRGB(Color);
  if (Color == transparentColor_ || rgb == ColorToRGB(clBtnFace)) return Color;
  int grey = (77 * GetRValue(rgb) + 150 * GetGValue(rgb) + 29 * GetBValue(rgb)) >> 8;
  return RGB(grey, grey, grey);
}

int TExButtonGlyph::CreateButtonGlyph(TExButtonState State) {
  if (State == rbsDown && numGlyphs_ < 3) State = rbsUp;
  if (indexes_[State] != -1 || !HasGlyph()) return indexes_[State];
  int w = original_->Width() / numGlyphs_, h = original_->Height();
  if (w <= 0) return -1;
  TGlyphList* list = List(w, h);
  int image = static_cast<int>(State) < numGlyphs_ ? static_cast<int>(State) : 0;
  RECT source{image * w, 0, (image + 1) * w, h};
  TBitmap scratch;
  FaceBitmap(scratch, w, h);
  bool ownImage = State == rbsUp || State == rbsDown || State == rbsExclusive ||
                  (State == rbsDisabled && numGlyphs_ >= 2) || (State == rbsInactive && numGlyphs_ == 5);
  if (ownImage) {
    scratch.Canvas()->CopyRect(RECT{0, 0, w, h}, original_->Canvas(), source);
    indexes_[State] = list->AddMasked(&scratch, transparentColor_);
  } else if (State == rbsDisabled) {
    std::unique_ptr<TBitmap> disabled(CreateDisabledBitmap(original_, clBlack));
    indexes_[State] = list->AddMasked(disabled.get(), ColorToRGB(clBtnFace));
  } else {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) scratch.Canvas()->SetPixels(x, y, MapColor(original_->Canvas()->Pixels(x, y)));
    indexes_[State] = list->AddMasked(&scratch, transparentColor_);
  }
  original_->Dormant();
  return indexes_[State];
}

int TExButtonGlyph::CreateImageGlyph(TExButtonState State, TImageList* Images, int Index) {
  if (State == rbsDown) State = rbsUp;
  if (indexes_[State] != -1 || !Images || Images->Width() <= 0 || Images->Height() <= 0 || Images->Count() == 0)
    return indexes_[State];
  int w = Images->Width(), h = Images->Height();
  TGlyphList* list = List(w, h);
  TBitmap scratch;
  FaceBitmap(scratch, w, h);
  switch (State) {
    case rbsDisabled:
      ImageListDrawDisabled(Images, scratch.Canvas(), 0, 0, Index, clBtnHighlight, clBtnShadow, true);
      indexes_[State] = list->AddMasked(&scratch, ColorToRGB(clBtnFace));
      break;
    case rbsInactive:
      Images->Draw(scratch.Canvas(), 0, 0, Index);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) scratch.Canvas()->SetPixels(x, y, MapColor(scratch.Canvas()->Pixels(x, y)));
      indexes_[State] = list->AddMasked(&scratch, ColorToRGB(clBtnFace));
      break;
    case rbsUp:
    case rbsExclusive: {
      Images->Draw(scratch.Canvas(), 0, 0, Index);
      TBitmap picture, mask;
      Images->GetBitmap(Index, &picture);
      COLORREF clear = ColorToRGB(picture.TransparentColor());
      mask.SetSize(w, h);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
          mask.Canvas()->SetPixels(x, y, ColorToRGB(picture.Canvas()->Pixels(x, y)) == clear ? clWhite : clBlack);
      indexes_[State] = list->Add(&scratch, &mask);
      break;
    }
    default:
      break;
  }
  return indexes_[State];
}

SIZE TExButtonGlyph::DrawButtonGlyph(TCanvas* Canvas, int X, int Y, TExButtonState State) {
  if (!HasGlyph()) return SIZE{0, 0};
  int index = CreateButtonGlyph(State);
  if (index < 0 || !glyphList_) return SIZE{0, 0};
  glyphList_->Draw(Canvas, X, Y, index);
  return SIZE{glyphList_->Width(), glyphList_->Height()};
}

SIZE TExButtonGlyph::DrawButtonImage(TCanvas* Canvas, int X, int Y, TImageList* Images, int Index,
                                     TExButtonState State) {
  if (!Images || Index < 0 || Index >= Images->Count()) return SIZE{0, 0};
  if (State == rbsDisabled) {
    ImageListDrawDisabled(Images, Canvas, X, Y, Index, clBtnHighlight, clBtnShadow, true);
  } else if (State == rbsInactive) {
    int index = CreateImageGlyph(State, Images, Index);
    if (index >= 0 && glyphList_) glyphList_->Draw(Canvas, X, Y, index);
  } else {
    Images->Draw(Canvas, X, Y, Index);
  }
  return SIZE{Images->Width(), Images->Height()};
}

void TExButtonGlyph::DrawButtonText(TCanvas* Canvas, const std::string& Caption, RECT TextBounds,
                                    TExButtonState State, UINT Flags) {
  Canvas->Brush()->SetStyle(bsClear);
  std::string text = Caption.substr(0, kCaptionBuffer);
  UINT flags = DT_VCENTER | (wordWrap_ ? DT_WORDBREAK : 0) | Flags;
  DrawControlText(Canvas, text, TextBounds, flags, State != rbsDisabled);
}

void TExButtonGlyph::DrawPopupMark(TCanvas* Canvas, int X, int Y, TExButtonState State) {
  auto triangle = [&](int x, int y, TColor color) {
    COLORREF c = ColorToRGB(color);
    for (int i = 0; i <= 6; ++i) Canvas->SetPixels(x + i, y - 1, c);
    for (int i = 1; i <= 5; ++i) Canvas->SetPixels(x + i, y, c);
    for (int i = 2; i <= 4; ++i) Canvas->SetPixels(x + i, y + 1, c);
    Canvas->SetPixels(x + 3, y + 2, c);
  };
  if (State == rbsDisabled) {
    triangle(X + 1, Y + 1, clBtnHighlight);
    triangle(X, Y, clBtnShadow);
  } else {
    triangle(X, Y, clBtnText);
  }
}

std::string TExButtonGlyph::MinimizeCaption(TCanvas* Canvas, const std::string& Caption, int Width) {
  std::string buffer = Caption.substr(0, kCaptionBuffer);
  if (wordWrap_) return buffer;
  std::string joined;
  std::vector<std::string> lines = Lines(buffer);
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) joined += "\r\n";
    joined += MinimizeText(lines[i], Canvas, Width);
  }
  return TrimRight(joined);
}

void TExButtonGlyph::CalcButtonLayout(TCanvas* Canvas, const RECT& Client, std::string& Caption,
                                      TButtonLayout Layout, int Margin, int Spacing, bool PopupMark,
                                      POINT& GlyphPos, RECT& TextBounds, UINT Flags, TImageList* Images,
                                      int Index) {
  int clientW = WidthOf(Client), clientH = HeightOf(Client);
  SIZE glyph{0, 0};
  if (Images && Images->Width() >= 1 && Index >= 0 && Index < Images->Count())
    glyph = SIZE{Images->Width(), Images->Height()};
  else if (HasGlyph())
    glyph = SIZE{original_->Width() / numGlyphs_, original_->Height()};
  bool sideways = Layout == blGlyphLeft || Layout == blGlyphRight;
  int extra = (Margin != -1 ? Margin : 0) + (Spacing != -1 ? Spacing : 0);
  int roomW = sideways ? clientW - glyph.cx - extra - (PopupMark ? kMarkWidth : 0) : clientW;
  int roomH = sideways ? clientH : clientH - glyph.cy - extra;
  roomW = std::max(0, roomW);
  roomH = std::max(0, roomH);

  Caption = MinimizeCaption(Canvas, Caption, roomW);
  TextBounds = RECT{0, 0, 0, 0};
  if (!Caption.empty())
    TextBounds = CalcTextRect(Canvas->Font(), Caption,
                              DT_CENTER | DT_VCENTER | (wordWrap_ ? DT_WORDBREAK : 0) | Flags, roomW);
  SIZE text{std::min<LONG>(WidthOf(TextBounds), roomW), std::min<LONG>(HeightOf(TextBounds), roomH)};
  TextBounds.right = TextBounds.left + text.cx;
  TextBounds.bottom = TextBounds.top + text.cy;

  if (PopupMark) {
    if (glyph.cx == 0 || glyph.cy == 0 || Layout == blGlyphLeft) text.cx += kMarkWidth;
    else if (glyph.cx > 0) glyph.cx += 6;
  }
  POINT textPos{0, 0};
  if (sideways) {
    GlyphPos.y = clientH / 2 - glyph.cy / 2;
    textPos.y = clientH / 2 - text.cy / 2;
  } else {
    GlyphPos.x = clientW / 2 - glyph.cx / 2;
    textPos.x = clientW / 2 - text.cx / 2;
  }
  if (text.cx == 0 || glyph.cx == 0) Spacing = 0;
  int client = sideways ? clientW : clientH;
  int glyphSize = sideways ? glyph.cx : glyph.cy;
  int textSize = sideways ? text.cx : text.cy;
  if (Margin == -1 && Spacing == -1) {
    Margin = Spacing = (client - glyphSize - textSize) / 3;
  } else if (Margin == -1) {
    Margin = client / 2 - (glyphSize + Spacing + textSize) / 2;
  } else if (Spacing == -1) {
    Spacing = (client - (Margin + glyphSize)) / 2 - textSize / 2;
  }
  switch (Layout) {
    case blGlyphLeft:
      GlyphPos.x = Margin;
      textPos.x = GlyphPos.x + glyph.cx + Spacing;
      break;
    case blGlyphRight:
      GlyphPos.x = clientW - Margin - glyph.cx;
      textPos.x = GlyphPos.x - Spacing - text.cx;
      break;
    case blGlyphTop:
      GlyphPos.y = Margin;
      textPos.y = GlyphPos.y + glyph.cy + Spacing;
      break;
    case blGlyphBottom:
      GlyphPos.y = clientH - Margin - glyph.cy;
      textPos.y = GlyphPos.y - Spacing - text.cy;
      break;
  }
  GlyphPos.x += Client.left;
  GlyphPos.y += Client.top;
  OffsetRect(&TextBounds, textPos.x + Client.left - TextBounds.left, textPos.y + Client.top - TextBounds.top);
}

RECT TExButtonGlyph::Draw(TCanvas* Canvas, const RECT& Client, const std::string& Caption, TButtonLayout Layout,
                          int Margin, int Spacing, bool PopupMark, TExButtonState State, UINT Flags) {
  return DrawEx(Canvas, Client, Caption, Layout, Margin, Spacing, PopupMark, nullptr, -1, State, Flags);
}

RECT TExButtonGlyph::DrawEx(TCanvas* Canvas, const RECT& Client, const std::string& Caption, TButtonLayout Layout,
                            int Margin, int Spacing, bool PopupMark, TImageList* Images, int Index,
                            TExButtonState State, UINT Flags) {
  std::string caption = Caption;
  POINT glyphPos{};
  RECT textBounds{};
  CalcButtonLayout(Canvas, Client, caption, Layout, Margin, Spacing, PopupMark, glyphPos, textBounds, Flags, Images,
                   Index);
  bool usable = Images && Index >= 0 && Index < Images->Count() && Images->Width() > 0;
  SIZE drawn = usable ? DrawButtonImage(Canvas, glyphPos.x, glyphPos.y, Images, Index, State)
                      : DrawButtonGlyph(Canvas, glyphPos.x, glyphPos.y, State);
  DrawButtonText(Canvas, caption, textBounds, State, Flags);
  if (PopupMark) {
    if (Layout != blGlyphLeft && drawn.cx > 0 && drawn.cy > 0)
      DrawPopupMark(Canvas, glyphPos.x + drawn.cx + 1, glyphPos.y + drawn.cy / 2, State);
    else if (!caption.empty())
      DrawPopupMark(Canvas, textBounds.right + 3, textBounds.top + HeightOf(textBounds) / 2, State);
    else
      DrawPopupMark(Canvas, (Client.left + Client.right - 7) / 2, textBounds.top + HeightOf(textBounds) / 2, State);
  }
  return textBounds;
}

// ---- TButtonImage

TButtonImage::TButtonImage() : glyph_(new TExButtonGlyph) {}

TButtonImage::~TButtonImage() { delete glyph_; }

void TButtonImage::Draw(TCanvas* Canvas, int X, int Y, int Margin, int Spacing, TButtonLayout Layout, TFont* AFont,
                        UINT Flags) {
  DrawEx(Canvas, X, Y, Margin, Spacing, Layout, AFont, nullptr, -1, Flags);
}

void TButtonImage::DrawEx(TCanvas* Canvas, int X, int Y, int Margin, int Spacing, TButtonLayout Layout,
                          TFont* AFont, TImageList* Images, int ImageIndex, UINT Flags) {
  TColor brushColor = Canvas->Brush()->Color();
  TFont savedFont;
  savedFont.Assign(Canvas->Font());
  RECT target{X, Y, X + size_.cx, Y + size_.cy};
  Canvas->Brush()->SetColor(clBtnFace);
  Canvas->FillRect(target);
  RECT frame = target;
  Frame3D(Canvas, frame, clBtnShadow, clWindowFrame, 1);
  Frame3D(Canvas, frame, clBtnHighlight, clBtnShadow, 1);
  if (AFont) Canvas->Font()->Assign(AFont);
  glyph_->DrawEx(Canvas, target, caption_, Layout, Margin, Spacing, false, Images, ImageIndex, rbsUp, Flags);
  Canvas->Font()->Assign(&savedFont);
  Canvas->Brush()->SetColor(brushColor);
  Canvas->Brush()->SetStyle(bsSolid);
}

// ---- Frame

RECT DrawButtonFrame(TCanvas* Canvas, const RECT& Client, bool IsDown, bool IsFlat, TButtonStyle Style) {
  bool newStyle = Style == bsNew || (Style == bsAutoDetect && NewStyleControls);
  RECT r = Client;
  if (!IsDown) {
    if (newStyle && !IsFlat) {
      Frame3D(Canvas, r, clBtnHighlight, clWindowFrame, 1);
      Frame3D(Canvas, r, clBtnFace, clBtnShadow, 1);
    } else if (newStyle) {
      Frame3D(Canvas, r, clBtnHighlight, clBtnShadow, 1);
    } else if (!IsFlat) {
      Frame3D(Canvas, r, clWindowFrame, clWindowFrame, 1);
      Frame3D(Canvas, r, clBtnHighlight, clBtnShadow, 1);
    } else {
      Frame3D(Canvas, r, clBtnHighlight, clWindowFrame, 1);
    }
  } else if (newStyle && !IsFlat) {
    Frame3D(Canvas, r, clWindowFrame, clBtnHighlight, 1);
    Frame3D(Canvas, r, clBtnShadow, clBtnFace, 1);
  } else if (!newStyle && !IsFlat) {
    Frame3D(Canvas, r, clWindowFrame, clWindowFrame, 1);
    TColor old = Canvas->Pen()->Color();
    Canvas->Pen()->SetColor(clBtnShadow);
    Canvas->Polyline({POINT{r.left, r.bottom - 1}, POINT{r.left, r.top}, POINT{r.right, r.top}});
    Canvas->Pen()->SetColor(old);
  } else {
    Frame3D(Canvas, r, clWindowFrame, clBtnHighlight, 1);
  }
  InflateRect(&r, -1, -1);
  return r;
}
