#pragma once
// TSecretPanel: a panel that, while active, hides its child controls and plays its
// Lines as credits: the text scrolls through the panel bottom to top (vertical) or
// right to left (horizontal), one pixel a tick of its timer, beside an optional glyph,
// optionally in a loop. The text is drawn into an off-screen image and copied into
// the panel.
//
// With AsyncDrawing the timer ticks on its own thread. The window system draws only
// on the main thread, so the worker keeps the time and asks the panel's window to
// draw the current step; the panel's state is shared under one lock.

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "controls/Textimer.h"
#include "platform/forms/Tbitmap.h"
#include "platform/forms/Tpanel.h"
#include "platform/rtl/Tstringlist.h"

enum TGlyphLayout { glGlyphLeft, glGlyphRight, glGlyphTop, glGlyphBottom };
enum TScrollDirection { sdVertical, sdHorizontal };
using TPanelPaintEvent = std::function<void(TObject* Sender, TCanvas* Canvas, const RECT& Rect)>;

class TSecretPanel : public TPanel {
 public:
  explicit TSecretPanel(TComponent* AOwner);
  ~TSecretPanel() override;

  void Play() { SetActive(true); }
  void Stop() { SetActive(false); }
  bool Active() const { return active_; }
  void SetActive(bool Value);
  bool AsyncDrawing() const { return asyncDrawing_; }
  void SetAsyncDrawing(bool Value);
  bool Cycled() const { return cycled_; }
  void SetCycled(bool Value);
  TBitmap* Glyph() const { return glyph_.get(); }
  // None clears the glyph.
  void SetGlyph(TBitmap* Value);
  TGlyphLayout GlyphLayout() const { return glyphLayout_; }
  void SetGlyphLayout(TGlyphLayout Value);
  unsigned Interval() const { return timer_->Interval(); }
  void SetInterval(unsigned Value) { timer_->SetInterval(Value); }
  TStrings* Lines() const { return lines_.get(); }
  void SetLines(TStrings* Value) { lines_->Assign(Value); }
  TScrollDirection ScrollDirection() const { return direction_; }
  void SetScrollDirection(TScrollDirection Value);
  TBevelCut TextStyle() const { return textStyle_; }
  void SetTextStyle(TBevelCut Value);

  // Pixels scrolled so far and how far the text goes before it is through.
  int ScrollCount() const;
  int MaxScroll() const;
  // Where the text and the glyph go (client coordinates).
  RECT TextRect() const { return textRect_; }
  POINT GlyphOrigin() const { return glyphOrigin_; }

  TPanelPaintEvent OnPaintClient;
  TNotifyEvent OnStartPlay;
  TNotifyEvent OnStopPlay;

  void WndProc(TMessage& Message) override;

 protected:
  virtual void StartPlay();
  virtual void StopPlay();
  // Paints the client background (OnPaintClient, else the current brush).
  virtual void PaintClient(TCanvas* Canvas, const RECT& Rect);
  // One step of the scrolling, from the timer (on its thread with AsyncDrawing).
  void TimerExpired();
  void Paint() override;
  void FontChanged() override;
  void ColorChanged() override;
  void BoundsChanged(const RECT& Old) override;

 private:
  int InflateWidth() const;
  void RecalcDrawRect();
  void UpdateMemoryImage();
  void PaintText();
  void PaintGlyph();
  void ChangedWhileActive();
  void LinesChanged();

  bool active_ = false;
  std::unique_ptr<TStringList> lines_;
  bool cycled_ = false;
  int scrollCount_ = 0;
  int maxScroll_ = 0;
  int lineHeight_ = 0;
  int firstLine_ = 0;
  std::unique_ptr<TExTimer> timer_;
  RECT textRect_{};
  RECT paintRect_{};
  POINT glyphOrigin_{};
  std::unique_ptr<TBitmap> memoryImage_;
  std::unique_ptr<TBitmap> glyph_;
  std::vector<TControl*> hidden_;
  TBevelCut textStyle_ = bvNone;
  TScrollDirection direction_ = sdVertical;
  TGlyphLayout glyphLayout_ = glGlyphLeft;
  bool asyncDrawing_ = true;
  HWND window_ = nullptr;  // where the worker's steps are posted
  mutable std::recursive_mutex lock_;  // the scrolling state, the memory image and the window
  std::atomic<bool> destroying_{false};
  std::atomic<bool> paintPosted_{false};
};
