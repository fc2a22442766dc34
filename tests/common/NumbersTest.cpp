#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "common/Numbers.h"
#include "common/RuntimeError.h"

namespace kelvora {
namespace {

// The error number a call raises (0 when it raises none).
template <typename F>
int32_t ErrorNumberOf(F&& f) {
    try {
        f();
    } catch (const RuntimeError& e) {
        return e.Number();
    }
    return 0;
}

constexpr double Inf = std::numeric_limits<double>::infinity();
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

TEST(Numbers, ValReadsTheLeadingDecimalNumber) {
    const std::pair<const char*, double> cases[] = {
        {"12abc", 12}, {" \t7", 7},  {".5", 0.5},         {"-.25", -0.25}, {"+4", 4},  {"1.5x", 1.5},
        {"0.1", 0.1},  {"1e6", 1},   {"1,000", 1},        {"7000000000", 7e9},         {"", 0},
        {"abc", 0},    {"-", 0},     {".", 0},            {"x12", 0},      {"- 3", 0}};
    for (const auto& [text, value] : cases) EXPECT_EQ(Val(text), value) << '"' << text << '"';
    EXPECT_TRUE(std::isinf(Val(std::string(400, '9'))));
}

TEST(Numbers, WholeNumbersRoundHalvesToEvenAndCheckTheRangeAfterwards) {
    const std::pair<double, int> halves[] = {{0.5, 0},   {1.5, 2},   {2.5, 2},      {-2.5, -2},
                                             {-1.5, -2}, {2.4999, 2}, {2.5001, 3}};
    for (const auto& [value, rounded] : halves) {
        EXPECT_EQ(CLng(value), rounded) << value;
        EXPECT_EQ(CInt(value), rounded) << value;
    }
    EXPECT_EQ(CLng(2147483647.4), 2147483647);
    EXPECT_EQ(CLng(-2147483648.5), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(CInt(32767.4), 32767);
    EXPECT_EQ(CInt(-32768.5), -32768);
    for (double v : {2147483647.5, -2147483649.0, 1e300, Inf, -Inf, NaN})
        EXPECT_EQ(ErrorNumberOf([v] { CLng(v); }), Err::Overflow) << v;
    for (double v : {32767.5, -32769.0, 40000.0, Inf, NaN}) EXPECT_EQ(ErrorNumberOf([v] { CInt(v); }), Err::Overflow) << v;

    // Stored texts must read as a number as a whole.
    EXPECT_EQ(CIntText(" 3.5\t"), 4);
    for (const char* bad : {"", "abc", "1x", "1e3", "&H10", "1,000", "1 2"})
        EXPECT_EQ(ErrorNumberOf([bad] { CIntText(bad); }), Err::TypeMismatch) << '"' << bad << '"';
    EXPECT_EQ(ErrorNumberOf([] { CIntText("40000"); }), Err::Overflow);
}

TEST(Numbers, RoundUpAndMegabytes) {
    const std::pair<double, double> up[] = {
        {2.0, 2}, {2.000001, 3}, {-1.5, -1}, {0.0, 0}, {1000000.0 / 384000.0, 3}, {768000.0 / 384000.0, 2}};
    for (const auto& [x, result] : up) EXPECT_EQ(RoundUp(x), result) << x;

    EXPECT_EQ(MegabytesToBytes(2047), 2146435072);
    EXPECT_EQ(MegabytesToBytes(-2048), std::numeric_limits<int32_t>::min());
    // 3000000 overflows at the first multiplication already.
    for (int32_t mb : {2048, -2049, 3000000}) EXPECT_EQ(ErrorNumberOf([mb] { MegabytesToBytes(mb); }), Err::Overflow) << mb;
}

TEST(Numbers, IsNumericKnowsTheGeneralNotations) {
    for (const char* good : {"12", "  12  ", "-3", "+4", "12.5", ".5", "5.", "1,000", "1,000,000.25", "1e6", "1E6",
                             "2d3", "2D3", "1e+6", "1.5e-3", "&H10", "&hfF", "&O7", "&o17"})
        EXPECT_TRUE(IsNumeric(good)) << '"' << good << '"';
    for (const char* bad : {"", "   ", "-", ".", "1e", "e5", "12 3", "12abc", "1.2.3", "--1", "&H", "&O8", "&HG",
                            "&X10", "- 3", ",1", "1e5.0"})
        EXPECT_FALSE(IsNumeric(bad)) << '"' << bad << '"';
}

TEST(Numbers, CountersHaveAtLeastFourDigits) {
    const std::pair<int32_t, const char*> cases[] = {{1, "0001"}, {9999, "9999"}, {10000, "10000"}, {99999, "99999"}};
    for (const auto& [n, text] : cases) EXPECT_EQ(FormatCounter(n), text);
}

}  // namespace
}  // namespace kelvora
