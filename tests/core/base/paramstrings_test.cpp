#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "core/base/ParamStringUtils.h"

namespace {

using Rows = std::vector<std::pair<std::string, std::string>>;

Rows ToRows(const TTwoArrayOfString& pairs) {
    Rows rows;
    for (const auto& row : pairs) rows.emplace_back(row[0], row[1]);
    return rows;
}

struct ParamCase {
    const char* text;
    Rows rows;
};

TEST(ParamStrings, SplitParamsTable) {
    const ParamCase cases[] = {
        {R"(\a=1\b={x=2\y=3}\c)", {{"a", "1"}, {"b", R"(x=2\y=3)"}}},
        {R"(\a = 1 \b=2)", {{"a", "1 "}, {"b", "2"}}},
        {R"(\a=1\ b=2)", {{"a", "1"}, {" b", "2"}}},
        {R"(\Name=Big Tree\Size =  3 4)", {{"Name", "Big Tree"}, {"Size", "3 4"}}},
        {"\\a=\t x", {{"a", "x"}}},
        {"  \t\\a=1 \n", {{"a", "1"}}},
        {"a=1", {{"a", "1"}}},
        // Only the first brace group of a piece protects its separators.
        {R"(\a={x\y}{z\w}\b=1)", {{"a", R"({x\y}{z)"}, {"b", "1"}}},
        // A blank after the closing brace keeps the braces.
        {R"(\a={x} \b=1)", {{"a", "{x} "}, {"b", "1"}}},
        {R"(\a=b=c)", {{"a", "b=c"}}},
        {R"(\=x)", {{"", "x"}}},
        {R"(\a=1\a=2)", {{"a", "1"}, {"a", "2"}}},
        {R"(\a={}\b={\c=)", {{"a", ""}, {"b", "{"}, {"c", ""}}},
        {R"(\A={\b={c=1}}\d=2)", {{"A", R"(\b={c=1})"}, {"d", "2"}}},
        // Empty pieces and pieces without "=" are dropped.
        {R"(\\a=1\\\b=2\)", {{"a", "1"}, {"b", "2"}}},
        {R"(\x\y\z)", {}},
        {"", {}},
        {R"(\\\)", {}},
        // Unbalanced braces: "{" protects nothing, "}" is plain text.
        {R"(\a={open\b=2)", {{"a", "{open"}, {"b", "2"}}},
        {R"(\a=x}\b=2)", {{"a", "x}"}, {"b", "2"}}},
        {R"(\a={{x\b=2})", {{"a", "{{x"}, {"b", "2}"}}},
        {R"(\record_table={name=japan\max_records=3\record_structure={param=Score\param=Player}})",
         {{"record_table",
           R"(name=japan\max_records=3\record_structure={param=Score\param=Player})"}}},
    };
    for (const auto& c : cases) {
        TTwoArrayOfString pairs{{"stale", "row"}};
        const int n = SplitParams(c.text, pairs, '\\', '=');
        EXPECT_EQ(n, static_cast<int>(c.rows.size())) << c.text;
        EXPECT_EQ(ToRows(pairs), c.rows) << c.text;
    }
}

TEST(ParamStrings, HighScoreDefinitionSplitsAgainLevelByLevel) {
    TTwoArrayOfString outer, table, structure;
    ASSERT_EQ(
        SplitParams(
            R"(\record_table={name=japan\max_records=3\record_structure={param=Score\param=Player}})",
            outer, '\\', '='),
        1);
    ASSERT_EQ(SplitParams(outer[0][1], table, '\\', '='), 3);
    EXPECT_EQ(ToRows(table), (Rows{{"name", "japan"},
                                   {"max_records", "3"},
                                   {"record_structure", R"(param=Score\param=Player)"}}));
    ASSERT_EQ(SplitParams(table[2][1], structure, '\\', '='), 2);
    EXPECT_EQ(ToRows(structure), (Rows{{"param", "Score"}, {"param", "Player"}}));
}

struct SplitCase {
    const char* text;
    char sep;
    std::vector<std::string> pieces;
};

TEST(ParamStrings, SplitTable) {
    const SplitCase cases[] = {
        {"  a,,b , c ", ',', {"a", "b ", " c"}},
        {"/png/jpeg/jpng/unknown", '/', {"png", "jpeg", "jpng", "unknown"}},
        {"a{b,c},d", ',', {"a{b,c}", "d"}},
        {"a,{b,c}", ',', {"a", "{b,c}"}},
        {"a{b,c,d}e,f", ',', {"a{b,c,d}e", "f"}},
        {"{a}{b,c},d", ',', {"{a}{b", "c}", "d"}},
        {"{a,b", ',', {"{a", "b"}},
        {"a}b,c", ',', {"a}b", "c"}},
        {"a{b}c", ',', {"a{b}c"}},
        {"x_y;z", '_', {"x", "y;z"}},
    };
    for (const auto& c : cases) {
        TOneArrayOfString list;
        EXPECT_EQ(Split(c.text, list, c.sep), static_cast<int>(c.pieces.size())) << c.text;
        EXPECT_EQ(list, c.pieces) << c.text;
    }
}

TEST(ParamStrings, SplitWithoutPiecesLeavesListAlone) {
    for (const char* text : {"", ",,,", " \t ", " , "}) {
        TOneArrayOfString list{"kept"};
        EXPECT_EQ(Split(text, list, ','), 0) << '"' << text << '"';
        EXPECT_EQ(list, TOneArrayOfString{"kept"});
    }
}

TEST(ParamStrings, FindClosingBrace) {
    constexpr size_t npos = std::string_view::npos;
    const struct {
        const char* text;
        size_t start;
        size_t result;
    } cases[] = {
        {"{a{b}c}d", 0, 6}, {"x{a{b}c}", 1, 7}, {"x{a{b}c}", 3, 5}, {"{a{b}c", 0, npos},
        {"ab", 0, 0},       {"{}", 1, npos},    {"{}", 2, npos},    {"", 0, npos},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FindClosingBrace(c.text, c.start), c.result) << c.text << " @" << c.start;
    }
}

