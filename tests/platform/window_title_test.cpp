#include <gtest/gtest.h>

#include <string>

#include "core/base/Utf8.h"
#include "platform/HeadlessPlatform.h"
#include "platform/Utf8Text.h"

namespace {

const std::string kSmile = "\xF0\x9F\x98\x80";  // U+1F600
const std::string kLast = "\xF4\x8F\xBF\xBF";   // U+10FFFF
const std::string kBad = "\xEF\xBF\xBD";        // U+FFFD

TEST(WindowTitle, KeepsCharactersBeyond16BitsAndReplacesWhatIsMalformed) {
    const struct {
        std::string text;
        size_t maxChars;
        std::string title;
    } cases[] = {
        {"Quillmarch " + kSmile + " " + kLast, 255, "Quillmarch " + kSmile + " " + kLast},
        // A pair written as two halves, as older files hold it.
        {"\xED\xA0\xBD\xED\xB8\x80", 255, kSmile},
        {"\xF0\x9F\x98", 255, kBad + kBad + kBad},         // cut four-byte sequence
        {"\xE0\x80\x8D", 255, kBad + kBad + kBad},         // overlong carriage return
        {"\xED\xA0\xBDx", 255, kBad + kBad + kBad + "x"},  // unpaired surrogate
        {"a\tb\x7F", 255, "a b "},
        // The limit counts characters, not bytes or units.
        {kSmile + kLast + kSmile, 2, kSmile + kLast},
    };
    for (const auto& c : cases) {
        const std::string title = MakeWindowTitle(c.text, c.maxChars);
        EXPECT_EQ(title, c.title) << testing::PrintToString(c.text);
        EXPECT_FALSE(UTF8ToWide(title).empty())
            << "not well-formed: " << testing::PrintToString(title);
    }
}

TEST(WindowTitle, TheHeadlessWindowShowsCharactersBeyond16Bits) {
    THeadlessPlatform platform;
    ASSERT_TRUE(platform.CreateDisplay({640, 480, false}));
    platform.SetTitle(kSmile + " " + kLast);
    EXPECT_EQ(platform.WindowTitle(), kSmile + " " + kLast);
    EXPECT_EQ(UTF8ToWide(platform.WindowTitle()), u"\U0001F600 \U0010FFFF");
}

}  // namespace
