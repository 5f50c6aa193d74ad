#include "browse/Tbrowsestate.h"

void TBrowseState::Init() {
  Clear();
  SelectedRow = 0;
  ListKind = 0;
  UpperPanelHeight = 100;
  DisplayMode = DisplayMode_Brief;
  DiscussionIndex = -1;
  Creating = 0;
  SpecCaptionType = 0;
  RetrievalKind = 0;
  RetrievalData = -1;
  ModerationType = 0;
}

void TBrowseState::Clear() {
  CurrentItem.Clear();
  Rows.Clear();
  FirstBlock.Clear();
  SecondBlock.Clear();
  Caption.Clear();
}
