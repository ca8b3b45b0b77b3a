// Who owns whom in a tree of counted objects: children in a parent's
// collection, a back-link set and cleared only by the membership reports,
// walks in which children remove themselves and their siblings.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/persist/EngineGeneralClasses.h"
#include "core/persist/Params.h"
#include "core/storage/XMLStorage.h"

namespace {

int g_alive = 0;

class TTestParent;

class ITestChild : public virtual INamedObject {
public:
    virtual void Update() = 0;
};

class TTestChild : public TNamedObject, public virtual ITestChild {
public:
    explicit TTestChild(std::string name = {}) {
        SetName(std::move(name));
        ++g_alive;
    }
    ~TTestChild() override { --g_alive; }

    void Update() override {
        ++updates;
        if (onUpdate) onUpdate(*this);
    }

    // The back-link: a plain pointer, set and cleared by the parent's reports.
    TTestParent* Parent() const { return parent_; }

    int updates = 0;
    std::vector<std::string> told;
    std::function<void(TTestChild&)> onUpdate;

private:
    friend class TTestParent;
    TTestParent* parent_ = nullptr;
};

// A parent that keeps its children's back-links through the membership
// reports, and closes its collection in its own destructor.
class TTestParent : public TTypedCollection<ITestChild, ICollection, TCollection>,
                    private IMembershipObserver {
public:
    TTestParent() {
        ++g_alive;
        SetMembershipObserver(this);
    }
    ~TTestParent() override {
        CloseItems();
        --g_alive;
    }

    void UpdateAll() {
        ForEachItem([](const Ref<ITestChild>& child) { child->Update(); });
    }
    bool Replace(int32_t position, const Ref<ITestChild>& child) {
        return ReplaceItem(position, Ref<IInterface>(child));
    }
    std::string Names() const {
        std::string names;
        for (int32_t i = 0; i < Items().GetCount(); ++i)
            names += Query<INamedObject>(Items().GetItemAt(i))->GetName();
        return names;
    }

private:
    void ItemAdded(TInterfaceCollection&, IInterface& item) noexcept override {
        if (auto* child = dynamic_cast<TTestChild*>(&item)) {
            child->parent_ = this;
            child->told.push_back("added");
        }
    }
    void ItemRemoved(TInterfaceCollection&, IInterface& item) noexcept override {
        if (auto* child = dynamic_cast<TTestChild*>(&item)) {
            child->parent_ = nullptr;
            child->told.push_back("removed");
        }
    }
};

Ref<TTestChild> Child(const std::string& name) {
    return MakeRef<TTestChild>(name);
}

Ref<TTestParent> ParentWith(const std::string& names) {
    Ref<TTestParent> parent = MakeRef<TTestParent>();
    for (char name : names) parent->Add(Child(std::string(1, name)));
    return parent;
}

TEST(Ownership, BackLinksFollowMembershipOnEveryPath) {
    struct TCase {
        const char* what;
        void (*leave)(Ref<TTestParent>& parent);
    };
    const TCase cases[] = {
        {"deleted by name", [](Ref<TTestParent>& p) { p->Delete(Variant("K")); }},
        {"deleted at its position", [](Ref<TTestParent>& p) { p->Delete(Variant(int32_t(1))); }},
        {"replaced", [](Ref<TTestParent>& p) { EXPECT_TRUE(p->Replace(1, Child("r"))); }},
        {"cleared", [](Ref<TTestParent>& p) { p->Clear(); }},
        {"orphaned", [](Ref<TTestParent>& p) { p.reset(); }},
    };
    for (const TCase& t : cases) {
        SCOPED_TRACE(t.what);
        g_alive = 0;
        {
            Ref<TTestParent> parent = ParentWith("a");
            Ref<TTestChild> kept = Child("k");
            parent->Add(kept);
            EXPECT_EQ(kept->Parent(), parent.get());
            t.leave(parent);
            EXPECT_EQ(kept->Parent(), nullptr);
            EXPECT_EQ(kept->told, (std::vector<std::string>{"added", "removed"}));
            EXPECT_EQ(kept->RefCount(), 1);  // the collection's reference went
        }
        EXPECT_EQ(g_alive, 0);
    }
}

TEST(Ownership, AnUpdateWalkSurvivesChildrenRemovingThemselvesAndTheirSiblings) {
    g_alive = 0;
    {
        Ref<TTestParent> parent = ParentWith("abcdef");
        auto on = [&](const char* name, std::function<void(TTestChild&)> f) {
            Query<TTestChild>(parent->Find(Variant(name)))->onUpdate = std::move(f);
        };
        std::vector<Ref<TTestChild>> watch;
        for (int32_t i = 0; i < parent->GetCount(); ++i)
            watch.push_back(Query<TTestChild>(parent->Find(Variant(i))));
        // b removes itself; c removes itself and its next sibling d; e removes
        // the earlier sibling a and adds g at the end.
        on("b", [&](TTestChild&) { parent->Delete(Variant("b")); });
        on("c", [&](TTestChild&) {
            parent->Delete(Variant("c"));
            parent->Delete(Variant("d"));
        });
        on("e", [&](TTestChild&) {
            parent->Delete(Variant("a"));
            parent->Add(Child("g"));
        });
        parent->UpdateAll();
        EXPECT_EQ(parent->Names(), "efg");
        const int expected[] = {1, 1, 1, 0, 1, 1};  // d was gone before its turn
        for (size_t i = 0; i < watch.size(); ++i) {
            EXPECT_EQ(watch[i]->updates, expected[i]) << watch[i]->GetName();
        }
        EXPECT_EQ(Query<TTestChild>(parent->Find(Variant("g")))->updates, 1);
        for (const char* gone : {"a", "b", "c", "d"}) {
            EXPECT_EQ(watch[size_t(gone[0] - 'a')]->Parent(), nullptr) << gone;
        }
        watch.clear();
        EXPECT_EQ(g_alive, 4);  // the parent, e, f, g
    }
    EXPECT_EQ(g_alive, 0);
}

TEST(Ownership, AChildThatFreesItsOwnParentDuringTheWalkIsSafe) {
    g_alive = 0;
    // Nobody else holds the children: removing itself frees nothing while its
    // Update runs, and the parent that loses its last outside reference lives
    // to the end of its walk.
    Ref<TTestParent> parent = ParentWith("ab");
    int seen = 0;
    Query<TTestChild>(parent->Find(Variant("a")))->onUpdate = [&](TTestChild& self) {
        TTestParent* owner = self.Parent();
        owner->Delete(Variant("a"));
        parent.reset();
        EXPECT_EQ(self.GetName(), "a");   // still whole
        EXPECT_EQ(owner->GetCount(), 1);  // and so is the parent
        ++seen;
    };
    TTestParent* raw = parent.get();
    raw->UpdateAll();
    EXPECT_EQ(seen, 1);
    EXPECT_EQ(g_alive, 0);  // all gone once the walk let go
}

TEST(Ownership, TheTypedCollectionFindsAddsAndRefuses) {
    Ref<TTestParent> parent = ParentWith("ab");
    EXPECT_EQ(parent->Find(Variant("B"))->GetName(), "b");
    EXPECT_EQ(parent->Find(Variant(int32_t(0)))->GetName(), "a");
    EXPECT_FALSE(parent->Find(Variant("z")));
    EXPECT_FALSE(parent->Find(Variant(int32_t(2))));

    Ref<TTestChild> second = Child("A");
    EXPECT_FALSE(parent->TryAdd(second));  // a present name keeps the first
    EXPECT_EQ(second->Parent(), nullptr);
    EXPECT_TRUE(second->told.empty());
    EXPECT_FALSE(parent->TryAdd(nullptr));
    parent->AddItem(CreateObject<TParam>());  // no child: dropped
    parent->AddItem(Child("c"));
    EXPECT_EQ(parent->Names(), "abc");

    std::string walked;
    parent->ForEachItem([&](const Ref<ITestChild>& child) {
        walked += child->GetName();
        return child->GetName() != "b";
    });
    EXPECT_EQ(walked, "ab");
}

TEST(Ownership, AStackObjectHandedToALoaderIsNotDeleted) {
    TParam param;
    param.Create();
    Ref<IHierStorage> node = LoadStorageFromXML(R"(<param name="speed" value="12"/>)");
    EXPECT_TRUE(LoadPersistObject(Ref<IInterface>(&param), node));
    EXPECT_EQ(param.GetName(), "speed");
    EXPECT_EQ(param.GetValue().ToString(), "12");
    EXPECT_EQ(param.RefCount(), 1);
    EXPECT_FALSE(param.IsAdopted());
}

#ifndef NDEBUG
// Registers itself as the observer and forgets to close in its destructor.
class TForgetfulParent : public TTypedCollection<ITestChild, ICollection, TCollection>,
                         private IMembershipObserver {
public:
    TForgetfulParent() { SetMembershipObserver(this); }

private:
    void ItemAdded(TInterfaceCollection&, IInterface&) noexcept override {}
    void ItemRemoved(TInterfaceCollection&, IInterface&) noexcept override {}
};

TEST(OwnershipDeathTest, AnObserverThatDoesNotCloseStops) {
    EXPECT_DEATH(MakeRef<TForgetfulParent>().reset(),
                 "destroyed while an observer was still registered");
}
#endif

}  // namespace