TEST(ParamStrings, GetParamAndFindParamValue) {
    const char* text = R"(\File=x\cryptkey=k\file=second)";
    std::string v = "before";
    EXPECT_TRUE(GetParam(text, "file", '\\', '=', v));
    EXPECT_EQ(v, "x");
    EXPECT_TRUE(GetParam(text, "CRYPTKEY", '\\', '=', v));
    EXPECT_EQ(v, "k");
    EXPECT_FALSE(GetParam(text, "key", '\\', '=', v));
    EXPECT_EQ(v, "");

    TTwoArrayOfString pairs;
    SplitParams(text, pairs, '\\', '=');
    v = "before";
    EXPECT_TRUE(FindParamValue(pairs, "FILE", v));
    EXPECT_EQ(v, "x");
    v = "before";
    EXPECT_FALSE(FindParamValue(pairs, "fil", v));
    EXPECT_EQ(v, "before");
    // Only ASCII letters fold: é (E9) and É (C9) are different names.
    SplitParams("\\\xE9=1", pairs, '\\', '=');
    EXPECT_FALSE(FindParamValue(pairs, "\xC9", v));
}

TEST(ParamStrings, StripBraces) {
    const std::pair<const char*, const char*> cases[] = {
        {"{a}", "a"}, {"{{a}}", "{a}"}, {"{}", ""}, {"{", "{"},       {"}", "}"},
        {"{a", "{a"}, {"a}", "a}"},     {"", ""},   {" {a}", " {a}"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(StripBraces(in), out) << in;
}

TEST(ParamStrings, IsEmptyList) {
    const struct {
        const char* text;
        bool empty;
    } cases[] = {{"", true},     {",,,", true}, {"  ,, \t", true},
                 {", ,", false}, {"a", false},  {"{,}", false}};
    for (const auto& c : cases) {
        std::string text = c.text;
        EXPECT_EQ(IsEmptyList(text, ','), c.empty) << '"' << c.text << '"';
        EXPECT_EQ(text, c.empty ? std::string() : std::string(c.text));
    }
}

TEST(ParamStrings, CountCharsInSet) {
    TCharSet set;
    set.set('a');
    set.set(0xFF);
    EXPECT_EQ(CountCharsInSet(set, "banana\xFF\xFE"), 4);
    EXPECT_EQ(CountCharsInSet(set, ""), 0);
    EXPECT_EQ(CountCharsInSet(TCharSet{}, "abc"), 0);
}

TEST(ParamStrings, HexConversions) {
    const std::string bytes("\x00\x01\xAB\xFF z", 6);
    EXPECT_EQ(StringToHex(bytes), "0001ABFF207A");
    EXPECT_EQ(HexToString("0001abFF207a"), bytes);
    EXPECT_EQ(StringToHex(""), "");
    EXPECT_EQ(HexToString(""), "");
    // Stops at the first bad pair; the length stays text length / 2.
    EXPECT_EQ(HexToString("41G14242"), std::string("A\0\0\0", 4));
    EXPECT_EQ(HexToString("4 42"), std::string("\0\0", 2));
    EXPECT_EQ(HexToString("414"), "A");
    EXPECT_EQ(HexToString("4"), "");
}

TEST(ParamStrings, InsertAndDeleteInteger) {
    const struct {
        bool insert;
        int index;
        TIntegers result;
    } steps[] = {
        {true, -1, {7}},       {true, 1, {7}},        {true, 0, {7, 7}},   {true, -5, {7, 7, 7}},
        {false, 3, {7, 7, 7}}, {false, 7, {7, 7, 7}}, {false, -1, {7, 7}}, {false, 0, {7}},
        {false, -1, {}},       {false, -1, {}},       {false, 0, {}},
    };
    TIntegers a;
    for (const auto& s : steps) {
        if (s.insert) {
            InsertInteger(a, 7, s.index);
        } else {
            DeleteInteger(a, s.index);
        }
        EXPECT_EQ(a, s.result) << (s.insert ? "insert @" : "delete @") << s.index;
    }
    TIntegers b{1, 2, 3};
    InsertInteger(b, 9, 1);
    EXPECT_EQ(b, (TIntegers{1, 9, 2, 3}));
    InsertInteger(b, 8, 4);  // index == count: unchanged
    EXPECT_EQ(b, (TIntegers{1, 9, 2, 3}));
    DeleteInteger(b, 2);
    EXPECT_EQ(b, (TIntegers{1, 9, 3}));
}

// A literal, 1-based transcription of the splitting rules, to check the
// library splitter (which caches brace positions) on arbitrary text.
std::vector<std::string> ReferenceSplit(const std::string& text, char sep) {
    size_t from = 0, to = text.size();
    while (from < to && static_cast<unsigned char>(text[from]) < 33) ++from;
    while (to > from && static_cast<unsigned char>(text[to - 1]) < 33) --to;
    std::string rest = text.substr(from, to - from);
    auto pos1 = [](const std::string& s, char ch) -> size_t {  // 1-based, 0 = none
        size_t i = s.find(ch);
        return i == std::string::npos ? 0 : i + 1;
    };
    std::vector<std::string> out;
    for (;;) {
        size_t p = pos1(rest, sep);
        const size_t b = pos1(rest, '{');
        if (b > 0 && b < p) {
            long depth = 0;
            size_t c = 0;
            for (size_t i = b; i <= rest.size(); ++i) {
                depth += rest[i - 1] == '{' ? 1 : rest[i - 1] == '}' ? -1 : 0;
                if (depth == 0) {
                    c = i;
                    break;
                }
            }
            if (c > 0) {
                const size_t q = pos1(rest.substr(c), sep);
                p = q == 0 ? 0 : c + q;
            }
        }
        std::string piece = p > 0 ? rest.substr(0, p - 1) : rest;
        rest = p > 0 ? rest.substr(p) : std::string();
        if (!piece.empty()) out.push_back(piece);
        if (p == 0) break;
    }
    return out;
}

TEST(ParamStrings, RandomTextSplitsAsTheRulesSay) {
    std::mt19937 rng(12345);
    const char alphabet[] = "{}\\= a\t";
    std::uniform_int_distribution<size_t> pick(0, sizeof(alphabet) - 2);
    std::uniform_int_distribution<size_t> length(0, 24);
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        for (size_t n = length(rng); n > 0; --n) text += alphabet[pick(rng)];
        TOneArrayOfString list;
        Split(text, list, '\\');
        EXPECT_EQ(list, ReferenceSplit(text, '\\')) << '"' << text << '"';
        size_t withName = 0;
        for (const auto& piece : list) withName += piece.find('=') != std::string::npos;
        TTwoArrayOfString pairs;
        EXPECT_EQ(SplitParams(text, pairs, '\\', '='), static_cast<int>(withName)) << text;
    }
}

}  // namespace

