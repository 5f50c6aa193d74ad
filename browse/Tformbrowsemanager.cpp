#include "browse/Tformbrowsemanager.h"

#include "browse/Tformbrowse.h"
#include "foundation/Guihooks.h"
#include "foundation/Tbrowseglobal.h"
#include "foundation/Tbrowsepars.h"
#include "foundation/Terror.h"
#include "foundation/Tlisteners.h"
#include "model/Modelhooks.h"
#include "model/Tdiscussionsmanager.h"
#include "pointer/Tformstartcursorwright.h"
#include "model/Unsavedchanges.h"
#include "platform/forms/Tapplication.h"
#include "platform/forms/Tpanel.h"
#include "platform/forms/Tscreen.h"

#include <algorithm>

TFormBrowseManager*& FormBrowseManager() {
  static TFormBrowseManager* manager = nullptr;
  return manager;
}

TFormBrowseManager::TFormBrowseManager() {
  if (!FormBrowseManager()) FormBrowseManager() = this;
}

TFormBrowseManager::~TFormBrowseManager() {
  DestroyAll();
  if (FormBrowseManager() == this) FormBrowseManager() = nullptr;
}

int TFormBrowseManager::IndexOf(const TFormBrowse* form) const {
  const auto it = std::find(fForms.begin(), fForms.end(), form);
  return it == fForms.end() ? -1 : int(it - fForms.begin());
}

TFormBrowse* TFormBrowseManager::MakeForm(int discussion, TFormBrowse* source, uint8_t moderation) {
  auto* form = new TFormBrowse(Application);
  form->SetUp();
  form->SetBrowsePars(source ? source->Browse.Settings : Settings);
  form->Browse.ModerationMode = moderation;
  if (!form->Browse.SetDiscussionIndex(discussion)) {
    delete form;
    return nullptr;
  }
  return form;
}

// A new window opens a caption's height down and right of the last one, and back at
// the work area's corner when that would leave the screen.
static void Cascade(TFormBrowse& form, const TFormBrowse& last) {
  constexpr int kStep = 24;
  const RECT area = Screen->WorkAreaRect();
  int left = last.Left() + kStep, top = last.Top() + kStep;
  if (left + form.Width() > area.right || top + form.Height() > area.bottom) {
    left = area.left;
    top = area.top;
  }
  form.SetBounds(left, top, form.Width(), form.Height());
}

TBrowse* TFormBrowseManager::Register(TFormBrowse* form, bool focus, TFormBrowse* source) {
  if (!fForms.empty() && fForms.back()->WindowState() == wsNormal) Cascade(*form, *fForms.back());
  fForms.push_back(form);
  // A new window starts or stops the keyboard pointer engine by the stored switch.
  if (form->Browse.Settings) StartStopCursorwright(form->Browse.Settings->PointerEngineOn != 0);
  form->Show();
  if (focus) form->SetFocus();
  else if (source && IndexOf(source) >= 0) source->SetFocus();
  TListeners::Send(Notify_WindowsChanged, false);
  return &form->Browse;
}

TBrowse* TFormBrowseManager::NewFormBrowse(int discussion, const TBrowseItem& item, TFormBrowse* source,
                                           uint8_t moderation, bool focus) {
  TFormBrowse* form = MakeForm(discussion, source, moderation);
  if (!form) return nullptr;
  form->Browse.OpenBrowseItem(item);
  return Register(form, focus, source);
}

TBrowse* TFormBrowseManager::NewFormBrowseWithState(int discussion, const TBrowseState& state, TFormBrowse* source,
                                                    uint8_t moderation, bool focus) {
  TFormBrowse* form = MakeForm(discussion, source, moderation);
  if (!form) return nullptr;
  TBrowse& browse = form->Browse;
  TBrowseState copy = state;
  copy.DiscussionIndex = browse.CurrentBrowseState.DiscussionIndex;
  copy.Creating = browse.CurrentBrowseState.Creating;
  browse.SetCurrentBrowseState(copy);
  form->PanelUpperBlock->SetHeight(state.UpperPanelHeight);
  browse.CurrentBrowseItemChanged();
  return Register(form, focus, source);
}

