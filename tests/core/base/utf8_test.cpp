#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "core/base/Utf8.h"

namespace {

struct RoundTrip {
    WideString wide;
    std::string utf8;
};

TEST(Utf8, EncodesAndDecodesTable) {
    const RoundTrip cases[] = {
        {u"", ""},
        {u"A", "A"},
        {u"\u007F", "\x7F"},
        {u"\u0080", "\xC2\x80"},
        {u"\u00E9", "\xC3\xA9"},
        {u"\u07FF", "\xDF\xBF"},
        {u"\u0800", "\xE0\xA0\x80"},
        {u"\u20AC", "\xE2\x82\xAC"},
        {u"\uFFFF", "\xEF\xBF\xBF"},
        {u"a\u00E9\u20AC z", "a\xC3\xA9\xE2\x82\xAC z"},
        {WideString(1, u'\0'), std::string(1, '\0')},
        // Beyond 16 bits: a surrogate pair is one four-byte sequence.
        {u"\U00010000", "\xF0\x90\x80\x80"},
        {u"\U0001F600", "\xF0\x9F\x98\x80"},
        {u"\U0010FFFF", "\xF4\x8F\xBF\xBF"},
        {u"a\U0001F600\u00E9\U0010FFFFz", "a\xF0\x9F\x98\x80\xC3\xA9\xF4\x8F\xBF\xBFz"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WideToUTF8(c.wide), c.utf8);
        EXPECT_EQ(UTF8ToWide(c.utf8), c.wide) << c.utf8;
    }
}

TEST(Utf8, MalformedOrTruncatedGivesEmpty) {
    const std::string cases[] = {
        "\xC3",              // cut after a two-byte lead
        "ab\xE2\x82",        // cut inside a three-byte sequence
        "ab\xE2",            // cut right after a three-byte lead
        "\xC3(",             // second byte not a continuation
        "\xE2(\xAC",         // middle byte not a continuation
        "\xE2\x82(",         // last byte not a continuation
        "a\xFF",             // byte that leads nothing
        "\xF0\x9F\x98",      // cut inside a four-byte sequence
        "\xF0\x9F(\x80",     // four-byte sequence broken by a plain byte
        "\x80",              // continuation byte with no lead
        "\xC0\x80",          // overlong zero
        "\xE0\x80\x8D",      // overlong carriage return
        "\xF0\x8F\xBF\xBF",  // overlong U+FFFF
        "\xF4\x90\x80\x80",  // beyond U+10FFFF
        "\xF5\x80\x80\x80",  // lead byte beyond the range
        "\xED\xA0\xBD",      // unpaired high surrogate
        "\xED\xB8\x80",      // unpaired low surrogate
        "\xED\xA0\xBDx",     // high surrogate followed by no low one
    };
    for (const auto& text : cases) {
        // Exactly-sized heap copy, so the sanitizer sees any read past the end.
        auto exact = std::make_unique<char[]>(text.size());
        std::memcpy(exact.get(), text.data(), text.size());
        EXPECT_EQ(UTF8ToWide(std::string_view(exact.get(), text.size())), WideString())
            << testing::PrintToString(text);
        char16_t out[16];
        EXPECT_EQ(UTF8ToWideBuffer(out, 16, exact.get(), static_cast<int>(text.size())), -1);
    }
}

TEST(Utf8, PairsWrittenAsTwoThreeByteSequencesStillRead) {
    // The form files written by older versions hold.
    EXPECT_EQ(UTF8ToWide("\xED\xA0\xBD\xED\xB8\x80"), u"\U0001F600");
    EXPECT_EQ(UTF8ToWide("x\xED\xAF\xBF\xED\xBF\xBFy"), u"x\U0010FFFFy");
    // and are written back in the four-byte form.
    EXPECT_EQ(WideToUTF8(UTF8ToWide("\xED\xA0\xBD\xED\xB8\x80")), "\xF0\x9F\x98\x80");
}

TEST(Utf8, UnpairedSurrogatesEncodeAsReplacementCharacter) {
    const RoundTrip cases[] = {
        {u"\xD800", "\xEF\xBF\xBD"},
        {u"\xDC00", "\xEF\xBF\xBD"},
        {u"a\xD83D!", "a\xEF\xBF\xBD!"},
        {u"\xDE00\xD83D", "\xEF\xBF\xBD\xEF\xBF\xBD"},  // low before high is no pair
        {u"\xD83D\xD83D\xDE00", "\xEF\xBF\xBD\xF0\x9F\x98\x80"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WideToUTF8(c.wide), c.utf8) << testing::PrintToString(c.utf8);
    // The buffer form too, and a pair cut by the source count is unpaired.
    char bytes[8];
    EXPECT_EQ(WideToUTF8Buffer(bytes, 8, u"\U0001F600", 1), 4);
    EXPECT_STREQ(bytes, "\xEF\xBF\xBD");
}

TEST(Utf8, ReadsOneCharacterAtATime) {
    const struct {
        std::string text;
        std::u32string chars;
    } cases[] = {
        {"a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF",
         U"a\u00E9\u20AC\U0001F600\U0010FFFF"},
        {"\xED\xA0\xBD\xED\xB8\x80!", U"\U0001F600!"},
        // Each malformed byte gives one U+FFFD and the reader moves on by one.
        {"\xE0\x80\x8D", U"\uFFFD\uFFFD\uFFFD"},
        {"\xF0\x9F\x98", U"\uFFFD\uFFFD\uFFFD"},
        {"\xC3(", U"\uFFFD("},
        {"\xED\xA0\xBDz", U"\uFFFD\uFFFD\uFFFDz"},
        {"\xFF\xFE", U"\uFFFD\uFFFD"},
    };
    for (const auto& c : cases) {
        // Exactly-sized heap copy, so the sanitizer sees any read past the end.
        auto exact = std::make_unique<char[]>(c.text.size());
        std::memcpy(exact.get(), c.text.data(), c.text.size());
        const std::string_view text(exact.get(), c.text.size());
        std::u32string chars;
        std::string again;
        for (size_t pos = 0; pos < text.size();) {
            chars += ReadUtf8Char(text, pos);
            AppendUtf8Char(again, chars.back());
        }
        EXPECT_EQ(chars, c.chars) << testing::PrintToString(c.text);
        EXPECT_EQ(UTF8ToWide(again).empty(), again.empty()) << "re-encoded text is well-formed";
    }
    std::string out;
    AppendUtf8Char(out, 0xD800);
    AppendUtf8Char(out, 0x110000);
    EXPECT_EQ(out, "\xEF\xBF\xBD\xEF\xBF\xBD");
}

#ifndef NDEBUG
TEST(Utf8DeathTest, ReadingPastTheEndIsRefused) {
    size_t pos = 2;
    EXPECT_DEATH(ReadUtf8Char("ab", pos), "ReadUtf8Char was asked to read past the end");
}
#endif

TEST(Utf8, NullSourcesAndDestinations) {
    char bytes[4] = "xyz";
    char16_t units[4] = u"xyz";
    EXPECT_EQ(WideToUTF8Buffer(bytes, 4, nullptr, 3), 0);
    EXPECT_EQ(UTF8ToWideBuffer(units, 4, nullptr, 3), 0);
    EXPECT_EQ(WideToUTF8Buffer(bytes, 0, u"a", 1), 0);
    EXPECT_EQ(UTF8ToWideBuffer(units, 0, "a", 1), 0);
    EXPECT_EQ(std::string(bytes), "xyz");  // nothing written without room
    EXPECT_EQ(WideToUTF8Buffer(bytes, 4, u"", 0), 1);
    EXPECT_EQ(bytes[0], '\0');
    EXPECT_EQ(UTF8ToWideBuffer(units, 4, "", 0), 1);
    EXPECT_EQ(units[0], u'\0');
}

TEST(Utf8, BufferCapacityKeepsWholeUnitsAndTheTerminator) {
    // "é€a" needs 2 + 3 + 1 bytes.
    const char16_t* wide = u"\u00E9\u20ACa";
    const struct {
        int capacity;
        int result;
        const char* bytes;
    } cases[] = {
        {1, 1, ""},
        {2, 1, ""},
        {3, 3, "\xC3\xA9"},
        {5, 3, "\xC3\xA9"},
        {6, 6, "\xC3\xA9\xE2\x82\xAC"},
        {7, 7,
         "\xC3\xA9\xE2\x82\xAC"
         "a"},
    };
    for (const auto& c : cases) {
        char out[8];
        std::memset(out, '#', sizeof out);
        EXPECT_EQ(WideToUTF8Buffer(out, c.capacity, wide, 3), c.result) << c.capacity;
        EXPECT_STREQ(out, c.bytes) << c.capacity;
        EXPECT_EQ(out[c.capacity], '#') << "wrote past capacity " << c.capacity;
    }
    const char* utf8 =
        "\xC3\xA9\xE2\x82\xAC"
        "a";
    for (int capacity = 1; capacity <= 4; ++capacity) {
        char16_t out[6];
        std::fill(std::begin(out), std::end(out), u'#');
        EXPECT_EQ(UTF8ToWideBuffer(out, capacity, utf8, 6), capacity) << capacity;
        EXPECT_EQ(WideString(out), WideString(u"\u00E9\u20ACa").substr(0, capacity - 1));
        EXPECT_EQ(out[capacity], u'#') << "wrote past capacity " << capacity;
    }
}

TEST(Utf8, BufferCapacityNeverSplitsAPair) {
    // "a😀" needs 1 + 4 bytes, and 1 + 2 units.
    const char16_t* wide = u"a\U0001F600";
    for (int capacity = 1; capacity <= 7; ++capacity) {
        char out[8];
        std::memset(out, '#', sizeof out);
        const int result = WideToUTF8Buffer(out, capacity, wide, 3);
        const char* expected = capacity >= 6 ? "a\xF0\x9F\x98\x80" : capacity >= 2 ? "a" : "";
        EXPECT_STREQ(out, expected) << capacity;
        EXPECT_EQ(result, static_cast<int>(std::strlen(expected)) + 1) << capacity;
        EXPECT_EQ(out[capacity], '#') << "wrote past capacity " << capacity;
    }
    const char* utf8 = "a\xF0\x9F\x98\x80";
    for (int capacity = 1; capacity <= 4; ++capacity) {
        char16_t out[6];
        std::fill(std::begin(out), std::end(out), u'#');
        const int result = UTF8ToWideBuffer(out, capacity, utf8, 5);
        const WideString expected = capacity >= 4 ? u"a\U0001F600" : capacity >= 2 ? u"a" : u"";
        EXPECT_EQ(WideString(out), expected) << capacity;
        EXPECT_EQ(result, static_cast<int>(expected.size()) + 1) << capacity;
        EXPECT_EQ(out[capacity], u'#') << "wrote past capacity " << capacity;
    }
}

TEST(Utf8, SourceCountBoundsTheInput) {
    // Only the counted bytes are read: a cut three-byte sequence is malformed
    // even though the continuation follows in memory.
    char16_t out[8];
    EXPECT_EQ(UTF8ToWideBuffer(out, 8, "\xE2\x82\xAC", 2), -1);
    EXPECT_EQ(UTF8ToWideBuffer(out, 8, "ab\xE2\x82\xAC", 2), 3);
    EXPECT_EQ(WideString(out), u"ab");
    char bytes[8];
    EXPECT_EQ(WideToUTF8Buffer(bytes, 8, u"\u00E9zz", 1), 3);
    EXPECT_STREQ(bytes, "\xC3\xA9");
}

}  // namespace
