#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <random>
#include <set>

#include "core/packs/Cipher.h"

namespace {

std::string Unhex(const std::string& hex) {
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    }
    return bytes;
}

struct KnownAnswer {
    std::string key, plain, cipherHex;
};

// Computed by data/cipher/make_vectors.py straight from the algorithm, not by
// this code.
std::vector<KnownAnswer> LoadKnownAnswers() {
    std::ifstream in(QM_TEST_DATA_DIR "/cipher/vectors.txt");
    std::vector<KnownAnswer> answers;
    for (std::string line; std::getline(in, line);) {
        size_t a = line.find(':'), b = line.find(':', a + 1);
        if (a == std::string::npos || b == std::string::npos) continue;
        answers.push_back(
            {Unhex(line.substr(0, a)), Unhex(line.substr(a + 1, b - a - 1)), line.substr(b + 1)});
    }
    return answers;
}

TEST(Cipher, KnownAnswers) {
    auto answers = LoadKnownAnswers();
    std::set<size_t> keyLengths, textLengths;
    for (const auto& v : answers) {
        keyLengths.insert(v.key.size());
        textLengths.insert(v.plain.size());
        SCOPED_TRACE("key of " + std::to_string(v.key.size()) + ", text of " +
                     std::to_string(v.plain.size()));
        std::string cipher = Unhex(v.cipherHex);
        EXPECT_EQ(XteaEncipherString(v.plain, v.key), cipher);
        EXPECT_EQ(XteaDecipherString(cipher, v.key), v.plain);

        TCipher_Xtea xtea(v.key);
        EXPECT_EQ(xtea.CodeString(v.plain, paEncode, kFormatHex), v.cipherHex);
        EXPECT_EQ(xtea.CodeString(v.cipherHex, paDecode, kFormatHex), v.plain);
        EXPECT_EQ(xtea.CodeString(v.plain, paEncode, kFormatCopy), cipher);
        EXPECT_EQ(xtea.CodeString(cipher, paDecode, kFormatCopy), v.plain);
    }
    // The table must keep covering the key and text lengths in use.
    EXPECT_EQ(keyLengths, (std::set<size_t>{0, 15, 16, 22, 26}));
    for (size_t n : {0, 1, 7, 8, 9, 17, 71, 203}) EXPECT_TRUE(textLengths.count(n)) << n;
}

TEST(Cipher, BlockLayerMatchesMessageLayer) {
    const TXteaKey k = XteaKeyOf("0123456789abcdef");
    std::string text;
    for (int i = 0; i < 24; ++i) text += static_cast<char>(i * 11 + 3);
    std::string cipher = XteaEncipherString(text, "0123456789abcdef");
    for (size_t pos = 1; pos <= 17; pos += 8) {
        uint32_t y = GetStringWord(text, pos), z = GetStringWord(text, pos + 4);
        XteaEncipherBlock(y, z, k);
        EXPECT_EQ(y, GetStringWord(cipher, pos));
        EXPECT_EQ(z, GetStringWord(cipher, pos + 4));
        XteaDecipherBlock(y, z, k);
        EXPECT_EQ(y, GetStringWord(text, pos));
        EXPECT_EQ(z, GetStringWord(text, pos + 4));
    }
}

TEST(Cipher, RoundTripEveryLength) {
    std::string text;
    for (size_t n = 0; n <= 300; ++n) {
        std::string cipher = XteaEncipherString(text, "Quillmarch-2007");
        ASSERT_EQ(cipher.size(), n);
        if (n >= 8) {
            EXPECT_NE(cipher, text);
        }
        ASSERT_EQ(XteaDecipherString(cipher, "Quillmarch-2007"), text) << n;
        text += static_cast<char>(n * 29 + 7);
    }
}

TEST(Cipher, ChangingTheTailChangesOnlyTheTail) {
    for (size_t n : {3, 8 * 9 + 5, 8 * 20 + 1}) {
        std::string text(n, 'a');
        std::string changed = text;
        changed.back() = 'b';
        std::string a = XteaEncipherString(text, "key"), b = XteaEncipherString(changed, "key");
        size_t whole = n / 8 * 8;
        EXPECT_EQ(a.substr(0, whole), b.substr(0, whole)) << n;
        EXPECT_NE(a.substr(whole), b.substr(whole)) << n;
    }
    // Blocks are independent: a change in the first block leaves the others.
    std::string text(8 * 12, 'q'), changed = text;
    changed[3] = 'r';
    std::string a = XteaEncipherString(text, "key"), b = XteaEncipherString(changed, "key");
    EXPECT_NE(a.substr(0, 8), b.substr(0, 8));
    EXPECT_EQ(a.substr(8), b.substr(8));
}

TEST(Cipher, KeyStringsAreCutAndPaddedToSixteenBytes) {
    const std::string text = "a message longer than one block, with a tail";
    EXPECT_EQ(XteaEncipherString(text, "abcdefghijklmnopqrstuvwxyz"),
              XteaEncipherString(text, "abcdefghijklmnop"));
    EXPECT_EQ(XteaEncipherString(text, "Quillmarch-2007"),
              XteaEncipherString(text, std::string("Quillmarch-2007\0", 16)));
    EXPECT_NE(XteaEncipherString(text, "abcdefghijklmnop"),
              XteaEncipherString(text, "abcdefghijklmnoq"));
    EXPECT_EQ(XteaKeyOf("\x01\x02\x03\x04\x05"), (TXteaKey{0x04030201, 5, 0, 0}));
}