TBrowse* TFormBrowseManager::NewFormBrowseOnBlock(int discussion, TDiscBlockIndex block, TFormBrowse* source,
                                                  uint8_t moderation, bool focus) {
  TFormBrowse* form = MakeForm(discussion, source, moderation);
  if (!form) return nullptr;
  TBrowseItem item;
  if (TDiscussion* shown = form->Browse.GetDiscussion()) item.Ident.SetDiscBlock(*shown, block);
  form->Browse.OpenBrowseItem(item);
  return Register(form, focus, source);
}

bool TFormBrowseManager::IsDiscussionShown(int discussion, const TFormBrowse* except) const {
  for (const TFormBrowse* form : fForms)
    if (form != except && form->Browse.CurrentBrowseState.DiscussionIndex == discussion) return true;
  return false;
}

bool TFormBrowseManager::OfferSaving(TDiscussion& discussion, bool& discard) {
  discard = false;
  if (!HasUnsavedChanges(discussion)) return true;
  // Reading alone is kept without asking.
  if (!HasUnsavedChanges(discussion, true)) return discussion.Save();
  const std::string name = discussion.GetName().IsEmpty() ? discussion.Folder.ToString() : discussion.GetName().ToString();
  switch (ShowMessageBox(UnloadDiscussionCaption, "Save the changes of the discussion \"" + name + "\"?", "",
                         "Yes|No|Cancel", UnloadAnswer_Save)) {
    case UnloadAnswer_Save: return discussion.Save();
    case UnloadAnswer_Discard: discard = true; return true;
    default: return false;
  }
}

void TFormBrowseManager::FormBrowseClosing(TFormBrowse* form) {
  TDiscussionsManager* discussions = DiscussionsManager();
  if (IndexOf(form) < 0 || !discussions) return;
  if (Count() == 1) {
    // The last window: every loaded discussion is saved or its changes dropped. They stay
    // loaded (as last saved) for the shutdown step, which backs them up.
    for (int i = 0; i < discussions->GetDiscussionsCount(); ++i) {
      TDiscussion& discussion = discussions->GetDiscussion(i);
      bool discard = false;
      if (!discussion.Loaded) continue;
      if (!OfferSaving(discussion, discard)) {
        TBrowseGlobal::CloseRefused = 1;
        return;
      }
      if (discard) {
        discussion.Unload();
        discussion.Load();
      }
    }
    return;
  }
  const int shown = form->Browse.CurrentBrowseState.DiscussionIndex;
  if (shown < 0 || shown >= discussions->GetDiscussionsCount() || IsDiscussionShown(shown, form)) return;
  TDiscussion& discussion = discussions->GetDiscussion(shown);
  if (!discussion.Loaded) return;
  bool discard = false;
  if (!OfferSaving(discussion, discard)) {
    TBrowseGlobal::CloseRefused = 1;
    return;
  }
  discussion.Unload();
  TListeners::Send(Notify_TitlesChanged, false);  // the windows refresh their titles
}

void TFormBrowseManager::FormBrowseClosed(TFormBrowse* form) {
  if (IndexOf(form) < 0) return;
  Forget(form);
  fClosed.push_back(form);
  TListeners::Send(Notify_WindowClosed, false);
  if (fForms.empty() && OnLastWindowClosed) OnLastWindowClosed();
}

void TFormBrowseManager::Forget(TFormBrowse* form) {
  std::erase(fForms, form);
  std::erase(fClosed, form);
}

bool TFormBrowseManager::UnloadUnshownDiscussions() {
  TDiscussionsManager* discussions = DiscussionsManager();
  if (!discussions) return true;
  for (int i = 0; i < discussions->GetDiscussionsCount(); ++i) {
    TDiscussion& discussion = discussions->GetDiscussion(i);
    if (!discussion.Loaded || IsDiscussionShown(i)) continue;
    bool discard = false;
    if (!OfferSaving(discussion, discard)) return false;
    discussion.Unload();
    TListeners::Send(Notify_TitlesChanged, false);  // the windows refresh their titles
  }
  return true;
}

bool TFormBrowseManager::CloseAll() {
  while (!fForms.empty()) {
    TFormBrowse* form = fForms.back();
    TBrowseGlobal::CloseRefused = 0;
    form->Close();
    if (TBrowseGlobal::CloseRefused || IndexOf(form) >= 0) return false;
  }
  return true;
}

void TFormBrowseManager::DestroyAll() {
  for (std::vector<TFormBrowse*>* forms : {&fForms, &fClosed}) {
    while (!forms->empty()) {
      TFormBrowse* form = forms->back();
      forms->pop_back();
      delete form;
    }
  }
}
