#pragma once
// TScreen: the screen as the program sees it: its size and work area, the cursor shown
// over every window (crHourGlass while busy), the cursors by number, the forms and
// which of them is active.

#include <map>
#include <vector>

#include "platform/forms/Controlmessages.h"
#include "platform/forms/Tgraphicsobject.h"
#include "platform/rtl/Tcomponent.h"

class TCustomForm;
class TWinControl;

class TScreen : public TComponent {
 public:
  explicit TScreen(TComponent* AOwner);
  ~TScreen() override;

  int Width() const;
  int Height() const;
  RECT WorkAreaRect() const;
  int WorkAreaWidth() const { RECT r = WorkAreaRect(); return r.right - r.left; }
  int WorkAreaHeight() const { RECT r = WorkAreaRect(); return r.bottom - r.top; }
  int DesktopWidth() const { return Width(); }
  int DesktopHeight() const { return Height(); }
  int PixelsPerInch() const { return 96; }

  TCursor Cursor() const { return cursor_; }
  // Shown over every window of the program until set back to crDefault.
  void SetCursor(TCursor Value);
  HCURSOR Cursors(TCursor Index);
  void SetCursors(TCursor Index, HCURSOR Value);

  int FormCount() const { return static_cast<int>(forms_.size()); }
  TCustomForm* Forms(int Index) const { return forms_[Index]; }
  TCustomForm* ActiveForm() const { return activeForm_; }
  TWinControl* ActiveControl() const;
  TFont* HintFont() const { return hintFont_.get(); }
  TFont* MenuFont() const { return menuFont_.get(); }

  TNotifyEvent OnActiveFormChange;
  TNotifyEvent OnActiveControlChange;

 private:
  friend class TCustomForm;
  void AddForm(TCustomForm* Form);
  void RemoveForm(TCustomForm* Form);
  void SetActiveForm(TCustomForm* Form);

  TCursor cursor_ = crDefault;
  std::map<TCursor, HCURSOR> cursors_;
  std::vector<TCustomForm*> forms_;
  TCustomForm* activeForm_ = nullptr;
  std::unique_ptr<TFont> hintFont_;
  std::unique_ptr<TFont> menuFont_;
};

extern TScreen* Screen;
