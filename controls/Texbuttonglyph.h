#pragma once
// Button pictures: a glyph bitmap of up to five state images cut into per-state
// images kept in shared image lists, the layout of glyph, caption and drop-down mark
// on a button, and the drawing of all three and of the button's frame.

#include <string>
#include <vector>

#include "platform/forms/Forms.h"
#include "platform/rtl/Tbits.h"

// The states of a button; the ordinal is the index of the state's glyph image.
enum TExButtonState { rbsUp, rbsDisabled, rbsDown, rbsExclusive, rbsInactive };
enum TExDropDownMenuPos { dmpBottom, dmpRight };
enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
enum TButtonStyle { bsAutoDetect, bsWin31, bsNew };

// An image list whose slots are handed out and given back; a freed slot keeps its
// picture until it is reused.
class TGlyphList : public TImageList {
 public:
  TGlyphList(int AWidth, int AHeight);
  // The lowest free slot (the list grows when every slot is in use), marked used.
  int AllocateIndex();
  int Add(TBitmap* Bitmap, TBitmap* Mask);
  int AddMasked(TBitmap* Bitmap, TColor MaskColor);
  void Delete(int Index);
  int UsedCount() const { return used_; }

 private:
  TBits slots_;
  int used_ = 0;
};

// The glyph lists of the process, one per image size.
class TGlyphCache : public TObject {
 public:
  ~TGlyphCache() override;
  // A list of exactly that size, the most recently made first; made when none fits.
  TGlyphList* GetList(int AWidth, int AHeight);
  // Frees a list that has no used slot left.
  void ReturnList(TGlyphList* List);
  bool Empty() const { return lists_.empty(); }

 private:
  std::vector<TGlyphList*> lists_;
};

// The cache in use, null when there is none.
TGlyphCache* GlyphCache();

class TExButtonGlyph : public TObject {
 public:
  TExButtonGlyph();
  ~TExButtonGlyph() override;
  TExButtonGlyph(const TExButtonGlyph&) = delete;
  TExButtonGlyph& operator=(const TExButtonGlyph&) = delete;

  // Drops every state image made so far.
  void Invalidate();
  int CreateButtonGlyph(TExButtonState State);
  int CreateImageGlyph(TExButtonState State, TImageList* Images, int Index);
  // A colour of the grey (inactive) image.
  TColor MapColor(TColor Color) const;
  // Each returns the size of what it drew (0 x 0 for nothing).
  SIZE DrawButtonGlyph(TCanvas* Canvas, int X, int Y, TExButtonState State);
  SIZE DrawButtonImage(TCanvas* Canvas, int X, int Y, TImageList* Images, int Index, TExButtonState State);
  void DrawButtonText(TCanvas* Canvas, const std::string& Caption, RECT TextBounds, TExButtonState State,
                      UINT Flags);
  void DrawPopupMark(TCanvas* Canvas, int X, int Y, TExButtonState State);
  // The caption (at most 255 characters), each line shortened to Width unless words wrap.
  std::string MinimizeCaption(TCanvas* Canvas, const std::string& Caption, int Width);
  void CalcButtonLayout(TCanvas* Canvas, const RECT& Client, std::string& Caption, TButtonLayout Layout,
                        int Margin, int Spacing, bool PopupMark, POINT& GlyphPos, RECT& TextBounds, UINT Flags,
                        TImageList* Images, int Index);
  // Glyph (or image), caption and mark; the bounds of the caption drawn.
  RECT Draw(TCanvas* Canvas, const RECT& Client, const std::string& Caption, TButtonLayout Layout, int Margin,
            int Spacing, bool PopupMark, TExButtonState State, UINT Flags);
  RECT DrawEx(TCanvas* Canvas, const RECT& Client, const std::string& Caption, TButtonLayout Layout, int Margin,
              int Spacing, bool PopupMark, TImageList* Images, int Index, TExButtonState State, UINT Flags);

  TBitmap* Glyph() const { return original_; }
  void SetGlyph(TBitmap* Value);
  int NumGlyphs() const { return numGlyphs_; }
  void SetNumGlyphs(int Value);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool Value) { wordWrap_ = Value; }
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment Value) { alignment_ = Value; }
  TColor TransparentColor() const { return transparentColor_; }
  TNotifyEvent OnChange;

 private:
  void GlyphChanged(TObject* Sender);
  TGlyphList* List(int AWidth, int AHeight);
  bool HasGlyph() const;

  TBitmap* original_;
  TGlyphList* glyphList_ = nullptr;
  int indexes_[5] = {-1, -1, -1, -1, -1};
  TColor transparentColor_ = 0xFF00FF;
  int numGlyphs_ = 1;
  bool wordWrap_ = false;
  TAlignment alignment_ = taCenter;
};

// A button picture of a fixed size for any canvas.
class TButtonImage : public TObject {
 public:
  TButtonImage();
  ~TButtonImage() override;
  TBitmap* Glyph() const { return glyph_->Glyph(); }
  void SetGlyph(TBitmap* Value) { glyph_->SetGlyph(Value); }
  int NumGlyphs() const { return glyph_->NumGlyphs(); }
  void SetNumGlyphs(int Value) { glyph_->SetNumGlyphs(Value); }
  bool WordWrap() const { return glyph_->WordWrap(); }
  void SetWordWrap(bool Value) { glyph_->SetWordWrap(Value); }
  TAlignment Alignment() const { return glyph_->Alignment(); }
  void SetAlignment(TAlignment Value) { glyph_->SetAlignment(Value); }
  SIZE ButtonSize() const { return size_; }
  void SetButtonSize(SIZE Value) { size_ = Value; }
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& Value) { caption_ = Value; }
  void Invalidate() { glyph_->Invalidate(); }
  void Draw(TCanvas* Canvas, int X, int Y, int Margin, int Spacing, TButtonLayout Layout, TFont* AFont,
            UINT Flags);
  void DrawEx(TCanvas* Canvas, int X, int Y, int Margin, int Spacing, TButtonLayout Layout, TFont* AFont,
              TImageList* Images, int ImageIndex, UINT Flags);

 private:
  TExButtonGlyph* glyph_;
  SIZE size_{24, 23};
  std::string caption_;
};

// A button's frame by its state and style; returns the rectangle inside it.
RECT DrawButtonFrame(TCanvas* Canvas, const RECT& Client, bool IsDown, bool IsFlat, TButtonStyle Style);
