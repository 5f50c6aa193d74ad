// Header values and the transfer codings of received mail: encoded words, address
// lists, quoted-printable, base64, UU and XX lines.

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/Fuzzsandbox.h"
#include "net/Netcodings.h"
#include "net/Netheadercoder.h"
#include "net/Tnetemailaddress.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(fuzzing::Bytes(data, size));
  DecodeHeader(text);
  HeaderSafe(text);
  std::string out;
  DecodeQuotedPrintable(text, out);
  out.clear();
  Decode4to3(text.data(), text.size(), NetBase64Table, out);
  out.clear();
  DecodeUULine(text, NetUUETable, true, out);
  out.clear();
  DecodeUULine(text, NetXXETable, false, out);
  try {
    TNetEMailAddressList list(nullptr);
    list.SetEMailAddresses(text);
    for (int i = 0; i < list.Count(); ++i) EncodeAddressItem(list.Items(i), 'Q', bit8, "windows-1251");
  } catch (const std::exception&) {
    // a refused address is an answer, not a finding
  }
  return 0;
}
