#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/object/ElHashList.h"
#include "tests/support/Errors.h"
#include "tests/support/Keys.h"
#include "tests/support/TempDir.h"

namespace {

// The configuration every user of the list chooses.
void ConfigureLikeTheEngine(TElHashList& list) {
    list.SetQuickHash(false);
    list.SetDupesMode(himRaise);
    list.SetHashType(ehtCRC32);
    list.SetCaseInsensitive(true);
    list.SetRaiseIfAbsent(false);
}

void* Tag(intptr_t n) {
    return reinterpret_cast<void*>(n);
}

TEST(CRC32, KnownValuesAndTable) {
    EXPECT_EQ(CRC32OfString("123456789"), 0xCBF43926u);
    EXPECT_EQ(CRC32OfString(""), 0u);
    EXPECT_EQ(CRC32OfString("The quick brown fox jumps over the lazy dog"), 0x414FA339u);
    EXPECT_EQ(CRC32Table[0], 0u);
    EXPECT_EQ(CRC32Table[1], 0x77073096u);
    EXPECT_EQ(CRC32Table[255], 0x2D02EF8Du);
}

TEST(CRC32, UpperCaseMapFoldsAsciiLettersOnly) {
    for (int b = 0; b < 256; ++b) {
        const int expected = (b >= 'a' && b <= 'z') ? b - 32 : b;
        EXPECT_EQ(UpperCaseMap[b], expected) << b;
    }
    EXPECT_EQ(CRC32OfStringUpper("Image"), CRC32OfString("IMAGE"));
    EXPECT_EQ(CRC32OfStringUpper("straße"), CRC32OfString("STRAßE"));
    EXPECT_NE(CRC32OfString("Image"), CRC32OfString("IMAGE"));
}

TEST(CRC32, UpdateContinuesAcrossPieces) {
    const std::string text = "123456789";
    uint32_t crc = 0;
    for (size_t at = 0; at < text.size(); at += 2) {
        const size_t n = std::min<size_t>(2, text.size() - at);
        crc = CRC32Update(text.data() + at, n, crc);
    }
    EXPECT_EQ(crc, 0xCBF43926u);

    uint32_t reg = 0xFFFFFFFFu;
    for (char c : text) reg = CRC32Byte(reg, uint8_t(c));
    EXPECT_EQ(~reg, 0xCBF43926u);
}

TEST(CRC32, OfFile) {
    TTempDir dir("crc");
    std::string big;
    for (int i = 0; i < 10000; ++i) big += char(i * 7);  // several 4096-byte blocks
    EXPECT_EQ(CRC32OfFile(dir.Write("big.bin", big)), CRC32OfString(big));
    EXPECT_EQ(CRC32OfFile(dir.Write("digits.txt", "123456789")), 0xCBF43926u);
    EXPECT_EQ(CRC32OfFile(dir.Write("empty.bin", "")), 0u);
    EXPECT_EQ(CRC32OfFile(dir.File("missing.bin")), 0u);
    EXPECT_EQ(CRC32OfFile(dir.Path().string()), 0u);  // a folder
    EXPECT_EQ(CRC32OfFile("/dev/zero"), 0u);          // endless, sizeless: not read
}

TEST(ElHashList, DefaultsOfAFreshList) {
    TElHashList list;
    EXPECT_EQ(list.HashType(), ehtMD5);
    EXPECT_EQ(list.DupesMode(), himInsert);
    EXPECT_FALSE(list.CaseInsensitive());
    EXPECT_FALSE(list.OwnsObjects());
    EXPECT_FALSE(list.RaiseIfAbsent());
    EXPECT_FALSE(list.QuickHashOn());
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Capacity(), 0);
}

