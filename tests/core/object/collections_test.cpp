#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/object/BaseCollections.h"
#include "tests/support/Errors.h"
#include "tests/support/Keys.h"

namespace {

void* Tag(intptr_t n) {
    return reinterpret_cast<void*>(n);
}

// The tags of a pointer collection, in order.
std::vector<intptr_t> Order(const TBaseCollection& c) {
    std::vector<intptr_t> tags;
    for (int32_t i = 0; i < c.GetCount(); ++i)
        tags.push_back(reinterpret_cast<intptr_t>(c.GetDataAt(i)));
    return tags;
}

TEST(Collections, InsertionOrderAndKeys) {
    TPointerCollection c;
    EXPECT_EQ(c.Add(Tag(1), false, "alpha"), Tag(1));
    EXPECT_EQ(c.Add(Tag(2), false, "Beta"), Tag(2));
    EXPECT_EQ(c.Add(Tag(3), false, "gamma"), Tag(3));
    EXPECT_EQ(c.Add(Tag(4), false, "first", 0), Tag(4));
    EXPECT_EQ(Order(c), (std::vector<intptr_t>{4, 1, 2, 3}));
    EXPECT_EQ(c.IndexOf("BETA"), 2);
    EXPECT_TRUE(c.Exists("Gamma"));
    EXPECT_FALSE(c.Exists("delta"));

    struct TCase {
        Variant key;
        intptr_t expected;
    };
    const TCase cases[] = {
        {Variant(int32_t(1)), 1},
        {Variant(int16_t(2)), 2},
        {Variant(uint8_t(3)), 3},
        {Variant("beta"), 2},
        {Variant(u"GAMMA"), 3},
        {Variant(int32_t(4)), 0},  // Count
        {Variant(int32_t(-1)), 0},
        {Variant(int64_t(1)), 0},
        {Variant(1.0), 0},
        {Variant(true), 0},
        {Variant(), 0},
        {Variant::Null(), 0},
        {Variant("delta"), 0},
        {Variant(ByteArray{1}), 0},
    };
    for (const auto& k : cases) {
        EXPECT_EQ(c.GetData(k.key), Tag(k.expected)) << "key type " << k.key.Type();
        EXPECT_EQ(c.GetItem(k.key), Tag(k.expected));
    }
}

TEST(Collections, ASecondItemUnderAPresentNameIsRefused) {
    TPointerCollection c;
    EXPECT_EQ(c.Add(Tag(1), false, "Button"), Tag(1));
    EXPECT_EQ(c.Add(Tag(2), false, "BUTTON"), nullptr);
    EXPECT_EQ(c.Add(Tag(3), false, ""), Tag(3));
    EXPECT_EQ(c.Add(Tag(4), false, ""), nullptr);  // the empty name is a name
    EXPECT_EQ(c.Add(Tag(5), false, "far", 9), nullptr);
    EXPECT_EQ(c.Add(Tag(6), false, "negative", -2), nullptr);
    EXPECT_EQ(c.InsertByHash(Tag(7), CRC32OfStringUpper("button"), -1), nullptr);
    EXPECT_EQ(Order(c), (std::vector<intptr_t>{1, 3}));
    EXPECT_EQ(c.GetDataByName("button"), Tag(1));
    EXPECT_EQ(c.GetDataByName(""), Tag(3));
}

TEST(Collections, UnnamedItemsMayRepeatWhileNamedOnesStayUnique) {
    TPointerCollection c;
    c.SetEmptyNamesRepeat(true);
    EXPECT_EQ(c.Add(Tag(1), false, ""), Tag(1));
    EXPECT_EQ(c.Add(Tag(2), false, "button"), Tag(2));
    EXPECT_EQ(c.Add(Tag(3), false, ""), Tag(3));
    EXPECT_EQ(c.Add(Tag(4), false, "", 0), Tag(4));
    EXPECT_EQ(c.Add(Tag(5), false, "Button"), nullptr);  // named ones keep the rule
    EXPECT_EQ(c.Add(Tag(6), false, "", 9), nullptr);      // and a bad position stays bad
    EXPECT_EQ(c.Add(Tag(7), false, "later"), Tag(7));     // the rule is back after each insert
    EXPECT_EQ(c.Add(Tag(8), false, "LATER"), nullptr);
    EXPECT_EQ(Order(c), (std::vector<intptr_t>{4, 1, 2, 3, 7}));
    EXPECT_EQ(c.GetDataByName(""), Tag(4));  // the first of them
    c.Delete(Variant(""));
    EXPECT_EQ(Order(c), (std::vector<intptr_t>{1, 2, 3, 7}));
}

TEST(Collections, AutomaticNames) {
    TPointerCollection c;
    c.Add(Tag(1), true, "ignored");
    c.Add(Tag(2), true, "");
    c.Add(Tag(3), true, "");
    EXPECT_EQ(c.GetDataByName("!"), Tag(1));
    EXPECT_EQ(c.GetDataByName("\""), Tag(2));
    EXPECT_EQ(c.GetDataByName("#"), Tag(3));
    EXPECT_EQ(c.GetDataByName("ignored"), nullptr);

    // Explicit names move the sequence on only when they are greater.
    c.Add(Tag(4), false, "Y");
    c.Add(Tag(5), false, "b");  // "B" < "Y"
    EXPECT_EQ(c.LastName(), "Y");
    c.Add(Tag(6), true, "");
    c.Add(Tag(7), true, "");
    c.Add(Tag(8), true, "");
    EXPECT_EQ(c.GetDataByName("Z"), Tag(6));
    EXPECT_EQ(c.GetDataByName("Z!"), Tag(7));
    EXPECT_EQ(c.GetDataByName("z\""), Tag(8));

    // An automatic name that is taken is refused like any duplicate.
    TPointerCollection taken;
    taken.AddByHash(Tag(1), CRC32OfStringUpper("!"));
    EXPECT_EQ(taken.Add(Tag(2), true, ""), nullptr);
    EXPECT_EQ(taken.Add(Tag(3), true, ""), Tag(3));
    EXPECT_EQ(taken.GetDataByName("\""), Tag(3));
}

TEST(Collections, MoveItem) {
    struct TCase {
        const char* name;
        Variant target;
        bool moved;
        std::vector<intptr_t> order;
    };
    const TCase cases[] = {
        {"a", Variant("C"), true, {2, 3, 1}},  // towards the end: just after c
        {"c", Variant("a"), true, {3, 1, 2}},  // towards the front: just before a
        {"a", Variant(int32_t(2)), true, {2, 3, 1}},
        {"c", Variant(int16_t(0)), true, {3, 1, 2}},
        {"b", Variant(uint8_t(1)), true, {1, 2, 3}},
        {"a", Variant("A"), true, {1, 2, 3}},
        {"a", Variant("absent"), true, {2, 3, 1}},  // an absent target name appends
        {"absent", Variant(int32_t(0)), false, {1, 2, 3}},
        {"a", Variant(int32_t(3)), false, {1, 2, 3}},
        {"a", Variant(int32_t(-1)), false, {1, 2, 3}},
        {"a", Variant(2.0), false, {1, 2, 3}},
        {"a", Variant(), false, {1, 2, 3}},
    };
    for (const auto& m : cases) {
        SCOPED_TRACE(testing::Message() << m.name << " to " << m.target.ToString());
        TPointerCollection c;
        c.Add(Tag(1), false, "a");
        c.Add(Tag(2), false, "b");
        c.Add(Tag(3), false, "c");
        EXPECT_EQ(c.MoveItem(m.name, m.target, false), m.moved);
        EXPECT_EQ(Order(c), m.order);
        // Names still lead to their items.
        EXPECT_EQ(c.GetDataByName("a"), Tag(1));
        EXPECT_EQ(c.GetDataByName("b"), Tag(2));
        EXPECT_EQ(c.GetDataByName("c"), Tag(3));
    }
}

TEST(Collections, MoveItemUnderAnAutomaticName) {
    TPointerCollection c;
    c.Add(Tag(1), false, "a");
    c.Add(Tag(2), false, "b");
    c.Add(Tag(3), false, "c");
    c.AddByHash(Tag(4), CRC32OfStringUpper("d"));  // the next automatic name, taken
    // Refused under its new name: the item stays where it was, under its name.
    EXPECT_FALSE(c.MoveItem("a", Variant(int32_t(2)), true));
    EXPECT_EQ(Order(c), (std::vector<intptr_t>{1, 2, 3, 4}));
    EXPECT_EQ(c.GetDataByName("a"), Tag(1));
    // Kept: the item now answers to the following automatic name.
    EXPECT_TRUE(c.MoveItem("a", Variant(int32_t(2)), true));
    EXPECT_EQ(Order(c), (std::vector<intptr_t>{2, 3, 1, 4}));
    EXPECT_EQ(c.GetDataByName("a"), nullptr);
    EXPECT_EQ(c.GetDataByName("e"), Tag(1));
}

TEST(Collections, Delete) {
    TPointerCollection c;
    for (intptr_t i = 1; i <= 4; ++i) c.Add(Tag(i), false, Key("n", i));
    c.Delete(Variant(int32_t(0)));
    c.Delete(Variant("N3"));
    c.Delete(Variant(1.5));  // designates nothing
    EXPECT_EQ(Order(c), (std::vector<intptr_t>{2, 4}));
    EXPECT_EQ(ErrorOf<EElHashListError>([&] { c.Delete(Variant("n1")); }), "Hash not found.");
    EXPECT_EQ(ErrorOf<EElHashListError>([&] { c.Delete(Variant(int32_t(2))); }), "Invalid position for HashList.");
    EXPECT_EQ(ErrorOf<EElHashListError>([&] { c.DeleteByHash(CRC32OfStringUpper("n3")); }), "Hash not found.");
    c.DeleteByHash(CRC32OfStringUpper("n4"));
    EXPECT_EQ(Order(c), (std::vector<intptr_t>{2}));
    EXPECT_TRUE(c.ExistsHash(CRC32OfStringUpper("N2")));
    c.Clear();
    EXPECT_EQ(c.GetCount(), 0);
}

TEST(Collections, Sort) {
    TPointerCollection c;
    const intptr_t values[] = {5, 3, 9, 1, 7};
    for (intptr_t v : values) c.Add(Tag(v), false, Key("k", v));
    c.Sort([](void* a, void* b) {
        return int32_t(reinterpret_cast<intptr_t>(a) - reinterpret_cast<intptr_t>(b));
    });
    EXPECT_EQ(Order(c), (std::vector<intptr_t>{1, 3, 5, 7, 9}));
    EXPECT_EQ(c.IndexOf("K9"), 4);
}

std::vector<std::string> g_destroyed;

struct TItem {
    explicit TItem(std::string n) : name(std::move(n)) {}
    ~TItem() { g_destroyed.push_back(name); }
    std::string name;
};

TEST(Collections, ObjectCollectionOwnsItsObjects) {
    g_destroyed.clear();
    {
        TObjectCollection<TItem> c;
        TItem* a = c.Add(std::make_unique<TItem>("a"), false, "a");
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(c.GetItem(Variant("A")), a);
        // A refused object is destroyed, not leaked.
        EXPECT_EQ(c.Add(std::make_unique<TItem>("a2"), false, "A"), nullptr);
        EXPECT_EQ(g_destroyed, (std::vector<std::string>{"a2"}));
        c.Add(std::make_unique<TItem>("b"), true, "");
        c.Add(std::make_unique<TItem>("c"), false, "c");
        c.AddByHash(std::make_unique<TItem>("d"), 77);
        EXPECT_EQ(c.GetItemByHash(77)->name, "d");
        EXPECT_EQ(c.GetItemAt(1)->name, "b");
        EXPECT_TRUE(c.MoveItem("a", Variant("c"), false));  // moves, destroys nothing
        EXPECT_EQ(c.GetItemAt(2), a);
        EXPECT_EQ(g_destroyed.size(), 1u);
        c.Delete(Variant("c"));
        EXPECT_EQ(g_destroyed.back(), "c");
    }
    EXPECT_EQ(g_destroyed, (std::vector<std::string>{"a2", "c", "b", "a", "d"}));
}

int g_alive = 0;

class ITestItem : public virtual IInterface {
public:
    virtual std::string Name() const = 0;
};

// Records, when it goes, how many items its collection still held.
class TTestItem : public ITestItem {
public:
    TTestItem(std::string name, const TInterfaceCollection* owner)
        : name_(std::move(name)), owner_(owner) {
        ++g_alive;
    }
    ~TTestItem() override {
        --g_alive;
        g_destroyed.push_back(name_ + ":" + std::to_string(owner_ ? owner_->GetCount() : -1));
    }
    std::string Name() const override { return name_; }

private:
    std::string name_;
    const TInterfaceCollection* owner_;
};

TEST(Collections, InterfaceCollectionHoldsOneReferencePerItem) {
    g_alive = 0;
    TInterfaceCollection c;
    Ref<ITestItem> a = MakeRef<TTestItem>("a", nullptr);
    EXPECT_TRUE(c.Add(a, false, "a"));
    EXPECT_EQ(a->RefCount(), 2);
    EXPECT_FALSE(c.Add(a, false, "A"));  // refused: no reference taken
    EXPECT_EQ(a->RefCount(), 2);
    EXPECT_TRUE(c.AddByHash(a, 5));
    EXPECT_EQ(a->RefCount(), 3);

    Ref<ITestItem> found = Query<ITestItem>(c.GetItem(Variant("a")));
    ASSERT_TRUE(found);
    EXPECT_EQ(found->Name(), "a");
    EXPECT_EQ(a->RefCount(), 4);
    found.reset();

    EXPECT_TRUE(c.MoveItem("a", Variant(int32_t(1)), false));
    EXPECT_EQ(a->RefCount(), 3);

    EXPECT_EQ(ErrorOf<EElHashListError>([&] { c.Delete(Variant("absent")); }), "Hash not found.");
    EXPECT_EQ(a->RefCount(), 3);
    c.Delete(Variant("a"));
    EXPECT_EQ(a->RefCount(), 2);
    c.DeleteByHash(5);
    EXPECT_EQ(a->RefCount(), 1);
    EXPECT_FALSE(c.GetItemByName("a"));
    a.reset();
    EXPECT_EQ(g_alive, 0);
}

TEST(Collections, InterfaceCollectionReleasesLastToFirst) {
    g_alive = 0;
    g_destroyed.clear();
    {
        TInterfaceCollection c;
        for (const char* name : {"a", "b", "c"}) c.Add(MakeRef<TTestItem>(name, &c), false, name);
        EXPECT_EQ(g_alive, 3);
        c.Clear();
        // Each item had left the collection before it was freed.
        EXPECT_EQ(g_destroyed, (std::vector<std::string>{"c:2", "b:1", "a:0"}));
        EXPECT_EQ(g_alive, 0);
        c.Add(MakeRef<TTestItem>("d", nullptr), true, "");
    }
    EXPECT_EQ(g_alive, 0);  // the collection's end releases the rest
}

TEST(Collections, StringCollection) {
    TStringCollection c;
    EXPECT_TRUE(c.Add("one", false, "First"));
    EXPECT_TRUE(c.Add("two", true, ""));
    EXPECT_FALSE(c.Add("again", false, "FIRST"));
    EXPECT_EQ(c.GetItem(Variant("first")), "one");
    EXPECT_EQ(c.GetItem(Variant(int32_t(1))), "two");
    EXPECT_EQ(c.GetItem(Variant("absent")), "");

    std::string value = "stale";
    EXPECT_FALSE(c.TryGetByName("absent", value));
    EXPECT_EQ(value, "");
    EXPECT_TRUE(c.TryGetByName("First", value));
    EXPECT_EQ(value, "one");

    EXPECT_TRUE(c.SetValue("FIRST", "uno"));
    EXPECT_EQ(c.IndexOf("first"), 0);
    EXPECT_EQ(c.GetItem(Variant(int32_t(0))), "uno");
    EXPECT_FALSE(c.SetValue("absent", "x"));
    EXPECT_EQ(c.GetCount(), 2);

    c.Delete(Variant("first"));
    EXPECT_EQ(ErrorOf<EElHashListError>([&] { c.Delete(Variant("first")); }), "Hash not found.");
    EXPECT_EQ(c.GetCount(), 1);
    // The remaining cell is freed by the collection (the sanitizer build
    // reports a leak otherwise).
}

TEST(Collections, NamedStringCollectionKeepsTheSpelling) {
    TNamedStringCollection c;
    EXPECT_TRUE(c.Add("v1", false, "MixedCase"));
    EXPECT_TRUE(c.Add("v2", false, "other"));
    EXPECT_FALSE(c.Add("v3", false, "MIXEDCASE"));

    std::string name, value;
    EXPECT_TRUE(c.GetItem(Variant("mixedcase"), name, value));
    EXPECT_EQ(name, "MixedCase");
    EXPECT_EQ(value, "v1");
    EXPECT_EQ(c.GetItem(Variant(int32_t(1))), "v2");

    EXPECT_TRUE(c.SetValue("MIXEDCASE", "new"));
    EXPECT_TRUE(c.GetItem(Variant(int32_t(0)), name, value));
    EXPECT_EQ(name, "MIXEDCASE");
    EXPECT_EQ(value, "new");

    EXPECT_FALSE(c.SetValue("absent", "x"));
    EXPECT_FALSE(c.GetValue("absent", value));
    EXPECT_EQ(value, "");
    EXPECT_FALSE(c.GetItem(Variant(2.5), name, value));
    EXPECT_EQ(name, "");
    EXPECT_TRUE(c.GetValue("OTHER", value));
    EXPECT_EQ(value, "v2");
    EXPECT_EQ(c.GetCount(), 2);
}

TEST(Collections, Namespace) {
    TNamespace ns;
    EXPECT_EQ(ns.Add("Alpha"), 0);
    EXPECT_EQ(ns.Add("beta"), 1);
    EXPECT_EQ(ns.Add("ALPHA"), 0);
    EXPECT_EQ(ns.Add("Delta"), 2);
    EXPECT_EQ(ns.Add("charlie"), 3);
    EXPECT_EQ(ns.Add("a"), 4);
    EXPECT_EQ(ns.Count(), 5);
    EXPECT_EQ(ns.GetName(0), "Alpha");
    EXPECT_EQ(ns.GetName(3), "charlie");
    EXPECT_EQ(ns.GetName(5), "");
    EXPECT_EQ(ns.GetName(-1), "");

    // Sorted ignoring case: a, Alpha, beta, charlie, Delta.
    struct TCase {
        const char* name;
        bool found;
        int32_t position;
    };
    const TCase cases[] = {
        {"A", true, 0},       {"alpha", true, 1}, {"BETA", true, 2},
        {"Charlie", true, 3}, {"delta", true, 4}, {"", false, 0},
        {"b", false, 2},      {"zulu", false, 5}, {"alphab", false, 2},
    };
    for (const auto& c : cases) {
        int32_t position = -7;
        EXPECT_EQ(ns.Find(c.name, position), c.found) << c.name;
        EXPECT_EQ(position, c.position) << c.name;
    }
    ns.Clear();
    EXPECT_EQ(ns.Count(), 0);
    EXPECT_EQ(ns.Add("beta"), 0);
}

// ---- Membership and safe walks ----

// Records "+name" and "-name" as items join and leave, with what the
// collection held at that moment, and checks that a leaving item is out of
// the list but still alive.
class TRecordingObserver : public IMembershipObserver {
public:
    void ItemAdded(TInterfaceCollection& collection, IInterface& item) noexcept override {
        events.push_back(Event('+', item, collection));
        for (int32_t i = 0; i < collection.GetCount(); ++i) {
            if (collection.GetDataAt(i) == &item) return;
        }
        events.push_back("added item not in the list");
    }
    void ItemRemoved(TInterfaceCollection& collection, IInterface& item) noexcept override {
        events.push_back(Event('-', item, collection));
        for (int32_t i = 0; i < collection.GetCount(); ++i) {
            if (collection.GetDataAt(i) == &item) events.push_back("removed item still listed");
        }
    }
    std::vector<std::string> events;

private:
    // "+name:count" or "-name:count".
    static std::string Event(char sign, IInterface& item, const TInterfaceCollection& collection) {
        auto* named = dynamic_cast<ITestItem*>(&item);
        std::string event(1, sign);
        event += named ? named->Name() : "?";
        event += ':';
        event += std::to_string(collection.GetCount());
        return event;
    }
};

// An interface collection watched by a recording observer, closed before it
// goes as the rule asks.
struct TWatched {
    TWatched() {
        items.SetObserver(&observer);
        for (const char* name : {"a", "b", "c"})
            items.Add(MakeRef<TTestItem>(name, nullptr), false, name);
        observer.events.clear();
    }
    ~TWatched() { items.Close(); }
    TRecordingObserver observer;
    TInterfaceCollection items;
};

TEST(Collections, TheObserverHearsOfEveryJoinAndEveryLeave) {
    struct TCase {
        const char* what;
        void (*change)(TInterfaceCollection& items);
        std::vector<std::string> events;
    };
    const TCase cases[] = {
        {"add",
         [](TInterfaceCollection& c) { c.Add(MakeRef<TTestItem>("d", nullptr), false, "d"); },
         {"+d:4"}},
        {"insert",
         [](TInterfaceCollection& c) { c.Add(MakeRef<TTestItem>("d", nullptr), true, "", 0); },
         {"+d:4"}},
        {"add by hash",
         [](TInterfaceCollection& c) { c.AddByHash(MakeRef<TTestItem>("d", nullptr), 9); },
         {"+d:4"}},
        {"refused",
         [](TInterfaceCollection& c) { c.Add(MakeRef<TTestItem>("x", nullptr), false, "A"); },
         {}},
        {"null", [](TInterfaceCollection& c) { c.Add(nullptr, false, "n"); }, {}},
        {"delete by name", [](TInterfaceCollection& c) { c.Delete(Variant("B")); }, {"-b:2"}},
        {"delete at", [](TInterfaceCollection& c) { c.Delete(Variant(int32_t(0))); }, {"-a:2"}},
        {"delete by hash",
         [](TInterfaceCollection& c) { c.DeleteByHash(CRC32OfStringUpper("c")); },
         {"-c:2"}},
        {"replace",
         [](TInterfaceCollection& c) {
             EXPECT_TRUE(c.Replace(1, MakeRef<TTestItem>("r", nullptr)));
         },
         {"+r:3", "-b:3"}},
        {"replace out of range",
         [](TInterfaceCollection& c) {
             EXPECT_FALSE(c.Replace(3, MakeRef<TTestItem>("r", nullptr)));
         },
         {}},
        {"move", [](TInterfaceCollection& c) { c.MoveItem("a", Variant("c"), false); }, {}},
        {"clear", [](TInterfaceCollection& c) { c.Clear(); }, {"-c:2", "-b:1", "-a:0"}},
        {"close", [](TInterfaceCollection& c) { c.Close(); }, {"-c:2", "-b:1", "-a:0"}},
    };
    for (const TCase& t : cases) {
        SCOPED_TRACE(t.what);
        g_alive = 0;
        {
            TWatched watched;
            t.change(watched.items);
            EXPECT_EQ(watched.observer.events, t.events);
            watched.observer.events.clear();
        }
        EXPECT_EQ(g_alive, 0);
    }
}

TEST(Collections, ReplaceKeepsThePositionAndTheName) {
    TInterfaceCollection c;
    for (const char* name : {"a", "b"}) c.Add(MakeRef<TTestItem>(name, nullptr), false, name);
    Ref<ITestItem> r = MakeRef<TTestItem>("r", nullptr);
    Ref<ITestItem> b = Query<ITestItem>(c.GetItemByName("b"));
    EXPECT_TRUE(c.Replace(1, r));
    EXPECT_EQ(c.GetItemByName("B"), r);
    EXPECT_EQ(r->RefCount(), 2);
    EXPECT_EQ(b->RefCount(), 1);   // the former item's reference went
    EXPECT_TRUE(c.Replace(1, r));  // the same item again: nothing lost
    EXPECT_EQ(r->RefCount(), 2);
}

#ifndef NDEBUG
TEST(CollectionsDeathTest, ACollectionDestroyedWhileObservedStops) {
    EXPECT_DEATH(
        {
            TRecordingObserver observer;
            TInterfaceCollection items;
            items.SetObserver(&observer);
        },
        "destroyed while an observer was still registered");
}
#endif

// Tags in a pointer collection named by their letters.
void Fill(TPointerCollection& c, const std::string& letters) {
    for (char letter : letters) c.Add(Tag(letter), false, std::string(1, letter));
}

std::string Letters(const TBaseCollection& c) {
    std::string letters;
    for (int32_t i = 0; i < c.GetCount(); ++i)
        letters += char(reinterpret_cast<intptr_t>(c.GetDataAt(i)));
    return letters;
}

TEST(Collections, WalksSurviveChangesMadeWhileTheyRun) {
    struct TCase {
        const char* what;
        bool backward;
        char at;  // the item whose visit makes the change
        void (*change)(TPointerCollection& c);
        const char* visited;
        const char* left;
    };
    const TCase cases[] = {
        {"itself", false, 'b', [](TPointerCollection& c) { c.Delete(Variant("b")); }, "abcde",
         "acde"},
        {"the next one", false, 'b', [](TPointerCollection& c) { c.Delete(Variant("c")); }, "abde",
         "abde"},
        {"itself and the next", false, 'b',
         [](TPointerCollection& c) {
             c.Delete(Variant("b"));
             c.Delete(Variant("c"));
         },
         "abde", "ade"},
        {"earlier ones", false, 'c',
         [](TPointerCollection& c) {
             c.Delete(Variant("a"));
             c.Delete(Variant("b"));
         },
         "abcde", "cde"},
        {"everything", false, 'b', [](TPointerCollection& c) { c.Clear(); }, "ab", ""},
        {"insert before", false, 'b', [](TPointerCollection& c) { c.Add(Tag('x'), false, "x", 0); },
         "abcde", "xabcde"},
        {"insert after", false, 'b', [](TPointerCollection& c) { c.Add(Tag('x'), false, "x", 2); },
         "abxcde", "abxcde"},
        {"append", false, 'e', [](TPointerCollection& c) { c.Add(Tag('x'), false, "x"); }, "abcdex",
         "abcdex"},
        {"backward itself", true, 'd', [](TPointerCollection& c) { c.Delete(Variant("d")); },
         "edcba", "abce"},
        {"backward the next", true, 'd', [](TPointerCollection& c) { c.Delete(Variant("c")); },
         "edba", "abde"},
        {"backward later ones", true, 'c',
         [](TPointerCollection& c) {
             c.Delete(Variant("d"));
             c.Delete(Variant("e"));
         },
         "edcba", "abc"},
        {"backward insert before", true, 'c',
         [](TPointerCollection& c) { c.Add(Tag('x'), false, "x", 0); }, "edcbax", "xabcde"},
        {"backward insert behind", true, 'c',
         [](TPointerCollection& c) { c.Add(Tag('x'), false, "x"); }, "edcba", "abcdex"},
    };
    for (const TCase& t : cases) {
        SCOPED_TRACE(t.what);
        TPointerCollection c;
        Fill(c, "abcde");
        std::string visited;
        for (TCollectionCursor cursor(c, t.backward); cursor.Next();) {
            const char letter = char(reinterpret_cast<intptr_t>(cursor.Data()));
            visited += letter;
            EXPECT_EQ(cursor.Position(), c.IndexOf(std::string(1, letter)));
            if (letter == t.at) {
                t.change(c);
                // The cursor follows its item, or says it has gone.
                EXPECT_EQ(cursor.Position(), c.IndexOf(std::string(1, letter)));
            }
        }
        EXPECT_EQ(visited, t.visited);
        EXPECT_EQ(Letters(c), t.left);
    }
}

TEST(Collections, NestedWalksAndAnEndedCollection) {
    // An inner walk that removes items keeps the outer one right.
    TPointerCollection c;
    Fill(c, "abcd");
    std::string outer;
    for (TCollectionCursor o(c); o.Next();) {
        outer += char(reinterpret_cast<intptr_t>(o.Data()));
        for (TCollectionCursor i(c); i.Next();) {
            if (i.Data() == Tag('c') && o.Data() == Tag('a')) c.Delete(Variant("c"));
        }
    }
    EXPECT_EQ(outer, "abd");

    // A collection destroyed during a walk ends the walk.
    auto doomed = std::make_unique<TPointerCollection>();
    Fill(*doomed, "abc");
    int steps = 0;
    for (TCollectionCursor cursor(*doomed); cursor.Next();) {
        ++steps;
        doomed.reset();
        EXPECT_EQ(cursor.Data(), nullptr);
    }
    EXPECT_EQ(steps, 1);
}

TEST(Collections, ForEachHoldsTheItemWhileItRemovesItself) {
    g_alive = 0;
    g_destroyed.clear();
    TInterfaceCollection c;
    for (const char* name : {"a", "b", "c", "d"}) c.Add(MakeRef<TTestItem>(name, &c), false, name);
    std::vector<std::string> visited;
    c.ForEach([&](const Ref<IInterface>& item) {
        auto* test = dynamic_cast<ITestItem*>(item.get());
        if (test->Name() == "b") {
            // The collection held the only references: "a" goes at once, "b"
            // is kept by the walk until its visit ends.
            c.Delete(Variant("b"));
            c.Delete(Variant("a"));
            EXPECT_EQ(g_alive, 3);
            EXPECT_EQ(g_destroyed, (std::vector<std::string>{"a:2"}));
        }
        visited.push_back(test->Name());
    });
    EXPECT_EQ(visited, (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(g_destroyed, (std::vector<std::string>{"a:2", "b:2"}));
    EXPECT_EQ(g_alive, 2);

    // A walk that answers false stops there; backward walks go from the end.
    visited.clear();
    c.ForEachBackward([&](const Ref<IInterface>& item) {
        visited.push_back(dynamic_cast<ITestItem*>(item.get())->Name());
        return false;
    });
    EXPECT_EQ(visited, (std::vector<std::string>{"d"}));
}

}  // namespace
