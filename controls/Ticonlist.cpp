#include "controls/Ticonlist.h"

#include <memory>

#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Tmemorystream.h"

TIconList::~TIconList() {
  OnChange = nullptr;
  Clear();
}

void TIconList::CheckIndex(int Index, int Limit) const {
  if (Index < 0 || Index > Limit) throw EListError(Format("List index out of bounds (%d)", {Index}));
}

void TIconList::Hook(TIcon* Icon) {
  if (Icon) Icon->OnChange = [this](TObject*) { Changed(); };
}

TIcon* TIconList::Icons(int Index) const {
  CheckIndex(Index, Count() - 1);
  return list_[static_cast<size_t>(Index)];
}

void TIconList::Changed() {
  if (updateCount_ == 0 && OnChange) OnChange(this);
}

void TIconList::SetUpdateState(bool Updating) {
  if (!Updating) Changed();
}

void TIconList::BeginUpdate() {
  if (updateCount_ == 0) SetUpdateState(true);
  ++updateCount_;
}

void TIconList::EndUpdate() {
  if (--updateCount_ == 0) SetUpdateState(false);
}

int TIconList::AddIcon(TIcon* Icon) {
  list_.push_back(Icon);
  Hook(Icon);
  Changed();
  return Count() - 1;
}

int TIconList::Add(TIcon* Icon) {
  auto copy = std::make_unique<TIcon>();
  if (Icon) copy->Assign(Icon);
  return AddIcon(copy.release());
}

void TIconList::Insert(int Index, TIcon* Icon) {
  CheckIndex(Index, Count());
  auto copy = std::make_unique<TIcon>();
  if (Icon) copy->Assign(Icon);
  list_.insert(list_.begin() + Index, copy.get());
  Hook(copy.release());
  Changed();
}

void TIconList::SetIcons(int Index, TIcon* Icon) {
  CheckIndex(Index, Count());
  BeginUpdate();
  try {
    if (Index == Count()) Add(nullptr);
    TIcon*& slot = list_[static_cast<size_t>(Index)];
    if (!slot) slot = new TIcon;
    Hook(slot);
    if (Icon) slot->Assign(Icon);
    else slot->Assign(std::make_unique<TIcon>().get());
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TIconList::Delete(int Index) {
  CheckIndex(Index, Count() - 1);
  TIcon* icon = list_[static_cast<size_t>(Index)];
  list_.erase(list_.begin() + Index);
  if (icon) {
    icon->OnChange = nullptr;
    delete icon;
  }
  Changed();
}

void TIconList::Clear() {
  BeginUpdate();
  for (int i = Count() - 1; i >= 0; --i) Delete(i);
  EndUpdate();
}

void TIconList::Exchange(int Index1, int Index2) {
  CheckIndex(Index1, Count() - 1);
  CheckIndex(Index2, Count() - 1);
  std::swap(list_[static_cast<size_t>(Index1)], list_[static_cast<size_t>(Index2)]);
  Changed();
}

void TIconList::Move(int CurIndex, int NewIndex) {
  if (CurIndex == NewIndex) return;
  CheckIndex(CurIndex, Count() - 1);
  CheckIndex(NewIndex, Count() - 1);
  TIcon* icon = list_[static_cast<size_t>(CurIndex)];
  list_.erase(list_.begin() + CurIndex);
  list_.insert(list_.begin() + NewIndex, icon);
  Changed();
}

int TIconList::IndexOf(TIcon* Icon) const {
  for (int i = 0; i < Count(); ++i)
    if (list_[static_cast<size_t>(i)] == Icon) return i;
  return -1;
}

void TIconList::Assign(TPersistent* Source) {
  if (!Source) {
    Clear();
    return;
  }
  auto* list = dynamic_cast<TIconList*>(Source);
  auto* icon = dynamic_cast<TIcon*>(Source);
  if (!list && !icon) return TPersistent::Assign(Source);
  BeginUpdate();
  try {
    Clear();
    if (list) {
      for (TIcon* i : list->list_) Add(i);
    } else {
      Add(icon);
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TIconList::SaveToStream(TStream* Stream) const {
  int32_t count = Count();
  Stream->WriteBuffer(&count, 4);
  TMemoryStream scratch;
  for (TIcon* icon : list_) {
    scratch.Clear();
    if (icon && !icon->Empty()) icon->SaveToStream(&scratch);
    auto size = static_cast<int32_t>(scratch.Size());
    Stream->WriteBuffer(&size, 4);
    if (size > 0) Stream->WriteBuffer(scratch.Memory(), size);
  }
}

void TIconList::LoadFromStream(TStream* Stream) {
  BeginUpdate();
  try {
    Clear();
    int32_t count = 0;
    Stream->ReadBuffer(&count, 4);
    // Each entry takes at least its size word: a count the rest cannot hold is damage.
    if (count < 0 || count > (Stream->Size() - Stream->Position()) / 4) throw EReadError("Stream read error");
    for (int32_t i = 0; i < count; ++i) {
      int32_t size = 0;
      Stream->ReadBuffer(&size, 4);
      if (size <= 0) {
        AddIcon(nullptr);
        continue;
      }
      if (size > Stream->Size() - Stream->Position()) throw EReadError("Stream read error");
      TMemoryStream data;
      data.CopyFrom(Stream, size);
      data.SetPosition(0);
      auto icon = std::make_unique<TIcon>();
      icon->LoadFromStream(&data);
      AddIcon(icon.release());
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}