TEST(ElHashList, CaseFoldingPerHashKind) {
    struct TCase {
        TElHashType kind;
        bool caseInsensitive;
        int32_t expected;  // where "IMAGE" is found after adding "Image"
    };
    const TCase cases[] = {
        {ehtCRC32, true, 0}, {ehtCRC32, false, -1}, {ehtMD5, true, 0},
        {ehtMD5, false, -1}, {ehtQuick, true, 0},   {ehtQuick, false, -1},
    };
    for (const auto& c : cases) {
        TElHashList list;
        list.SetHashType(c.kind);
        list.SetCaseInsensitive(c.caseInsensitive);
        list.SetDupesMode(himRaise);
        list.Add("Image", Tag(1));
        list.Add("other", Tag(2));
        SCOPED_TRACE(testing::Message() << "kind " << int(c.kind) << " ci " << c.caseInsensitive);
        EXPECT_EQ(list.IndexOf("IMAGE"), c.expected);
        EXPECT_EQ(list.IndexOf("Image"), 0);
        EXPECT_EQ(list.GetData("other"), Tag(2));
        EXPECT_EQ(list.IndexOf("absent"), -1);
        EXPECT_EQ(list.GetData("absent"), nullptr);
        const std::string duplicate = ErrorOf<EElHashListError>([&] { list.Add("IMAGE", Tag(3)); });
        EXPECT_EQ(duplicate, c.expected == 0 ? "Duplicate entry." : "(none)");
    }
}

TEST(ElHashList, EqualHashesAreOneKey) {
    ASSERT_EQ(CRC32OfString("plumless"), CRC32OfString("buckeroo"));
    TElHashList list;
    ConfigureLikeTheEngine(list);
    list.Add("plumless", Tag(1));
    EXPECT_EQ(ErrorOf<EElHashListError>([&] { list.Add("buckeroo", Tag(2)); }), "Duplicate entry.");
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.GetData("BUCKEROO"), Tag(1));
}

TEST(ElHashList, DuplicatePolicies) {
    struct TCase {
        THashInsertDupesMode mode;
        const char* error;
        std::vector<intptr_t> data;  // in order, after adding "KEY" again
        int deleteCalls;             // OnDelete calls (with the old data)
    };
    const TCase cases[] = {
        {himRaise, "Duplicate entry.", {1, 2}, 0}, {himReplace, "(none)", {3, 2}, 1},
        {himIgnore, "(none)", {1, 2}, 0},          {himInsert, "(none)", {1, 2, 3}, 0},
        {himMove, "(none)", {1, 2, 3}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.mode));
        TElHashList list;
        ConfigureLikeTheEngine(list);
        std::vector<void*> deleted;
        list.SetOnDelete([&](TElHashList& sender, void* data) {
            EXPECT_EQ(&sender, &list);
            deleted.push_back(data);
        });
        list.Add("key", Tag(1));
        list.Add("other", Tag(2));
        list.SetDupesMode(c.mode);
        EXPECT_EQ(ErrorOf<EElHashListError>([&] { list.Add("KEY", Tag(3)); }), c.error);
        std::vector<intptr_t> data;
        for (int32_t i = 0; i < list.Count(); ++i) {
            data.push_back(reinterpret_cast<intptr_t>(list.GetDataAt(i)));
        }
        EXPECT_EQ(data, c.data);
        // With duplicates present the earliest entry is the one found.
        EXPECT_EQ(list.GetData("key"), Tag(c.data[0]));
        EXPECT_EQ(int(deleted.size()), c.deleteCalls);
        if (c.deleteCalls) {
            EXPECT_EQ(deleted[0], Tag(1));
        }
        list.SetOnDelete(nullptr);
    }
}

int g_destroyed = 0;
struct TCounted {
    ~TCounted() { ++g_destroyed; }
};

