#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/base/AsciiText.h"
#include "core/base/ParamStringUtils.h"
#include "core/base/Variant.h"

namespace {

// Every code up to 32 is a blank, nothing above it: not DEL, not the bytes of
// a UTF-8 no-break space, not a byte above 127 (a signed char must not turn
// one into a blank).
TEST(Trim, BlanksAreTheCodesUpTo32) {
    const struct {
        std::string text;
        std::string trimmed;
    } cases[] = {
        {"", ""},
        {"a", "a"},
        {std::string("\0\x01\t\n\v\f\r\x1F a b \x1F\0", 16), "a b"},
        {" \x7F ", "\x7F"},
        {"\xC2\xA0x\xC2\xA0", "\xC2\xA0x\xC2\xA0"},
        {"\x80 \xFF", "\x80 \xFF"},
        {" \xF0\x9F\x98\x80 ", "\xF0\x9F\x98\x80"},
        {" \t\r\n", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Trim(c.text), c.trimmed) << testing::PrintToString(c.text);
        EXPECT_EQ(TrimRight(TrimLeft(c.text)), c.trimmed);
    }
    EXPECT_EQ(TrimLeft(" \va \v"), "a \v");
    EXPECT_EQ(TrimRight(" \va \v"), " \va");
    for (int c = 0; c < 256; ++c) EXPECT_EQ(IsBlank(static_cast<char>(c)), c <= 32) << c;
}

// The readers of numbers, the list splitter and the font list agree on what
// a blank is: each takes "42" out of the same padding.
TEST(Trim, EveryReaderTrimsTheSameBlanks) {
    const std::string paddings[] = {" ", "\t", "\r\n", "\v", "\f", std::string(1, '\0'), "\x1F"};
    for (const std::string& pad : paddings) {
        const std::string text = pad + "42" + pad;
        SCOPED_TRACE(testing::PrintToString(text));
        int64_t integer = 0;
        EXPECT_TRUE(TryTextToInt64(text, integer));
        EXPECT_EQ(integer, 42);
        double real = 0;
        EXPECT_TRUE(TryTextToFloat(text, real));
        EXPECT_EQ(real, 42.0);
        EXPECT_EQ(Variant(text).ToInt(), 42);
        EXPECT_TRUE(Variant(pad + "true" + pad).ToBool());
        TOneArrayOfString pieces;
        EXPECT_EQ(Split(text, pieces, ','), 1);
        EXPECT_EQ(pieces, TOneArrayOfString{"42"});
    }
}

}  // namespace
