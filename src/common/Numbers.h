#pragma once
#include <cstdint>
#include <string>

namespace kelvora {

// The number in a text: its leading decimal number, point as decimal mark; leading blanks are
// skipped; an empty or non-numeric text gives 0. ("12abc" -> 12, "1.5x" -> 1.5, "abc" -> 0.)
double Val(const std::string& text);

// Whole-number conversions: nearest integer, halves to the even neighbour. Out of range (or not
// a number) raises RuntimeError Err::Overflow.
int32_t CLng(double value);
int16_t CInt(double value);

// Text to whole number for stored values (settings): the text must read as a number as a whole
// (blanks around allowed); otherwise Err::TypeMismatch. The number then goes through CInt.
int16_t CIntText(const std::string& text);

// The smallest whole number not below x: RoundUp(2.0) = 2, RoundUp(2.000001) = 3, RoundUp(-1.5) = -1.
double RoundUp(double x);

// megabytes x 1024 x 1024, each multiplication checked for 32-bit signed overflow (Err::Overflow).
int32_t MegabytesToBytes(int32_t megabytes);

// The general numeric test: the whole text (blanks around allowed) reads as a number, including
// forms such as "1e6", "2d3", "&H10", "&O7", "1,000", "12.5", "-3", "+4". The empty text fails.
bool IsNumeric(const std::string& text);

// A plain run of decimal digits (no exponent, hex/octal prefix, separator, fraction or sign).
bool IsWholeNumber(const std::string& text);

// A counter written with at least four digits: 1 -> "0001", 10000 -> "10000".
std::string FormatCounter(int32_t n);

// Plain decimal digits for whole numbers, no separators.
std::string ToDecimal(int64_t n);

}  // namespace kelvora
