#pragma once
// TIconList: an ordered list of icons that it owns (an entry may be empty), telling
// its OnChange after every change outside an update bracket, and kept in a stream as
// a count followed by each icon's size and icon-file image.

#include <vector>

#include "platform/forms/Ticon.h"
#include "platform/rtl/Tstream.h"

class TIconList : public TPersistent {
 public:
  TIconList() = default;
  ~TIconList() override;
  TIconList(const TIconList&) = delete;
  TIconList& operator=(const TIconList&) = delete;

  int Count() const { return static_cast<int>(list_.size()); }
  // The icon at an index (null for an empty slot); EListError out of range.
  TIcon* Icons(int Index) const;
  // Copies the icon into the slot, which gets an icon when it has none; the index
  // equal to the count appends.
  void SetIcons(int Index, TIcon* Icon);
  // A copy of the icon (an empty one for none) at the end; its index.
  int Add(TIcon* Icon);
  // The icon itself (owned from now on; none makes an empty slot) at the end.
  int AddIcon(TIcon* Icon);
  void Insert(int Index, TIcon* Icon);
  void Delete(int Index);
  void Clear();
  void Exchange(int Index1, int Index2);
  void Move(int CurIndex, int NewIndex);
  // The position of that very icon object, or -1.
  int IndexOf(TIcon* Icon) const;
  void Assign(TPersistent* Source) override;
  void BeginUpdate();
  void EndUpdate();
  void LoadFromStream(TStream* Stream);
  void SaveToStream(TStream* Stream) const;

  TNotifyEvent OnChange;

 protected:
  virtual void Changed();

 private:
  void CheckIndex(int Index, int Limit) const;
  void Hook(TIcon* Icon);
  void SetUpdateState(bool Updating);
  std::vector<TIcon*> list_;
  int updateCount_ = 0;
};
