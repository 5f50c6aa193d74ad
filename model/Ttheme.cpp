#include "model/Ttheme.h"

#include "foundation/Tbufreader.h"
#include "foundation/Tbufwriter.h"
#include "foundation/Terror.h"

TTheme::TTheme() = default;

int TTheme::FindBlock(TDiscBlockCode code) const {
  for (int i = 0; i < int(Blocks.Count()); ++i)
    if (Blocks[i] == code) return i;
  return -1;
}

void TTheme::SaveToBufWriter(TBufWriter& w) const {
  Name.SaveToBufWriter(w);
  w.WriteDWord(uint32_t(Blocks.Count()));
  for (int i = 0; i < int(Blocks.Count()); ++i) Blocks[i].SaveToBufWriter(w);
}

std::string TTheme::LoadFromBufReader(TBufReader& r) {
  Name.LoadFromBufReader(r);
  const uint32_t count = r.ReadDWord();
  if (r.IsFailed()) return "файл обрезан";
  if (count > 4u * 0xFFFF) return "неверное число блоков темы";
  for (uint32_t i = 0; i < count; ++i) {
    const int index = Blocks.AddEmptyItem();
    if (index < 0) return "нет памяти";
    Blocks[index].LoadFromBufReader(r);
    if (r.IsFailed()) return "файл обрезан";
    if (!IsValidStorageType(Blocks[index].StorageType)) return "неверный код блока темы";
  }
  return {};
}
