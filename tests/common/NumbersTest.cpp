#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "common/Numbers.h"
#include "common/RuntimeError.h"

using namespace kelvora;

// The error number a call raises (0 when it raises none).
template <typename F>
static int32_t ErrorOf(F&& f) {
    try {
        f();
    } catch (const RuntimeError& e) {
        return e.Number();
    }
    return 0;
}

TEST(Numbers, ReadingTextsAndRounding) {
    const std::pair<const char*, double> values[] = {{"12abc", 12}, {" \t7", 7}, {"-.25", -0.25}, {"+4", 4}, {"1e6", 1}, {"1,000", 1},
                                                     {"7000000000", 7e9}, {"", 0}, {"-", 0}, {".", 0}, {"x12", 0}, {"- 3", 0}};
    for (const auto& [text, value] : values) EXPECT_EQ(Val(text), value) << '"' << text << '"';
    EXPECT_TRUE(std::isinf(Val(std::string(400, '9'))));
    // The general numeric test knows other notations; a whole number is a plain run of digits.
    for (const char* text : {"-3", "+4", "12.5", ".5", "5.", "1,000,000.25", "1E6", "2d3", "1.5e-3", "&H10", "&hfF", "&o17"})
        EXPECT_TRUE(IsNumeric(text) && !IsWholeNumber(text)) << text;
    for (const char* text : {"", "   ", "-", ".", "1e", "e5", "12 3", "12abc", "1.2.3", "--1", "&H", "&O8", "&X10", ",1", "1e5.0"})
        EXPECT_FALSE(IsNumeric(text) || IsWholeNumber(text)) << '"' << text << '"';
    EXPECT_TRUE(IsNumeric("  12  ") && IsWholeNumber("0123456789") && CIntText(" 3.5\t") == 4);  // a stored text reads as a number as a whole
    for (const char* bad : {"", "1x", "1e3", "&H10", "1,000", "1 2"}) EXPECT_EQ(ErrorOf([bad] { CIntText(bad); }), Err::TypeMismatch) << bad;

    // Whole numbers round halves to even and check the range afterwards.
    const std::pair<double, int> halves[] = {{0.5, 0}, {1.5, 2}, {2.5, 2}, {-2.5, -2}, {2.4999, 2}, {2.5001, 3}};
    for (const auto& [value, rounded] : halves) EXPECT_TRUE(CLng(value) == rounded && CInt(value) == rounded) << value;
    EXPECT_TRUE(CLng(2147483647.4) == 2147483647 && CLng(-2147483648.5) == std::numeric_limits<int32_t>::min() && CInt(-32768.5) == -32768);
    // Beyond these the range holds as fuzz/numbers.cpp checks it, with RoundUp and megabytes;
    // the window's tests round the blocks up and take megabytes.
}
