// The number rules on any text, and on any double and 32-bit number the input's bytes make:
// nothing but the documented errors, and results that agree with each other.
#include <cmath>
#include <cstring>

#include "Fuzz.h"
#include "common/Numbers.h"
#include "common/RuntimeError.h"
#include "common/Text.h"

using namespace kelvora;

namespace {

// The error a call raises: 0 for none.
template <typename F>
int32_t ErrorOf(F&& f) {
    try {
        f();
    } catch (const RuntimeError& e) {
        return e.Number();
    }
    return 0;
}

void WholeNumbers(double value) {
    int32_t whole = 0;
    if (ErrorOf([&] { whole = CLng(value); }) == 0)
        fuzz::Check(std::fabs(whole - value) <= 0.5, "CLng gives the nearest whole number");
    else
        fuzz::Check(std::isnan(value) || std::fabs(value) >= 2147483647.5, "CLng fails only out of range");
    int16_t small = 0;
    if (ErrorOf([&] { small = CInt(value); }) == 0)
        fuzz::Check(std::fabs(small - value) <= 0.5, "CInt gives the nearest whole number");
    else
        fuzz::Check(std::isnan(value) || std::fabs(value) >= 32767.5, "CInt fails only out of range");
    if (std::isfinite(value)) {
        const double up = RoundUp(value);
        fuzz::Check(up >= value && std::floor(up) == up && (up == value || up - 1 < value), "RoundUp gives the next whole number");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string text = fuzz::Text(data, size);
    const double value = Val(text);
    WholeNumbers(value);

    const bool numeric = IsNumeric(text), whole = IsWholeNumber(text);
    fuzz::Check(!whole || numeric, "a whole number is numeric");
    if (whole) {
        const std::string digits = Trim(text);
        fuzz::Check(digits.find_first_not_of("0123456789") == std::string::npos, "a whole number is digits only");
    }
    int16_t stored = 0;
    const int32_t error = ErrorOf([&] { stored = CIntText(text); });
    fuzz::Check(error == 0 || error == Err::TypeMismatch || error == Err::Overflow, "CIntText raises its own errors only");
    if (error == 0) fuzz::Check(numeric && stored == CInt(value), "a stored number reads as its text's number");

    if (size >= sizeof(double)) {
        double raw;
        std::memcpy(&raw, data, sizeof raw);
        WholeNumbers(raw);
    }
    if (size >= sizeof(int32_t)) {
        int32_t megabytes;
        std::memcpy(&megabytes, data, sizeof megabytes);
        int32_t bytes = 0;
        const int64_t exact = int64_t{megabytes} * 1048576;
        if (ErrorOf([&] { bytes = MegabytesToBytes(megabytes); }) == 0)
            fuzz::Check(bytes == exact, "megabytes are 1,048,576 bytes");
        else
            fuzz::Check(exact < INT32_MIN || exact > INT32_MAX, "megabytes fail only beyond 32 bits");
    }
    return 0;
}
