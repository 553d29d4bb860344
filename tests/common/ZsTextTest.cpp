#include <gtest/gtest.h>

#include "common/ZsText.h"

TEST(ZsFormat, WidthsCountCharactersNotBytes) {
    EXPECT_EQ(ZsFormat("[%-6s]", "Café"), "[Café  ]");
    EXPECT_EQ(ZsFormat("[%6s]", "Ωmega"), "[ Ωmega]");
    EXPECT_EQ(ZsFormat("[%.2s]", "ÄÖÜ"), "[ÄÖ]");
    EXPECT_EQ(ZsFormat("%.4d. '%-16s' << %s", 7, "Ünïcode", "a.ico"), "0007. 'Ünïcode         ' << a.ico");
}

TEST(ZsFormat, NumbersAndSpecialConversions) {
    EXPECT_EQ(ZsFormat("0x%08X", 0xBEEFu), "0x0000BEEF");
    EXPECT_EQ(ZsFormat("%lld %zu %%", -5LL, static_cast<size_t>(12)), "-5 12 %");
    EXPECT_EQ(ZsFormat("%*d|%-*d|", 4, 7, 3, 1), "   7|1  |");
    EXPECT_EQ(ZsFormat("%.1f", 2.25), "2.2");
    // A long result is not cut at any internal buffer size.
    std::string longText(5000, 'x');
    EXPECT_EQ(ZsFormat("<%s>", longText.c_str()).size(), 5002u);
}

TEST(ZsText, Utf8AndUtf16RoundTrip) {
    const std::string text = "a€\xF0\x9F\x98\x80ő";
    std::u16string u16 = ZsUtf8ToUtf16(text);
    EXPECT_EQ(u16.size(), 5u);  // the emoji takes a surrogate pair
    EXPECT_EQ(ZsUtf16ToUtf8(u16), text);
    std::vector<uint8_t> bytes = ZsUtf8ToUtf16LE("Hi", true);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0xFF, 0xFE, 'H', 0, 'i', 0}));
    EXPECT_EQ(ZsUtf16LEToUtf8(bytes.data(), bytes.size()), "Hi");
    EXPECT_EQ(ZsCharCount(text), 4u);
}

TEST(ZsText, MalformedInputBecomesReplacementCharacters) {
    EXPECT_EQ(ZsDecodeUtf8("a\xC3"), (std::u32string{U'a', 0xFFFD}));
    EXPECT_EQ(ZsDecodeUtf8("\xE0\x80\x80"), (std::u32string{0xFFFD, 0xFFFD, 0xFFFD}));  // overlong
    EXPECT_EQ(ZsUtf16ToUtf8(std::u16string{0xD800, u'x'}), "\xEF\xBF\xBDx");
}

TEST(ZsText, Windows1252) {
    EXPECT_EQ(ZsUtf8ToWin1252("Café €5 ő"),
              "Caf\xE9 \x80"
              "5 ?");
    EXPECT_EQ(ZsWin1252ToUtf8("Caf\xE9 \x80\x99"), "Café €™");
    EXPECT_EQ(ZsUtf8ToWin1252(ZsWin1252ToUtf8("\x81\x8D")), "\x81\x8D");
}

TEST(ZsText, CaseFoldingCoversNonAsciiLetters) {
    EXPECT_EQ(ZsToLower("ÄÖÜ ÉCOLE Ωμέγα ПРИВЕТ"), "äöü école ωμέγα привет");
    EXPECT_TRUE(ZsEqualNoCase("Straße", "STRAßE"));
    EXPECT_FALSE(ZsEqualNoCase("a", "b"));
}
