#include "model/Tdiscblockstr.h"

#include "model/Tdiscblock.h"

bool TDiscBlockStr::operator==(const TDiscBlockStr& other) const {
  return Text == other.Text && URL == other.URL && FormulaText == other.FormulaText;
}

bool TStrHashItem::Save(const TDiscBlock& block) {
  (void)block;
  return true;
}
