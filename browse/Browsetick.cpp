// The timed work of a browse window, every tick: scrolling while a drag waits at an edge,
// the selection of the row under a resting pointer, the reading time of the blocks in
// view, the window state and the automatic save.

#include "browse/Tbrowse.h"

#include "browse/Tformbrowse.h"
#include "foundation/Tbrowseglobal.h"
#include "foundation/Tbrowsepars.h"
#include "model/Modelhooks.h"
#include "model/Tdiscussion.h"
#include "model/Treaderproperty.h"
#include "platform/rtl/Tdatetime.h"

#include <algorithm>
#include <set>

namespace {

constexpr double MillisecondsPerDay = 86400000.0;
constexpr int ReadingTimeToRead = 3000;  // ms a block stays in view before it counts as read

}  // namespace

void TBrowse::Tick() {
  TBrowseState& state = CurrentBrowseState;
  const int count = state.RowCount();
  if (Drag.Scrolling()) {
    const int first = GetFirstVisibleRow();
    if (Drag.ScrollUp && first > 0) ScrollRowToTop(first - 1);
    else if (Drag.ScrollDown && first >= 0 && GetLastVisibleRow() < count - 1) ScrollRowToTop(first + 1);
  }
  const double now = Now();
  // A sleeping machine can leave hours between two ticks: the time is clamped, so the
  // 16-bit reading times cannot wrap.
  const double elapsedMs = std::clamp((now - LastTick) * MillisecondsPerDay, 0.0, double(ReadingTimeToRead));
  LastTick = now;
  if (Hover.AutoSelectDue(now)) SelectLowerListRow(Hover.Row, false);
  CountReadingTime(int(elapsedMs));
  if (Form && Form->WindowState() != TWindowState(WindowState)) {
    WindowState = uint8_t(Form->WindowState());
    CurrentBrowseItemChanged();
  }
  TDiscussion* discussion = GetDiscussion();
  if (TBrowseGlobal::AutoSaveEnabled && discussion && Settings && Settings->AutoSave &&
      (now - discussion->LastSaveTime) * 86400.0 > double(Settings->AutoSaveMinutes) * 60)
    discussion->Save();
}

void TBrowse::CountReadingTime(int elapsedMs) {
  TDiscussion* discussion = GetDiscussion();
  if (!discussion || discussion->IsCreating() || !Form || !Form->Active()) return;
  TBrowseState& state = CurrentBrowseState;
  const int count = state.RowCount();
  int first = GetFirstVisibleRow();
  int last = GetLastVisibleRow();
  if (first < 0 || last < 0 || last >= count) return;
  auto type = [&](int row) { return state.Row(row).RowType; };
  while (first < count && type(first) != LowerListRow_Service) ++first;
  if (last != count - 1)
    while (last > 0 && type(last) != LowerListRow_Service) --last;
  if (first > last) return;
  auto itemOf = [&](int row) { return state.Row(row).ItemIndex.GetBrowseItem(state.CurrentItem); };
  std::set<TBrowseItem*> inView;
  for (int row = first; row <= last; ++row)
    if (TBrowseItem* item = itemOf(row)) inView.insert(item);
  // Partial reading does not add up across views.
  for (int row = 0; row < count; ++row)
    if (row < first || row > last)
      if (TBrowseItem* item = itemOf(row); item && !inView.count(item)) item->ReadingTime = 0;
  if (inView.empty()) return;
  const int share = elapsedMs / int(inView.size());
  std::vector<TBrowseItem*> unread;
  for (TBrowseItem* item : inView) {
    if (item->Kind() != BrowseItem_Block || item->DisplayMode == DisplayMode_Brief) continue;
    const TDiscBlock* block = discussion->Storages.GetDiscBlock(item->Ident.Index);
    if (!block || block->StorageType == StorageType_Notes || block->TextType == TextType_Heading) continue;
    const int property = discussion->FindReaderProperty(item->Ident.Index, false);
    if (property >= 0 && discussion->ReaderProperties.Items[property].Read) continue;
    unread.push_back(item);
  }
  bool grew = false;
  for (TBrowseItem* item : unread)
    if (item->ReadingTime < ReadingTimeToRead) {
      item->ReadingTime = int16_t(std::min(ReadingTimeToRead, item->ReadingTime + share));
      grew = true;
    }
  if (grew) return;
  for (TBrowseItem* item : unread) MarkRead(*discussion, item->Ident.Index);
}

void TBrowse::MarkRead(TDiscussion& discussion, TDiscBlockIndex block) {
  const int property = discussion.FindReaderProperty(block, true);
  if (property < 0) return;
  TReaderProperty& read = discussion.ReaderProperties.Items[property];
  if (read.Read) return;
  discussion.Undo.AddReaderPropertyFieldChange(property, PropertyField_Read, read.Read);
  read.Read = 1;
  SendBlockNotification(Notify_BlockChanged, discussion, block, false);
}