namespace {

TEST(ParamStrings, LongerRandomTextWithNestedGroupsSplitsAsTheRulesSay) {
    std::mt19937 rng(777);
    const char alphabet[] = "{{}}\\\\=ab";
    std::uniform_int_distribution<size_t> pick(0, sizeof(alphabet) - 2);
    std::uniform_int_distribution<size_t> length(50, 300);
    for (int round = 0; round < 300; ++round) {
        std::string text;
        for (size_t n = length(rng); n > 0; --n) text += alphabet[pick(rng)];
        TOneArrayOfString list;
        Split(text, list, '\\');
        ASSERT_EQ(list, ReferenceSplit(text, '\\')) << '"' << text << '"';
    }
}

// An "_outstorage" value of a megabyte whose every piece opens a group that
// is never closed: each "{" protects nothing, so every piece is a pair.
TEST(ParamStrings, AMegabyteOfUnclosedGroupsSplitsIntoEveryPiece) {
    std::string text;
    int pieces = 0;
    for (; text.size() < (1u << 20); ++pieces) {
        text += "\\k" + std::to_string(pieces) + "={v" + std::to_string(pieces);
    }
    TTwoArrayOfString pairs;
    ASSERT_EQ(SplitParams(text, pairs, '\\', '='), pieces);
    EXPECT_EQ(pairs.back()[0], "k" + std::to_string(pieces - 1));
    EXPECT_EQ(pairs.back()[1], "{v" + std::to_string(pieces - 1));
    TOneArrayOfString list;
    EXPECT_EQ(Split(text, list, '\\'), pieces);
    std::string value;
    EXPECT_TRUE(GetParam(text, "k" + std::to_string(pieces - 1), '\\', '=', value));
    EXPECT_EQ(value, "{v" + std::to_string(pieces - 1));
}

}  // namespace
