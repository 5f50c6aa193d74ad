#pragma once
// The register of open browse windows. It makes every browse window (on an item, on a
// copy of a whole browse state, or on a block), answers a window's close query, and
// unloads the discussions that no window shows any more, offering to save each first.
// The windows are kept in the order they were opened; a window's place in the register
// is the number by which the window-list commands name it.

#include "browse/Tbrowsestate.h"
#include "model/Tdiscblockindex.h"

#include <cstdint>
#include <functional>
#include <vector>

class TBrowse;
class TBrowsePars;
class TDiscussion;
class TFormBrowse;
struct TBrowseItem;

// The question before a discussion with unsaved changes is unloaded; its buttons.
inline constexpr const char* UnloadDiscussionCaption = "CLOSING DISCUSSION";
enum { UnloadAnswer_Save = 0, UnloadAnswer_Discard = 1, UnloadAnswer_Cancel = 2 };

class TFormBrowseManager {
 public:
  TFormBrowseManager();
  ~TFormBrowseManager();  // frees the windows still open
  TFormBrowseManager(const TFormBrowseManager&) = delete;
  TFormBrowseManager& operator=(const TFormBrowseManager&) = delete;

  // The settings a window gets when no source window lends its own.
  TBrowsePars* Settings = nullptr;
  // Runs when the last window has closed (the program then ends).
  std::function<void()> OnLastWindowClosed;

  int Count() const { return int(fForms.size()); }
  TFormBrowse* GetFormBrowse(int index) const { return fForms[size_t(index)]; }
  int IndexOf(const TFormBrowse* form) const;

  // A new window on a discussion (-1: none) showing an item, registered and shown; with
  // focus set it becomes the active window. The source window lends its settings. Null
  // when the discussion could not be loaded (reported).
  TBrowse* NewFormBrowse(int discussion, const TBrowseItem& item, TFormBrowse* source, uint8_t moderation,
                         bool focus);
  // The same, showing a copy of a whole browse state (its rows and its upper panel height).
  TBrowse* NewFormBrowseWithState(int discussion, const TBrowseState& state, TFormBrowse* source,
                                  uint8_t moderation, bool focus);
  // The same, showing a block of the discussion.
  TBrowse* NewFormBrowseOnBlock(int discussion, TDiscBlockIndex block, TFormBrowse* source, uint8_t moderation,
                                bool focus);

  // A window's close query: sets the process-wide close-refused flag when the window may
  // not close, because the user kept a discussion that only this window shows (or, for
  // the last window, any loaded discussion) or it could not be saved.
  void FormBrowseClosing(TFormBrowse* form);
  // A window has closed: it leaves the register; after the last one OnLastWindowClosed.
  // The window itself is freed by the message queue, or by DestroyAll when the queue
  // stops first.
  void FormBrowseClosed(TFormBrowse* form);
  // A window is going away: it leaves the register without anything else.
  void Forget(TFormBrowse* form);

  // Every loaded discussion that no window shows is offered for saving and unloaded. False
  // when the user cancelled one (or its save failed): the rest stay loaded.
  bool UnloadUnshownDiscussions();
  // Whether a window other than `except` shows the discussion.
  bool IsDiscussionShown(int discussion, const TFormBrowse* except = nullptr) const;
  // Asks the windows to close, last to first; false as soon as one refuses.
  bool CloseAll();
  // Frees every window without asking, and the closed ones not yet freed (the program is
  // ending).
  void DestroyAll();

 private:
  TFormBrowse* MakeForm(int discussion, TFormBrowse* source, uint8_t moderation);
  TBrowse* Register(TFormBrowse* form, bool focus, TFormBrowse* source);
  // Offers to save a discussion with unsaved changes. False when the user cancelled or the
  // save failed; `discard` tells that the user chose to drop the changes.
  bool OfferSaving(TDiscussion& discussion, bool& discard);

  std::vector<TFormBrowse*> fForms;
  std::vector<TFormBrowse*> fClosed;  // closed, waiting to be freed
};

// The process-wide manager, made at start-up; null before.
TFormBrowseManager*& FormBrowseManager();
