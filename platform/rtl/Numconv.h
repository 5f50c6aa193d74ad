#pragma once
// Conversions between numbers and texts, by the format settings
// (DecimalSeparator, ThousandSeparator, CurrencyString, CurrencyFormat,
// NegCurrFormat, CurrencyDecimals). Floating values are rounded half away
// from zero on their decimal digits, at most 18 significant digits.

#include <cstdint>
#include <string>

std::string IntToStr(int64_t Value);
// Upper-case hexadecimal, at least Digits digits.
std::string IntToHex(int64_t Value, int Digits);
// Decimal with optional sign, or hexadecimal after "$" or "0x"; blanks before
// the number are allowed. A text that is not a number raises EConvertError
// "'<text>' is not a valid integer value".
int StrToInt(const std::string& S);
int64_t StrToInt64(const std::string& S);
int StrToIntDef(const std::string& S, int Default);
int64_t StrToInt64Def(const std::string& S, int64_t Default);
bool TryStrToInt(const std::string& S, int& Value);
bool TryStrToInt64(const std::string& S, int64_t& Value);

enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

// ffGeneral: the shortest text of at most Precision significant digits,
//   in scientific form when the exponent is large or the value below 0.0001
//   (Digits: least exponent digits);
// ffExponent: "-d.dddE+dddd" with Precision digits, Digits exponent digits;
// ffFixed: Digits decimals; ffNumber: the same with thousand separators;
// ffCurrency: a money text with Digits decimals by the currency settings.
std::string FloatToStrF(double Value, TFloatFormat Format, int Precision, int Digits);
std::string FloatToStr(double Value);  // ffGeneral, 15 digits
// Picture formats of up to three sections "positive;negative;zero" with the
// placeholders 0 and #, the point, the thousands comma, E+ E- e+ e- and
// quoted literals. An empty format gives FloatToStr.
std::string FormatFloat(const std::string& Format, double Value);
std::string CurrToStr(double Value);  // ffGeneral of a money value

// Reads an optionally signed number with DecimalSeparator and an optional
// exponent; blanks around it are allowed, nothing else.
bool TextToFloat(const std::string& S, double& Value);
bool TryStrToFloat(const std::string& S, double& Value);
// Raises EConvertError "'<text>' is not a valid floating point value".
double StrToFloat(const std::string& S);
double StrToFloatDef(const std::string& S, double Default);

// The floating conversions of Format: type one of e f g n m; Precision -1 for the default.
std::string FormatFloatSpec(double Value, char Type, int Precision);