TEST(ElHashList, ReplaceNeverDestroysTheOldData) {
    g_destroyed = 0;
    auto* old = new TCounted;
    auto* fresh = new TCounted;
    {
        TElHashList list;
        ConfigureLikeTheEngine(list);
        list.SetOwnsObjects(&TElHashList::DeleteAs<TCounted>);
        list.SetDupesMode(himReplace);
        list.Add("x", old);
        list.Add("X", fresh);
        EXPECT_EQ(g_destroyed, 0);
        EXPECT_EQ(list.GetData("x"), fresh);
    }
    EXPECT_EQ(g_destroyed, 1);  // only the kept one
    delete old;
}

TEST(ElHashList, InsertPositions) {
    TElHashList list;
    ConfigureLikeTheEngine(list);
    list.Insert(0, "b", Tag(2));
    list.Insert(1, "c", Tag(3));  // at Count: appends
    list.Insert(0, "a", Tag(1));
    for (int32_t bad : {-1, 4}) {
        EXPECT_EQ(ErrorOf<EElHashListError>([&] { list.Insert(bad, "d", Tag(4)); }),
                  "Invalid position for HashList.");
        EXPECT_EQ(ErrorOf<EElHashListError>([&] { list.InsertByHash(bad, 99, Tag(4)); }),
                  "Invalid position for HashList.");
    }
    ASSERT_EQ(list.Count(), 3);
    for (int32_t i = 0; i < 3; ++i) EXPECT_EQ(list.GetDataAt(i), Tag(i + 1));
    EXPECT_EQ(list.GetDataAt(-1), nullptr);
    EXPECT_EQ(list.GetDataAt(3), nullptr);
    EXPECT_EQ(list.IndexOf("C"), 2);
}

TEST(ElHashList, GrowthAndShrink) {
    TElHashList list;
    ConfigureLikeTheEngine(list);
    std::vector<int32_t> grown;
    for (int i = 0; i < 118; ++i) {
        list.Add(Key("k", i), Tag(i + 1));
        if (grown.empty() || grown.back() != list.Capacity()) grown.push_back(list.Capacity());
    }
    EXPECT_EQ(grown, (std::vector<int32_t>{4, 8, 12, 28, 44, 60, 76, 95, 118}));

    // Halves whenever fewer than half the entries are in use.
    std::vector<int32_t> shrunk;
    while (list.Count() > 0) {
        list.DeleteAt(list.Count() - 1);
        if (shrunk.empty() || shrunk.back() != list.Capacity()) shrunk.push_back(list.Capacity());
        if (list.Count() == 58) {
            EXPECT_EQ(list.GetData("k57"), Tag(58));
        }
    }
    EXPECT_EQ(shrunk, (std::vector<int32_t>{118, 59, 29, 14, 7, 3, 1}));
}

TEST(ElHashList, SetCapacity) {
    TElHashList list;
    ConfigureLikeTheEngine(list);
    list.Add("a", Tag(1));
    list.Add("b", Tag(2));
    EXPECT_EQ(ErrorOf<EElHashListError>([&] { list.SetCapacity(1); }), "Invalid ElHashList capacity.");
    EXPECT_EQ(ErrorOf<EElHashListError>([&] { list.SetCapacity(TElHashList::kMaxCapacity + 1); }),
              "Invalid ElHashList capacity.");
    list.SetCapacity(50);
    EXPECT_EQ(list.Capacity(), 50);
    EXPECT_EQ(list.GetData("b"), Tag(2));
    list.SetCapacity(2);
    EXPECT_EQ(list.GetData("a"), Tag(1));
    list.Clear();
    EXPECT_EQ(list.Capacity(), 0);
    EXPECT_EQ(list.Count(), 0);
}

TEST(ElHashList, Md5KindIgnoresCallerHashes) {
    TElHashList list;
    list.SetRaiseIfAbsent(true);
    list.Add("one", Tag(1));
    list.AddByHash(CRC32OfString("two"), Tag(2));
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.IndexOfHash(CRC32OfString("one")), -1);  // no raise either
    EXPECT_EQ(list.GetDataByHash(0), nullptr);
    EXPECT_EQ(list.GetData("one"), Tag(1));
    EXPECT_EQ(ErrorOf<EElHashListError>([&] { list.IndexOf("ONE"); }), "Hash is absent.");
}

