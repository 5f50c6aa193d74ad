#include "commands/Listcommands.h"

#include "browse/Commandcodes.h"
#include "browse/Tbrowse.h"
#include "browse/Tbrowselistener.h"
#include "browse/Tformbrowse.h"
#include "browse/Tformbrowsemanager.h"
#include "browse/Tgraph.h"
#include "commands/Tbrowsecommands.h"
#include "dialogs/Tformprogress.h"
#include "foundation/Guihooks.h"
#include "foundation/Terror.h"
#include "foundation/Tlisteners.h"
#include "model/Blockretrieval.h"
#include "model/Tdiscussion.h"
#include "platform/forms/Tpanel.h"
#include "platform/gui/Gui.h"

namespace {

void AnnounceWindows() { TListeners::SendPair(Notify_WindowsChanged, intptr_t(0), intptr_t(0), false); }

}  // namespace

TBrowse* OpenListWindow(TCommand& command, uint8_t moderation, bool brief) {
  TBrowse& browse = command.Browse;
  TFormBrowseManager* manager = FormBrowseManager();
  if (!manager) return nullptr;
  TBrowseState copy = browse.CurrentBrowseState;
  copy.UpperPanelHeight = 0;
  TBrowse* opened = manager->NewFormBrowseWithState(copy.DiscussionIndex, copy, browse.Form, moderation, true);
  if (!opened) return nullptr;
  if (opened->Form) opened->Form->PanelUpperBlock->SetHeight(0);
  if (brief && opened->CurrentBrowseState.DisplayMode == DisplayMode_Full) {
    const TBrowseItemIndex none;
    const TBrowseItem item = opened->CurrentBrowseState.CurrentItem;
    opened->ProcessCommand(&none, &item, std::string(), Command_BriefFull, TShiftState(), -1, -1);
  }
  AnnounceWindows();
  return opened;
}

TBrowse* ListInNewWindow(TCommand& command, uint8_t moderation, bool brief, const std::function<void(TBrowse&)>& build) {
  TBrowse* opened = OpenListWindow(command, moderation, brief);
  if (!opened) return nullptr;
  build(*opened);
  if (!IsErrorReported()) opened->CurrentBrowseItemChanged();
  return opened;
}

TBrowse* RetrieveInNewWindow(TCommand& command, uint8_t kind, int32_t data, const std::string& text, bool caseSensitive) {
  TFormProgress progress(nullptr);
  return ListInNewWindow(command, 0, true, [&](TBrowse& opened) {
    progress.ShowCentered();
    opened.BuildLowerList_Retrieval(kind, data, text, caseSensitive, &progress);
  });
}

bool CloseEmptyListWindow(TBrowse& opened, const std::string& caption, const std::string& message) {
  const bool failed = IsErrorReported();
  if (!failed && opened.CurrentBrowseState.Rows.Count() > 0) return false;
  if (!failed && !message.empty()) ShowMessageBox(caption, message);
  if (opened.Form) opened.Form->Close();
  return true;
}

void RetrievalCommand(TCommand& command) {
  if (!command.Discussion || command.Data1 < Retrieval_Arguable || command.Data1 > Retrieval_ModeratedComments) {
    MessageBeep(1);
    return;
  }
  const uint8_t kind = uint8_t(command.Data1);
  TBrowse* opened = RetrieveInNewWindow(command, kind, command.Data2, std::string(), false);
  if (!opened || CloseEmptyListWindow(*opened, "", "Such blocks are lacking in the discussion branch")) return;
  if (kind != Retrieval_PostList) return;
  // One list of a post list stays open: the others close.
  ClosePostListWindows(opened);
}

