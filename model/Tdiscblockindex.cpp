#include "model/Tdiscblockindex.h"

#include "foundation/Tbufreader.h"
#include "foundation/Tbufwriter.h"

void TDiscBlockCode::SaveToBufWriter(TBufWriter& writer) const {
  writer.WriteByte(StorageType);
  writer.WriteWord(BlockNum);
}

void TDiscBlockCode::LoadFromBufReader(TBufReader& reader) {
  StorageType = reader.ReadByte();
  BlockNum = reader.ReadWord();
}
