#include "common/Numbers.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "common/RuntimeError.h"
#include "common/Text.h"

namespace kelvora {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Length of the decimal number "[+|-]digits[.digits]" at the start of `s` (0 when there is
// none: a sign or point without any digit is not a number).
std::size_t DecimalLength(const std::string& s, std::size_t from) {
    std::size_t i = from;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        std::size_t j = i + 1;
        std::size_t fraction = 0;
        while (j < s.size() && IsDigit(s[j])) ++j, ++fraction;
        if (fraction > 0 || digits > 0) i = j;
        digits += fraction;
    }
    return digits == 0 ? 0 : i - from;
}

// Reads a span that DecimalLength accepted. from_chars, unlike strtod, ignores the C locale,
// which the toolkit may have set to one with a decimal comma.
double ParseDecimal(const char* first, const char* last) {
    bool negative = false;
    if (*first == '+' || *first == '-') negative = (*first++ == '-');
    double value = 0;
    auto [end, ec] = std::from_chars(first, last, value, std::chars_format::fixed);
    if (ec == std::errc::result_out_of_range) {
        // Too many digits for a double: huge when a non-zero digit stands before the point.
        value = 0;
        for (const char* p = first; p != last && *p != '.'; ++p) {
            if (*p != '0') {
                value = std::numeric_limits<double>::infinity();
                break;
            }
        }
    }
    (void)end;
    return negative ? -value : value;
}

// Nearest whole number, halves to the even neighbour, whatever the current rounding mode.
double RoundHalfEven(double x) {
    double f = std::floor(x);
    double diff = x - f;
    if (diff < 0.5) return f;
    if (diff > 0.5) return f + 1;
    return std::fmod(f, 2.0) == 0 ? f : f + 1;
}

template <typename Int>
Int ToWhole(double value) {
    if (std::isnan(value)) Raise(Err::Overflow, "Overflow");
    double r = RoundHalfEven(value);  // infinities stay infinite and fail the range test
    if (r < static_cast<double>(std::numeric_limits<Int>::min()) ||
        r > static_cast<double>(std::numeric_limits<Int>::max())) {
        Raise(Err::Overflow, "Overflow");
    }
    return static_cast<Int>(r);
}

bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool IsOctalDigit(char c) { return c >= '0' && c <= '7'; }

}  // namespace

double Val(const std::string& text) {
    std::size_t start = text.find_first_not_of(Blanks);
    if (start == std::string::npos) return 0;
    std::size_t n = DecimalLength(text, start);
    if (n == 0) return 0;
    return ParseDecimal(text.data() + start, text.data() + start + n);
}

int32_t CLng(double value) { return ToWhole<int32_t>(value); }

int16_t CInt(double value) { return ToWhole<int16_t>(value); }

int16_t CIntText(const std::string& text) {
    std::string t = Trim(text);
    if (t.empty() || DecimalLength(t, 0) != t.size()) Raise(Err::TypeMismatch, "Type mismatch");
    return CInt(ParseDecimal(t.data(), t.data() + t.size()));
}

double RoundUp(double x) {
    double f = std::floor(x);
    return f == x ? x : f + 1;
}

int32_t MegabytesToBytes(int32_t megabytes) {
    // Two steps, each checked, as the 32-bit arithmetic this mirrors would fail on either.
    int64_t value = megabytes;
    for (int step = 0; step < 2; ++step) {
        value *= 1024;
        if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max()) {
            Raise(Err::Overflow, "Overflow");
        }
    }
    return static_cast<int32_t>(value);
}

bool IsNumeric(const std::string& text) {
    const std::string t = Trim(text);
    std::size_t i = 0;
    const std::size_t n = t.size();
    if (n >= 2 && t[0] == '&') {
        char kind = t[1];
        bool (*digit)(char) = nullptr;
        if (kind == 'H' || kind == 'h') digit = IsHexDigit;
        if (kind == 'O' || kind == 'o') digit = IsOctalDigit;
        if (!digit || n == 2) return false;
        for (i = 2; i < n; ++i) {
            if (!digit(t[i])) return false;
        }
        return true;
    }
    if (i < n && (t[i] == '+' || t[i] == '-')) ++i;
    std::size_t digits = 0;
    // Whole part: digits, with group separators only after a first digit.
    if (i < n && IsDigit(t[i])) {
        while (i < n && (IsDigit(t[i]) || t[i] == ',')) {
            if (t[i] != ',') ++digits;
            ++i;
        }
    }
    if (i < n && t[i] == '.') {
        ++i;
        while (i < n && IsDigit(t[i])) ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < n && (t[i] == 'E' || t[i] == 'e' || t[i] == 'D' || t[i] == 'd')) {
        ++i;
        if (i < n && (t[i] == '+' || t[i] == '-')) ++i;
        std::size_t exponent = 0;
        while (i < n && IsDigit(t[i])) ++i, ++exponent;
        if (exponent == 0) return false;
    }
    return i == n;
}

std::string FormatCounter(int32_t n) {
    int64_t magnitude = n < 0 ? -int64_t{n} : int64_t{n};
    std::string digits = std::to_string(magnitude);
    if (digits.size() < 4) digits.insert(0, 4 - digits.size(), '0');
    return n < 0 ? "-" + digits : digits;
}

std::string ToDecimal(int64_t n) { return std::to_string(n); }

bool IsWholeNumber(const std::string& text) {
    if (!IsNumeric(text)) return false;
    // The numeric test also takes exponents, hex/octal prefixes, separators and signs.
    for (const char* refused : {"E", "D", "&H", "&O", ",", ".", "-", "+"})
        if (ContainsNoCase(text, refused)) return false;
    return true;
}

}  // namespace kelvora
