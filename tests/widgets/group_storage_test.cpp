// Group storage: adding items makes the levels on the way and merges the
// parameters, lookups answer null at the level that is missing, and a store
// saved and loaded back holds the same three levels.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/object/GeneralClasses.h"
#include "core/storage/XMLStorage.h"
#include "widgets/GroupStorage.h"

namespace {

Ref<IItemCollection> Item(const std::string& name,
                          const std::vector<std::pair<std::string, std::string>>& params) {
    Ref<TItemCollection> item = CreateObject<TItemCollection>();
    item->SetName(name);
    for (const auto& [key, value] : params) item->SetValue(key, Variant(value));
    return item;
}

// "name=value" of each parameter, in order.
std::vector<std::string> Params(const Ref<IItemCollection>& item) {
    std::vector<std::string> out;
    for (int32_t i = 0; item && i < item->GetCount(); ++i) {
        const Ref<IParam> param = item->GetParam(Variant(i));
        out.push_back(param->GetName() + "=" + param->GetValue().ToString());
    }
    return out;
}

TEST(GroupStorage, AddingMakesTheLevelsAndMergesTheParameters) {
    Ref<TGroupsStorage> store = CreateObject<TGroupsStorage>();
    EXPECT_FALSE(store->AddItem("g", "t", nullptr));
    EXPECT_EQ(store->GetCount(), 0);

    EXPECT_TRUE(store->AddItem("g", "t", Item("a", {{"x", "1"}})));
    ASSERT_EQ(store->GetCount(), 1);
    ASSERT_EQ(store->GetGroup(Variant("g"))->GetCount(), 1);
    EXPECT_EQ(store->GetItemType("g", "t")->GetCount(), 1);
    EXPECT_EQ(store->GetItemType("g", "t")->GetName(), "t");
    const Ref<IItemCollection> stored = store->GetItem("g", "t", "a");
    ASSERT_TRUE(stored);
    EXPECT_EQ(Params(stored), (std::vector<std::string>{"x=1"}));

    EXPECT_TRUE(store->AddItem("g", "t", Item("a", {{"y", "2"}})));
    EXPECT_EQ(store->GetItemType("g", "t")->GetCount(), 1);
    EXPECT_EQ(Params(store->GetItem("g", "t", "a")), (std::vector<std::string>{"x=1", "y=2"}));
    EXPECT_TRUE(store->AddItem("g", "t", Item("a", {{"x", "3"}})));
    EXPECT_EQ(Params(store->GetItem("g", "t", "a")), (std::vector<std::string>{"x=3", "y=2"}));
    EXPECT_EQ(store->GetItem("g", "t", "a"), stored);  // the same item, merged into

    EXPECT_TRUE(store->AddItem("g", "u", Item("b", {})));
    EXPECT_TRUE(store->AddItem("h", "t", Item("a", {{"z", "0"}})));
    EXPECT_EQ(store->GetCount(), 2);
    EXPECT_EQ(store->GetGroup(Variant("g"))->GetCount(), 2);
    EXPECT_EQ(Params(store->GetItem("h", "t", "a")), (std::vector<std::string>{"z=0"}));
    EXPECT_EQ(store->GetGroup(Variant(1))->GetName(), "h");
}

TEST(GroupStorage, LookupsAnswerNullWhereALevelIsMissing) {
    Ref<TGroupsStorage> store = CreateObject<TGroupsStorage>();
    store->AddItem("g", "t", Item("a", {{"x", "1"}}));
    EXPECT_FALSE(store->GetItemType("g", "none"));
    EXPECT_FALSE(store->GetItem("g", "none", "a"));
    EXPECT_FALSE(store->GetItem("none", "t", "a"));
    EXPECT_FALSE(store->GetItem("g", "t", "none"));
    EXPECT_FALSE(store->GetGroup(Variant(5)));
    EXPECT_TRUE(store->GetItem("G", "T", "A"));  // names compare without case
}

TEST(GroupStorage, SavingAndLoadingGivesTheSameThreeLevels) {
    Ref<TGroupsStorage> store = CreateObject<TGroupsStorage>();
    store->AddItem("g", "t", Item("a", {{"x", "1"}, {"y", "two words"}}));
    store->AddItem("g", "t", Item("", {{"k", "v"}}));
    store->AddItem("g", "", Item("b", {}));
    store->AddItem("h", "t", Item("c", {{"x", "<&>"}}));

    Ref<IHierStorageRoot> document = CreateStorage("location");
    const Ref<IHierStorage> root = Query<IHierStorage>(document);
    ASSERT_TRUE(root);
    ASSERT_TRUE(SavePersistObject(Ref<IInterface>(store), root));
    std::string xml;
    ASSERT_TRUE(document->SaveToXML(xml));
    EXPECT_NE(xml.find(R"(<item_type name="">)"), std::string::npos) << xml;

    Ref<TGroupsStorage> loaded = CreateObject<TGroupsStorage>();
    ASSERT_TRUE(LoadPersistObject(Ref<IInterface>(loaded), LoadStorageFromXML(xml)));
    ASSERT_EQ(loaded->GetCount(), 2);
    EXPECT_EQ(loaded->GetGroup(Variant(0))->GetName(), "g");
    EXPECT_EQ(loaded->GetGroup(Variant("g"))->GetCount(), 2);
    EXPECT_EQ(Params(loaded->GetItem("g", "t", "a")),
              (std::vector<std::string>{"x=1", "y=two words"}));
    EXPECT_EQ(Params(loaded->GetItem("g", "t", "")), (std::vector<std::string>{"k=v"}));
    EXPECT_TRUE(loaded->GetItem("g", "", "b"));
    EXPECT_EQ(Params(loaded->GetItem("h", "t", "c")), (std::vector<std::string>{"x=<&>"}));
}

}  // namespace
