#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "common/Numbers.h"
#include "common/RuntimeError.h"
#include "common/Text.h"

namespace kelvora {
namespace {

template <typename F>
int32_t ErrorNumberOf(F&& f) {
    try {
        f();
    } catch (const RuntimeError& e) {
        return e.Number();
    }
    return 0;
}

TEST(Val, ReadsTheLeadingDecimalNumber) {
    EXPECT_EQ(Val("12abc"), 12);
    EXPECT_EQ(Val("  7"), 7);
    EXPECT_EQ(Val("\t7"), 7);
    EXPECT_EQ(Val(".5"), 0.5);
    EXPECT_EQ(Val("-3"), -3);
    EXPECT_EQ(Val("+4"), 4);
    EXPECT_EQ(Val("1.5x"), 1.5);
    EXPECT_EQ(Val("-.25"), -0.25);
    EXPECT_EQ(Val("384000"), 384000);
    EXPECT_EQ(Val("7000000000"), 7000000000.0);
    EXPECT_EQ(Val("1e6"), 1);       // no exponent
    EXPECT_EQ(Val("1,000"), 1);     // no group separators
    EXPECT_EQ(Val("0.1"), 0.1);     // correctly rounded, not accumulated digit by digit
}

TEST(Val, GivesZeroWithoutANumber) {
    EXPECT_EQ(Val(""), 0);
    EXPECT_EQ(Val("abc"), 0);
    EXPECT_EQ(Val("   "), 0);
    EXPECT_EQ(Val("-"), 0);
    EXPECT_EQ(Val("."), 0);
    EXPECT_EQ(Val("-.x"), 0);
    EXPECT_EQ(Val("x12"), 0);
    EXPECT_EQ(Val("- 3"), 0);
}

TEST(Val, SurvivesDigitRunsBeyondADouble) {
    EXPECT_TRUE(std::isinf(Val(std::string(400, '9'))));
    EXPECT_EQ(Val("0." + std::string(400, '0') + "1"), 0);
}

TEST(WholeNumbers, RoundHalvesToEven) {
    EXPECT_EQ(CLng(0.5), 0);
    EXPECT_EQ(CLng(1.5), 2);
    EXPECT_EQ(CLng(2.5), 2);
    EXPECT_EQ(CLng(-2.5), -2);
    EXPECT_EQ(CLng(-1.5), -2);
    EXPECT_EQ(CLng(2.4999), 2);
    EXPECT_EQ(CLng(2.5001), 3);
    EXPECT_EQ(CInt(0.5), 0);
    EXPECT_EQ(CInt(1.5), 2);
    EXPECT_EQ(CInt(2.5), 2);
    EXPECT_EQ(CInt(-2.5), -2);
}

TEST(WholeNumbers, CheckTheRangeAfterRounding) {
    EXPECT_EQ(CLng(2147483647.4), 2147483647);
    EXPECT_EQ(CLng(-2147483648.0), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(CLng(-2147483648.5), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(ErrorNumberOf([] { CLng(2147483647.5); }), Err::Overflow);
    EXPECT_EQ(ErrorNumberOf([] { CLng(-2147483649.0); }), Err::Overflow);
    EXPECT_EQ(ErrorNumberOf([] { CLng(1e300); }), Err::Overflow);

    EXPECT_EQ(CInt(32767.4), 32767);
    EXPECT_EQ(CInt(-32768.5), -32768);
    EXPECT_EQ(ErrorNumberOf([] { CInt(32767.5); }), Err::Overflow);
    EXPECT_EQ(ErrorNumberOf([] { CInt(-32769.0); }), Err::Overflow);
    EXPECT_EQ(ErrorNumberOf([] { CInt(40000); }), Err::Overflow);
}

TEST(WholeNumbers, RefuseNonFiniteValues) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (double v : {inf, -inf, nan}) {
        EXPECT_EQ(ErrorNumberOf([v] { CLng(v); }), Err::Overflow);
        EXPECT_EQ(ErrorNumberOf([v] { CInt(v); }), Err::Overflow);
    }
    try {
        CLng(nan);
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.Description(), "Overflow");
    }
}

TEST(CIntText, TakesPlainNumbersOnly) {
    EXPECT_EQ(CIntText("12"), 12);
    EXPECT_EQ(CIntText("-1"), -1);
    EXPECT_EQ(CIntText(" 3\t"), 3);
    EXPECT_EQ(CIntText("2.5"), 2);
    EXPECT_EQ(CIntText("3.5"), 4);
    EXPECT_EQ(CIntText("+0"), 0);
    for (const char* bad : {"", "  ", "abc", "1x", "1e3", "&H10", "1,000", "-", ".", "1 2"}) {
        EXPECT_EQ(ErrorNumberOf([bad] { CIntText(bad); }), Err::TypeMismatch) << '"' << bad << '"';
    }
    try {
        CIntText("x");
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.Description(), "Type mismatch");
    }
    EXPECT_EQ(ErrorNumberOf([] { CIntText("40000"); }), Err::Overflow);
}

TEST(RoundUp, GivesTheSmallestWholeNumberNotBelow) {
    EXPECT_EQ(RoundUp(2.0), 2);
    EXPECT_EQ(RoundUp(2.000001), 3);
    EXPECT_EQ(RoundUp(-1.5), -1);
    EXPECT_EQ(RoundUp(0.0), 0);
    EXPECT_EQ(RoundUp(1000000.0 / 384000.0), 3);
    EXPECT_EQ(RoundUp(768000.0 / 384000.0), 2);
}

TEST(MegabytesToBytes, ChecksEachStep) {
    EXPECT_EQ(MegabytesToBytes(999), 999 * 1048576);
    EXPECT_EQ(MegabytesToBytes(2047), 2146435072);
    EXPECT_EQ(MegabytesToBytes(0), 0);
    EXPECT_EQ(MegabytesToBytes(-1), -1048576);
    EXPECT_EQ(MegabytesToBytes(-2048), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(ErrorNumberOf([] { MegabytesToBytes(2048); }), Err::Overflow);
    EXPECT_EQ(ErrorNumberOf([] { MegabytesToBytes(-2049); }), Err::Overflow);
    // Overflows already at the first multiplication.
    EXPECT_EQ(ErrorNumberOf([] { MegabytesToBytes(3000000); }), Err::Overflow);
}

TEST(IsNumeric, AcceptsTheGeneralNotations) {
    for (const char* good : {"0", "12", "  12  ", "\t5", "-3", "+4", "12.5", ".5", "5.", "-.5", "1,000",
                             "1,000,000.25", "1e6", "1E6", "2d3", "2D3", "1e+6", "1.5e-3", "&H10", "&hff",
                             "&HfF", "&O7", "&o17"}) {
        EXPECT_TRUE(IsNumeric(good)) << '"' << good << '"';
    }
}

TEST(IsNumeric, RefusesWhatIsNoNumber) {
    for (const char* bad : {"", "   ", "-", "+", ".", "1e", "1e+", "e5", "abc", "12 3", "12abc", "1..2",
                            "1.2.3", "--1", "&H", "&O", "&O8", "&HG", "&X10", "- 3", ",1", "1e5.0"}) {
        EXPECT_FALSE(IsNumeric(bad)) << '"' << bad << '"';
    }
}

TEST(Formatting, CountersAndDecimals) {
    EXPECT_EQ(FormatCounter(1), "0001");
    EXPECT_EQ(FormatCounter(9999), "9999");
    EXPECT_EQ(FormatCounter(10000), "10000");
    EXPECT_EQ(FormatCounter(99999), "99999");
    EXPECT_EQ(ToDecimal(0), "0");
    EXPECT_EQ(ToDecimal(7000000000LL), "7000000000");
    EXPECT_EQ(ToDecimal(-42), "-42");
}

TEST(Text, FindsAndComparesWithoutCase) {
    EXPECT_EQ(InStr("abcabc", "c"), 3u);
    EXPECT_EQ(InStr("abcabc", "c", 4), 6u);
    EXPECT_EQ(InStr("abc", "x"), 0u);
    EXPECT_EQ(InStr("abc", "B"), 0u);
    EXPECT_EQ(InStr("abc", "B", 1, true), 2u);
    EXPECT_EQ(InStr("abc", "c", 9), 0u);
    EXPECT_TRUE(ContainsNoCase("12e3", "E"));
    EXPECT_TRUE(ContainsNoCase("x&h1", "&H"));
    EXPECT_FALSE(ContainsNoCase("123", "E"));
    EXPECT_TRUE(EqualsNoCase("Settings", "SETTINGS"));
    EXPECT_FALSE(EqualsNoCase("Setting", "Settings"));
    EXPECT_EQ(ToUpperAscii("ab\xC3\xAB" "z"), "AB\xC3\xAB" "Z");  // other bytes untouched
}

TEST(Text, TrimsReplacesAndMatchesEnds) {
    EXPECT_EQ(Trim(" \t a b \t "), "a b");
    EXPECT_EQ(Trim(" \t "), "");
    EXPECT_EQ(ReplaceNoCase("a.RAR b.rar", ".rar", ".par2"), "a.par2 b.par2");
    EXPECT_EQ(ReplaceNoCase("aaa", "a", "aa"), "aaaaaa");
    EXPECT_EQ(ReplaceNoCase("abc", "", "x"), "abc");
    EXPECT_TRUE(StartsWith("Kelvora0001", "Kelvora"));
    EXPECT_FALSE(StartsWith("Kel", "Kelvora"));
    EXPECT_TRUE(EndsWith("name.PART1.RAR", ".rar", true));
    EXPECT_FALSE(EndsWith("name.PART1.RAR", ".rar"));
    EXPECT_FALSE(EndsWith("ar", ".rar", true));
}

}  // namespace
}  // namespace kelvora