TEST(ElHashList, ByHash) {
    TElHashList list;
    ConfigureLikeTheEngine(list);
    list.Add("Alpha", Tag(1));
    list.AddByHash(CRC32OfStringUpper("beta"), Tag(2));
    list.InsertByHash(0, 12345, Tag(3));
    EXPECT_EQ(list.IndexOfHash(CRC32OfStringUpper("ALPHA")), 1);
    EXPECT_EQ(list.GetData("BETA"), Tag(2));
    EXPECT_EQ(list.GetDataByHash(12345), Tag(3));
    EXPECT_EQ(ErrorOf<EElHashListError>([&] { list.AddByHash(12345, Tag(4)); }), "Duplicate entry.");
    list.DeleteByHash(12345);
    EXPECT_EQ(list.IndexOfHash(12345), -1);
    EXPECT_EQ(ErrorOf<EElHashListError>([&] { list.DeleteByHash(12345); }), "Hash not found.");
    EXPECT_EQ(list.Count(), 2);
}

TEST(ElHashList, AbsentKeys) {
    TElHashList list;
    ConfigureLikeTheEngine(list);
    list.Add("here", Tag(1));
    EXPECT_EQ(ErrorOf<EElHashListError>([&] { list.Delete("gone"); }), "Hash not found.");

    list.SetRaiseIfAbsent(true);
    EXPECT_EQ(ErrorOf<EElHashListError>([&] { list.IndexOf("gone"); }), "Hash is absent.");
    EXPECT_EQ(ErrorOf<EElHashListError>([&] { list.GetData("gone"); }), "Hash is absent.");
    EXPECT_EQ(ErrorOf<EElHashListError>([&] { list.IndexOfHash(7); }), "Hash is absent.");
    EXPECT_EQ(ErrorOf<EElHashListError>([&] { list.GetDataByHash(7); }), "Hash is absent.");
    EXPECT_EQ(ErrorOf<EElHashListError>([&] { list.Delete("gone"); }), "Hash is absent.");
    EXPECT_EQ(ErrorOf<EElHashListError>([&] { list.IndexOf("HERE"); }), "(none)");
    EXPECT_EQ(list.Count(), 1);

    EXPECT_EQ(ErrorOf<EElHashListError>([&] { list.DeleteAt(1); }), "Invalid position for HashList.");
    EXPECT_EQ(ErrorOf<EElHashListError>([&] { list.DeleteAt(-1); }), "Invalid position for HashList.");
}

TEST(ElHashList, ChangingTheHashKindEmptiesTheList) {
    TElHashList list;
    list.SetHashType(ehtCRC32);
    std::vector<void*> deleted;
    list.SetOnDelete([&](TElHashList&, void* data) { deleted.push_back(data); });
    list.Add("a", Tag(1));
    list.Add("b", Tag(2));

    list.SetHashType(ehtCRC32);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_TRUE(deleted.empty());

    list.SetHashType(ehtQuick);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Capacity(), 0);
    EXPECT_EQ(deleted, (std::vector<void*>{Tag(1), Tag(2)}));
    EXPECT_TRUE(list.QuickHashOn());

    // Turning the quick hash off empties the list too, and keeps the quick kind.
    list.Add("c", Tag(3));
    list.SetQuickHash(false);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_FALSE(list.QuickHashOn());
    EXPECT_EQ(list.HashType(), ehtQuick);
    EXPECT_EQ(deleted.back(), Tag(3));
}

TEST(ElHashList, QuickHash) {
    TElHashList list;
    EXPECT_EQ(list.QuickHash("ab"), 583u);  // 97 * 5 + 98
    EXPECT_EQ(list.QuickHash(""), 0u);
    list.SetQuickHash(true);
    list.SetCaseInsensitive(true);
    list.AddByHash(list.QuickHash("AB"), Tag(1));
    EXPECT_EQ(list.IndexOf("ab"), 0);
}