TEST(Cipher, StringWords) {
    const std::string text = "\x01\x02\x03\x04\x05\x06";
    EXPECT_EQ(GetStringWord(text, 1), 0x04030201u);
    EXPECT_EQ(GetStringWord(text, 4), 0x00060504u);
    EXPECT_EQ(GetStringWord(text, 7), 0u);
    std::string target(6, '\0');
    PutStringWord(0x44332211, target, 4);
    EXPECT_EQ(target, std::string("\0\0\0\x11\x22\x33", 6));
}

TEST(Cipher, UnknownFormatOrActionGivesEmptyText) {
    TCipher_Xtea xtea("key");
    EXPECT_EQ(StringFormatOf(2), nullptr);
    EXPECT_EQ(xtea.CodeString("some text", paEncode, 2), "");
    EXPECT_EQ(xtea.CodeString("0011", paDecode, 0), "");
    EXPECT_EQ(xtea.CodeString("some text", static_cast<TPAction>(2), kFormatHex), "");
    EXPECT_EQ(xtea.CodeString("", paEncode, kFormatHex), "");
}

struct HexCase {
    const char* text;
    std::string bytes;
};

TEST(HexFormat, DecodingTable) {
    const HexCase cases[] = {
        {"", ""},
        {"00FF7a", std::string("\x00\xff\x7a", 3)},
        {"abcdef", "\xab\xcd\xef"},
        {"0 1\r\n2\t3", "\x01\x23"},
        {"4G1z-2;3", "\x41\x23"},
        {"123", "\x12"},  // a lone last digit is dropped
        {"1", ""},
        {"12$3456", "\x34\x56"},   // the first "$" restarts
        {"1$2345", "\x23\x45"},    // ...also a half byte
        {"12$34$56", "\x34\x56"},  // a later "$" changes nothing
        {"$", ""},
        {"X1", "\x01"},  // X: value 16, high half 0
        {"2x", "\x30"},  // ...low half ORs in 0x10
        {"0102030405060708090A0B0C0D0E0F10\n1112",
         "\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f\x10\x11\x12"},
        {"01020304050607 0809", "\x01\x02\x03\x04\x05\x06\x07\x08\x09"},
        {"0102030405060708 9", "\x01\x02\x03\x04\x05\x06\x07\x08"},
    };
    const TStringFormat* hex = StringFormatOf(kFormatHex);
    ASSERT_NE(hex, nullptr);
    for (const auto& c : cases) EXPECT_EQ(hex->Decode(std::string_view(c.text)), c.bytes) << c.text;
    // A negative length ends the text at its first zero byte; no text gives no bytes.
    const char withZero[] = {'4', '1', '4', '2', '\0', '4', '3', '\0'};
    EXPECT_EQ(hex->Decode(withZero, -1), "AB");
    EXPECT_EQ(hex->Decode(nullptr, 4), "");
}

// The decoder as a plain loop over the characters, for comparison.
std::string ReferenceHexDecode(const std::string& text) {
    const std::string digits = "0123456789ABCDEFX$";
    std::string bytes;
    int high = -1;
    bool restarted = false;
    for (char c : text) {
        size_t v = digits.find(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
        if (c == '\0' || v == std::string::npos) continue;
        if (v == 17) {
            if (!restarted) {
                bytes.clear();
                high = -1;
            }
            restarted = true;
        } else if (high < 0) {
            high = static_cast<int>(v);
        } else {
            bytes += static_cast<char>((high << 4) | static_cast<int>(v));
            high = -1;
        }
    }
    return bytes;
}

TEST(HexFormat, LongRunsDecodeLikeTheSteps) {
    const char alphabet[] = "0123456789abcdefABCDEF0123456789 \nXx$g";
    std::mt19937 random(7);
    const TStringFormat* hex = StringFormatOf(kFormatHex);
    for (int round = 0; round < 2000; ++round) {
        std::string text;
        size_t length = random() % 200;
        // Mostly digits, so that long runs take the fast path.
        size_t pool = random() % 4 == 0 ? sizeof alphabet - 1 : 22;
        for (size_t i = 0; i < length; ++i) text += alphabet[random() % pool];
        ASSERT_EQ(hex->Decode(text), ReferenceHexDecode(text)) << text;
    }
}

TEST(HexFormat, Encoding) {
    const TStringFormat* hex = StringFormatOf(kFormatHex);
    EXPECT_EQ(hex->Encode(std::string_view("\x00\x9f\xff\x10", 4)), "009FFF10");
    EXPECT_EQ(hex->Encode("\x41\x42\x00\x43", -1), "4142");
    EXPECT_EQ(hex->Encode(nullptr, 3), "");
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    EXPECT_EQ(hex->Decode(hex->Encode(all)), all);
}

TEST(HexFormat, CharTableAndValidity) {
    TStringFormat_HEX hex;
    EXPECT_EQ(std::string(hex.CharTable()),
              "0123456789ABCDEFX$ abcdefhHx()[]{},;:-_/\\*+\"'\t\n\r");
    EXPECT_TRUE(hex.IsValid("zz", 2, false));
    EXPECT_TRUE(hex.IsValid("{0A, 1b}\r\n", -1, true));
    EXPECT_FALSE(hex.IsValid("0A g", -1, true));
    EXPECT_FALSE(hex.IsValid("0AG", 3, true));
    EXPECT_TRUE(StringFormatOf(kFormatCopy)->IsValid("anything", -1, true));
    EXPECT_EQ(StringFormatOf(kFormatCopy)->Decode(std::string_view("a\0b", 3)),
              std::string("a\0b", 3));
}

}  // namespace