void ClosePostListWindows(const TBrowse* keep, const TDiscussion* discussion, int32_t number) {
  TFormBrowseManager* manager = FormBrowseManager();
  if (!manager) return;
  for (int i = manager->Count() - 1; i >= 0; --i) {
    TFormBrowse* form = manager->GetFormBrowse(i);
    const TBrowseState& state = form->Browse.CurrentBrowseState;
    if (&form->Browse != keep && state.SpecCaptionType == SpecCaption_Retrieval &&
        state.RetrievalKind == Retrieval_PostList && (!discussion || form->Browse.GetDiscussion() == discussion) &&
        (number < 0 || state.RetrievalData == number))
      form->Close();
  }
}

void HistoryCommand(TCommand& command) {
  if (!command.Discussion) {
    MessageBeep(1);
    return;
  }
  ListInNewWindow(command, 0, false, [](TBrowse& opened) {
    opened.BuildLowerList_History();
    opened.CurrentBrowseState.SpecCaptionType = SpecCaption_History;
  });
}

void ThesisDisputantsCommand(TCommand& command) {
  if (!command.Discussion) {
    MessageBeep(1);
    return;
  }
  ListInNewWindow(command, 0, true, [](TBrowse& opened) { opened.BuildLowerList_ThesisDisputants(); });
}

void ChainCommand(TCommand& command) {
  TBrowse& browse = command.Browse;
  TDiscussion* discussion = command.Discussion;
  if (!discussion || browse.CurrentBrowseState.CurrentItem.Kind() != BrowseItem_Block) {
    MessageBeep(1);
    return;
  }
  browse.SaveUserPosition();
  const TBrowseState before = browse.CurrentBrowseState;
  const uint32_t kept = browse.History.Count();
  browse.PushHistory();
  const TDiscBlockIndex top = browse.BuildLowerList_ChainToMonography();
  if (IsErrorReported()) return;
  if (top.IsEmpty()) {
    // No monograph above: the window keeps what it showed.
    browse.History.KeepOldest(kept);
    browse.SetCurrentBrowseState(before);
    MessageBeep(1);
    return;
  }
  browse.CurrentBrowseState.CurrentItem.Ident.SetDiscBlock(*discussion, top);
  browse.CurrentBrowseItemChanged();
}

void FormulasCommand(TCommand& command) {
  TBrowse& browse = command.Browse;
  if (!command.Block) return;
  if (command.Block->TextType == TextType_Formula) {
    browse.EvaluateBlockFormula(command.BlockIndex);
    return;
  }
  if (command.Block->TextType != TextType_Conclusion ||
      !(browse.CurrentBrowseState.CurrentItem.GetDiscBlockIndex() == command.BlockIndex))
    return;
  browse.SaveUserPosition();
  browse.BuildLowerList_FormulasForTextTo();
  browse.Menu.Build(TBrowseItemIndex(), browse.CurrentBrowseState.CurrentItem, 1);
}

void GraphCommand(TCommand& command) {
  TBrowse& browse = command.Browse;
  TFormBrowse* form = browse.Form;
  if (!command.Discussion || !form) {
    MessageBeep(1);
    return;
  }
  TGraph& graph = DiscussionGraph(*command.Discussion);
  if (!graph.Build()) return;
  graph.EnsurePlaced();
  form->PanelGraph->Show();
  form->PanelGraph->Invalidate();
  graph.ScrollToCurrentBlock(browse);
  ReleaseCapture();
  form->SetCaption(browse.GetFormBrowseCaption());
  AnnounceWindows();
}

void ReformGraphCommand(TCommand& command) {
  TDiscussion* discussion = command.Discussion;
  if (!discussion) {
    MessageBeep(1);
    return;
  }
  TListeners::SendPair(Notify_GraphInvalid, reinterpret_cast<intptr_t>(discussion), intptr_t(0), false);
  TGraph& graph = DiscussionGraph(*discussion);
  graph.Clear();
  graph.Init();
  command.Browse.Menu.Build(TBrowseItemIndex(), command.Browse.CurrentBrowseState.CurrentItem, 1);
  GraphCommand(command);
}
