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
        // Units stand alone: a surrogate pair is two three-byte sequences.
        {u"\U0001F600", "\xED\xA0\xBD\xED\xB8\x80"},
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
        "\xF0\x9F\x98\x80",  // four-byte sequence
        "a\xFF",             // byte that leads nothing
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
