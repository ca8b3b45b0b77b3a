#include "functions/OObjects.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "functions/ParseClass.h"

namespace {

// An item that records its own destruction, with an integer key.
struct TItem {
    TItem(int key, std::vector<int>* freed) : key(key), freed(freed) {}
    ~TItem() { freed->push_back(key); }
    int key;
    std::vector<int>* freed;
};

class TItemCollection : public TSortedCollection<TItem, int> {
public:
    using TSortedCollection::TSortedCollection;
    int Compare(int key1, int key2) const override { return key1 < key2 ? -1 : key1 > key2; }
    int KeyOf(const TItem* item) const override { return item->key; }
};

std::vector<int> Keys(const TItemCollection& list) {
    std::vector<int> keys;
    for (const TItem* item : list) keys.push_back(item->key);
    return keys;
}

TEST(OObjectsTest, SearchGivesTheMatchOrTheInsertionPosition) {
    std::vector<int> freed;
    TItemCollection list(4);
    int32_t index = -7;
    EXPECT_FALSE(list.Search(5, index));
    EXPECT_EQ(index, 0);

    for (int key : {30, 10, 20, 50, 40}) EXPECT_TRUE(list.Insert(new TItem(key, &freed)));
    EXPECT_EQ(Keys(list), (std::vector<int>{10, 20, 30, 40, 50}));

    struct Case {
        int key;
        bool found;
        int32_t index;
    };
    const Case cases[] = {{10, true, 0}, {30, true, 2},  {50, true, 4},
                          {5, false, 0}, {35, false, 3}, {60, false, 5}};
    for (const Case& c : cases) {
        EXPECT_EQ(list.Search(c.key, index), c.found) << c.key;
        EXPECT_EQ(index, c.index) << c.key;
    }
}

TEST(OObjectsTest, WithoutDuplicatesASecondKeyIsRefusedAndStaysTheCallers) {
    std::vector<int> freed;
    {
        TItemCollection list;
        TItem* first = new TItem(7, &freed);
        ASSERT_TRUE(list.Insert(first));
        TItem twin(7, &freed);
        EXPECT_FALSE(list.Insert(&twin));
        EXPECT_EQ(list.Count(), 1);
        // IndexOf answers the stored item of an equal key, not the object.
        EXPECT_EQ(list.IndexOf(&twin), 0);
        EXPECT_EQ(list.Items(0), first);
        TItem absent(8, &freed);
        EXPECT_EQ(list.IndexOf(&absent), -1);
    }
    // The collection freed only its own item; the twin and the absent item
    // went with the stack (8 first, then 7 twice).
    EXPECT_EQ(freed, (std::vector<int>{8, 7, 7}));
}

TEST(OObjectsTest, DuplicatesGoBeforeTheEqualKeysAndIndexOfFindsTheObject) {
    std::vector<int> freed;
    TItemCollection list;
    list.Duplicates = true;
    TItem* a = new TItem(5, &freed);
    TItem* b = new TItem(5, &freed);
    TItem* c = new TItem(5, &freed);
    list.Insert(new TItem(1, &freed));
    list.Insert(a);
    list.Insert(new TItem(9, &freed));
    list.Insert(b);
    list.Insert(c);
    EXPECT_EQ(list.Items(1), c);
    EXPECT_EQ(list.Items(2), b);
    EXPECT_EQ(list.Items(3), a);
    EXPECT_EQ(list.IndexOf(a), 3);
    EXPECT_EQ(list.IndexOf(b), 2);
    TItem other(5, &freed);
    EXPECT_EQ(list.IndexOf(&other), -1);
}

TEST(OObjectsTest, FreeingReleasesEachOwnedItemOnce) {
    std::vector<int> freed;
    auto list = std::make_unique<TItemCollection>();
    for (int key : {1, 2, 3, 4, 5}) list->Insert(new TItem(key, &freed));

    list->AtFree(1);
    EXPECT_EQ(freed, (std::vector<int>{2}));
    list->Free(list->Items(2));  // the item of key 4
    EXPECT_EQ(freed, (std::vector<int>{2, 4}));
    EXPECT_EQ(Keys(*list), (std::vector<int>{1, 3, 5}));

    // Replace takes the old entry out without freeing it and hands it back.
    TItem* replacement = new TItem(3, &freed);
    TItem* removed = list->Replace(replacement);
    ASSERT_NE(removed, nullptr);
    EXPECT_EQ(removed->key, 3);
    EXPECT_EQ(freed, (std::vector<int>{2, 4}));
    EXPECT_EQ(list->Items(1), replacement);
    delete removed;

    list->FreeAll();
    EXPECT_EQ(list->Count(), 0);
    EXPECT_EQ(freed, (std::vector<int>{2, 4, 3, 1, 3, 5}));
    list->Insert(new TItem(6, &freed));
    list.reset();
    EXPECT_EQ(freed.back(), 6);
}

TEST(OObjectsTest, NoOwnerCollectionFreesNothing) {
    std::vector<int> freed;
    TItem a(1, &freed);
    TItem b(2, &freed);
    {
        TNoOwnerCollection<TItem> list(2);
        list.Add(&a);
        list.Add(&b);
        list.AtFree(0);
        EXPECT_EQ(list.Count(), 1);
        list.Free(&b);
        EXPECT_EQ(list.Count(), 0);
        list.Add(&a);
    }
    EXPECT_TRUE(freed.empty());
}

TEST(OObjectsTest, StrCollectionOrdersByBytes) {
    TStrCollection list;
    for (const char* text : {"b", "B", "a", "\xC3\xA9", "ab", "A"}) {
        list.Insert(new std::string(text));
    }
    std::vector<std::string> order;
    for (const std::string* text : list) order.push_back(*text);
    EXPECT_EQ(order, (std::vector<std::string>{"A", "B", "a", "ab", "b", "\xC3\xA9"}));
    std::string duplicate = "ab";
    EXPECT_FALSE(list.Insert(&duplicate));
    int32_t index = 0;
    EXPECT_TRUE(list.Search("b", index));
    EXPECT_EQ(index, 4);
}

TEST(OObjectsTest, TheDictionaryFindsWordsIgnoringCase) {
    expr::TExpressList words;
    words.Insert(new expr::TFunction("logN", "", &expr::FuncLogN, 2));
    words.Insert(new expr::TFunction("abs", "", &expr::FuncAbs, 1));
    words.Insert(new expr::TFunction("_x", "", &expr::FuncAbs, 1));
    ASSERT_NE(words.Find("logn"), nullptr);
    EXPECT_EQ(words.Find("LOGN")->Name(), "logN");
    EXPECT_EQ(words.Find("log"), nullptr);
    // Letters fold to upper case, so "_" sorts after them.
    EXPECT_EQ(words.Items(2)->Name(), "_x");
    auto twin = std::make_unique<expr::TFunction>("LogN", "", &expr::FuncLogN, 2);
    EXPECT_FALSE(words.Insert(twin.get()));
    EXPECT_EQ(words.Count(), 3);
}

}  // namespace
