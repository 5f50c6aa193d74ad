#include "browse/Tbrowselistener.h"

#include "browse/Tbrowse.h"
#include "browse/Tformbrowse.h"
#include "browse/Tgraph.h"
#include "model/Modelhooks.h"
#include "model/Tdiscussion.h"
#include "platform/forms/Tpaintbox.h"
#include "platform/forms/Tpanel.h"

void TBrowseListener::Listen(const TListenMessage& message) {
  TBrowse& browse = *Browse;
  if (browse.Closing || message.Code > Notify_DragMoves) return;
  switch (message.Code) {
    case Notify_Idle: browse.RunDeferredPaintRequests(); break;
    case Notify_WindowsChanged:
    case Notify_TitlesChanged:
    case Notify_WindowClosed:
      if (browse.Form && !browse.Form->Active()) browse.MenuRebuildOnActivation = 1;
      break;
    case Notify_SettingsChanged:
      if (reinterpret_cast<TBrowsePars*>(message.Word1) == browse.Settings) browse.CurrentBrowseItemChanged();
      break;
    case Notify_MousePressed: browse.DropHover(); break;
    case Notify_BlockChanged:
    case Notify_FormulaReferenceChanged:
      // The graph's boxes of the block take its new marks. (The refresh of the item and
      // its rows comes with the lower list.)
      if (TDiscussion* discussion = browse.GetDiscussion();
          discussion && discussion->Graph && reinterpret_cast<TDiscussion*>(message.Word1) == discussion)
        DiscussionGraph(*discussion).InvalidateNode(browse, UnpackDiscBlockIndex(message.Word2));
      break;
    case Notify_BlockAdded:
    case Notify_BlockGone:
      // The graph lays itself out again; the boxes drawn here are gone with its layout.
      if (browse.Form && reinterpret_cast<TDiscussion*>(message.Word1) == browse.GetDiscussion()) {
        browse.GraphPlaces.Clear();
        browse.Form->PaintBoxGraph->Invalidate();
      }
      break;
    case Notify_GraphInvalid:
      if (browse.Form && reinterpret_cast<TDiscussion*>(message.Word1) == browse.GetDiscussion())
        browse.Form->PanelGraph->Hide();
      break;
    default: break;  // the reactions to changes of the discussion come with the lower list
  }
}
