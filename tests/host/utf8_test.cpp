#include <gtest/gtest.h>

#include <string>

#include "core/utf8.h"

namespace {

// What the console's input, the checker's file names and an INF saved as
// UTF-8 go through: the strict reading refuses a malformed file name, the
// lenient one reads an INF on as Windows does, one U+FFFD per bad byte.
TEST(Utf8, StrictRefusesWhatTheLenientReadingReplaces) {
    struct Case {
        const char* label;
        std::string bytes;
        bool wellFormed;
        std::wstring lenient;
    };
    const Case cases[] = {
        {"ASCII", "Orvane KX-24", true, L"Orvane KX-24"},
        {"two, three and four bytes", "\xC3\xA9\xE6\x89\x93\xF0\x9F\x96\xA8", true, L"\u00E9\u6253\xD83D\xDDA8"},
        {"highest character", "\xF4\x8F\xBF\xBF", true, L"\xDBFF\xDFFF"},
        {"overlong slash", "a\xC0\xAF" "b", false, L"a\xFFFD\xFFFD" L"b"},
        {"overlong three bytes", "\xE0\x80\xAF", false, L"\xFFFD\xFFFD\xFFFD"},
        {"surrogate encoded", "\xED\xA0\x80", false, L"\xFFFD\xFFFD\xFFFD"},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", false, L"\xFFFD\xFFFD\xFFFD\xFFFD"},
        {"cut short at the end", "x\xE6\x89", false, L"x\xFFFD\xFFFD"},
        {"cut short by ASCII", "\xE6\x89y", false, L"\xFFFD\xFFFDy"},
        {"lone continuation byte", "\x80z", false, L"\xFFFDz"},
        {"GBK bytes are no UTF-8", "\xB4\xF2\xBB\xFA", false, L"\xFFFD\xFFFD\xFFFD\xFFFD"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::wstring strict = L"left over";
        EXPECT_EQ(core::Utf8ToWide(c.bytes, strict), c.wellFormed);
        if (c.wellFormed) EXPECT_EQ(strict, c.lenient);
        EXPECT_EQ(core::Utf8ToWideLeniently(c.bytes), c.lenient);
    }
}

TEST(Utf8, WideTextGoesThereAndBackAndLoneSurrogatesBecomeReplacements) {
    const std::wstring text = L"\u66dc\u9a70 VP-7730 \xD83D\xDDA8 \u00FC";
    std::wstring back;
    ASSERT_TRUE(core::Utf8ToWide(core::ToUtf8(text), back));
    EXPECT_EQ(back, text);

    EXPECT_EQ(core::ToUtf8(L"a\xD800" L"b"), "a\xEF\xBF\xBD" "b");
    EXPECT_EQ(core::ToUtf8(L"\xDC00\xD800"), "\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(core::ToUtf8(std::wstring(1, L'\0')), std::string(1, '\0'));
}

}  // namespace
