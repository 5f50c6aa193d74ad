#pragma once
// Declarations shared by the message model, its coders and its writer and
// reader, which refer to one another.
#include <cstdint>

enum TNetMessageCoderPartType : uint8_t { mcptUnknown, mcptText, mcptAttachment };
enum TNetMessageEncoding : uint8_t { meMIME, meUU };
enum TNetMessagePriority : uint8_t { mpHighest, mpHigh, mpNormal, mpLow, mpLowest };

class TNetMessage;
class TNetMessageParts;
class TNetMessagePart;
class TNetText;
class TNetAttachment;
class TNetEMailAddressItem;
class TNetEMailAddressList;
class TNetHeaderList;
class TNetMessageDecoder;
class TNetMessageEncoder;
class TNetMessageEncoderInfo;
class TNetMessageDecoderInfo;

// Limits that keep a hostile message from exhausting the reader.
constexpr int32_t NetMaxHeaderLines = 10000;    // header lines of a message or a part
constexpr int32_t NetMaxHeaderBytes = 1 << 20;  // bytes of the header lines of a message
constexpr int32_t NetMaxMessageParts = 10000;   // parts of one message
