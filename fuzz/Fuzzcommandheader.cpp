// The header of a received command message, up to its DATA line, and the author
// data fields it may carry.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/Tbufreader.h"
#include "fuzz/Fuzzsandbox.h"
#include "model/Authordata.h"
#include "model/Tcommandmessage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes = fuzzing::Bytes(data, size);
  TBufReader reader(bytes);
  TCommandMessageHeader header;
  if (header.Read(reader)) {
    for (size_t i = 0; i < header.FieldCount(); ++i) header.GetCryptedFieldValue(header.Field(i).Name.ToString());
    header.IsPrivateMessage();
  }
  std::vector<std::string> fields;
  SplitAuthorDataFields(bytes, fields);
  return 0;
}
