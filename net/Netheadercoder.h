#pragma once
// RFC 2047 encoded words in header values, quoted display names, and the
// Shift-JIS / ISO-2022-JP conversions of a Japanese system.
#include <cstdint>
#include <string>

// Transfer kinds of the text: 7-bit, 8-bit, ISO-2022-JP.
constexpr uint8_t bit7 = 0, bit8 = 1, iso2022jp = 2;

// Characters that must not stand bare in a display name.
extern const std::string NetAddressSpecials;

// The defaults of the user's language: transfer kind, header encoding ('Q',
// 'B' or '8') and character set. Texts are in the program's code page, so
// the set of every language but the CJK ones names that code page.
void DefaultInitializeISO(uint8_t& TransferHeader, char& HeaderEncoding, std::string& CharSet);

// Writes the words that hold bytes outside printable ASCII (or one of
// Specials) as encoded words of at most 75 characters, joined by CR LF TAB.
// Column is the length of what stands before the value on its line ("Subject: "):
// no line of encoded words grows past 76 characters.
std::string EncodeHeader(const std::string& Header, const std::string& Specials, char HeaderEncoding,
                         uint8_t TransferHeader, const std::string& CharSet, size_t Column = 0);

// A display name for "name <address>": encoded when it holds non-ASCII bytes,
// else in double quotes with backslashes before backslashes and quotes.
std::string EncodeDisplayName(const std::string& Name, char HeaderEncoding, uint8_t TransferHeader,
                              const std::string& CharSet);

class TNetEMailAddressItem;
class TNetEMailAddressList;

// "name <address>" with the name coded as EncodeDisplayName; the address alone
// without a name.
std::string EncodeAddressItem(TNetEMailAddressItem* EmailAddr, char HeaderEncoding, uint8_t TransferHeader,
                              const std::string& CharSet);
// The items joined by ", ".
std::string EncodeAddress(TNetEMailAddressList* EmailAddr, char HeaderEncoding, uint8_t TransferHeader,
                          const std::string& CharSet);

// Replaces the encoded words of the ISO-* and WINDOWS-* character sets by their bytes.
std::string DecodeHeader(const std::string& Header);

// A header value with every CR and LF that is not a fold (CR LF before a
// blank or TAB) turned into a blank, so that no value can start a header line.
std::string HeaderSafe(const std::string& Value);