class TFirstByteHashList : public TElHashList {
public:
    THash QuickHash(std::string_view key) const override {
        return key.empty() ? 0 : uint8_t(key[0]);
    }
};

TEST(ElHashList, QuickHashCanBeOverridden) {
    TFirstByteHashList list;
    list.SetHashType(ehtQuick);
    list.SetDupesMode(himRaise);
    list.Add("apple", Tag(1));
    EXPECT_EQ(list.GetData("avocado"), Tag(1));
    EXPECT_EQ(ErrorOf<EElHashListError>([&] { list.Add("apricot", Tag(2)); }), "Duplicate entry.");
}

TEST(ElHashList, OwnedDataIsDestroyedWhenItLeaves) {
    g_destroyed = 0;
    std::vector<void*> deleted;
    {
        TElHashList list;
        ConfigureLikeTheEngine(list);
        list.SetOwnsObjects(&TElHashList::DeleteAs<TCounted>);
        list.SetOnDelete([&](TElHashList& sender, void* data) {
            // The entry has already left the list.
            for (int32_t i = 0; i < sender.Count(); ++i) {
                EXPECT_NE(sender.GetDataAt(i), data);
            }
            deleted.push_back(data);
        });
        for (const char* key : {"a", "b", "c", "d", "e"}) list.Add(key, new TCounted);
        list.Add("null", nullptr);
        list.DeleteAt(0);
        EXPECT_EQ(g_destroyed, 1);
        list.Delete("B");
        EXPECT_EQ(g_destroyed, 2);
        std::unique_ptr<TCounted> kept(static_cast<TCounted*>(list.ExtractAt(0)));
        EXPECT_EQ(g_destroyed, 2);
        EXPECT_EQ(list.IndexOf("c"), -1);
        kept.reset();
        list.Delete("null");  // no data, nothing to destroy
        EXPECT_EQ(g_destroyed, 3);
        EXPECT_EQ(list.Count(), 2);
    }
    EXPECT_EQ(g_destroyed, 5);
    EXPECT_EQ(deleted.size(), 5u);  // every removal but the extraction
}

TEST(ElHashList, SortKeepsHashesWithTheirData) {
    TElHashList list;
    ConfigureLikeTheEngine(list);
    std::vector<int> values;
    for (int i = 0; i < 200; ++i) values.push_back((i * 73) % 200);  // a permutation
    for (int v : values) list.Add(Key("n", v), Tag(v));
    list.Sort([](void* a, void* b) {
        const auto x = reinterpret_cast<intptr_t>(a), y = reinterpret_cast<intptr_t>(b);
        return int32_t(x < y ? -1 : (x > y ? 1 : 0));
    });
    for (int32_t i = 0; i < 200; ++i) {
        ASSERT_EQ(list.GetDataAt(i), Tag(i));
        ASSERT_EQ(list.IndexOf(Key("N", i)), i);
    }
}

TEST(ElHashList, SortSurvivesComparatorsThatAreNoOrder) {
    TElHashList list;
    list.SetHashType(ehtMD5);  // digests travel too
    for (int i = 0; i < 50; ++i) list.Add(std::to_string(i), Tag(i));
    list.Sort([](void*, void*) { return -1; });
    list.Sort([](void*, void*) { return 1; });
    list.Sort([](void*, void*) { return 0; });
    ASSERT_EQ(list.Count(), 50);
    for (int i = 0; i < 50; ++i) EXPECT_EQ(list.GetData(std::to_string(i)), Tag(i));

    TElHashList empty;
    int calls = 0;
    empty.Sort([&](void*, void*) { return ++calls; });
    EXPECT_EQ(calls, 0);
}

}  // namespace
