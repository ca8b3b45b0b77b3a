#include <gtest/gtest.h>

#include <memory>
#include <type_traits>
#include <vector>

#include "core/base/Interface.h"

namespace {

class INode : public virtual IInterface {
public:
    virtual int Id() const = 0;
};
class IExtra : public virtual IInterface {
public:
    virtual int Extra() const = 0;
};

int g_alive = 0;

// A tree whose children are counted references and whose parent link is not.
class TNode : public INode, public IExtra {
public:
    explicit TNode(int id, TNode* parent = nullptr) : id_(id), parent_(parent) { ++g_alive; }
    ~TNode() override { --g_alive; }
    int Id() const override { return id_; }
    int Extra() const override { return id_ * 10; }
    Ref<TNode> AddChild(int id) {
        children_.push_back(MakeRef<TNode>(id, this));
        return children_.back();
    }
    TNode* Parent() const { return parent_; }
    Ref<INode> Self() { return Ref<INode>(this); }

private:
    int id_;
    TNode* parent_;
    std::vector<Ref<TNode>> children_;
};

TEST(Ref, TreeWithBackLinksFreesEverything) {
    {
        Ref<TNode> root = MakeRef<TNode>(1);
        Ref<TNode> child = root->AddChild(2);
        child->AddChild(3)->AddChild(4);
        EXPECT_EQ(g_alive, 4);
        EXPECT_EQ(child->Parent(), root.get());
        root.reset();
        // The child still holds its subtree; the root went with the last reference.
        EXPECT_EQ(g_alive, 3);
    }
    EXPECT_EQ(g_alive, 0);
}

TEST(Ref, OneCountAcrossInterfaces) {
    Ref<TNode> node = MakeRef<TNode>(5);
    Ref<INode> asNode = node;
    Ref<IExtra> asExtra = Query<IExtra>(asNode);
    ASSERT_TRUE(asExtra);
    EXPECT_EQ(asExtra->Extra(), 50);
    EXPECT_EQ(node->RefCount(), 3);
    EXPECT_TRUE(asExtra == asNode);
    Ref<INode> self = node->Self();
    EXPECT_EQ(node->RefCount(), 4);
}

TEST(Ref, QueryOfAnotherInterfaceIsNull) {
    class TPlain : public INode {
    public:
        int Id() const override { return 0; }
    };
    Ref<INode> plain = MakeRef<TPlain>();
    EXPECT_FALSE(Query<IExtra>(plain));
    Ref<INode> none;
    EXPECT_FALSE(Query<IExtra>(none));
}

TEST(Ref, MoveAndAssignKeepCounts) {
    Ref<TNode> a = MakeRef<TNode>(1);
    Ref<TNode> b = a;
    EXPECT_EQ(a->RefCount(), 2);
    Ref<TNode> c = std::move(b);
    EXPECT_FALSE(b);
    EXPECT_EQ(a->RefCount(), 2);
    c = c;  // self-assignment keeps the object
    EXPECT_EQ(a->RefCount(), 2);
    c = nullptr;
    EXPECT_EQ(a->RefCount(), 1);
}

// Takes references to itself while it is being built, directly and through
// a query, as a widget registering itself with its parent would.
class TSelfReferencing : public INode, public IExtra {
public:
    TSelfReferencing() {
        ++g_alive;
        Ref<INode> self(this);
        Ref<IExtra> extra = Query<IExtra>(this);
        seenDuringConstruction = self->RefCount();
    }
    ~TSelfReferencing() override { --g_alive; }
    int Id() const override { return 1; }
    int Extra() const override { return 2; }
    int seenDuringConstruction = 0;
};

TEST(Ref, AReferenceToThisInsideTheConstructorFreesNothing) {
    g_alive = 0;
    Ref<TSelfReferencing> object = MakeRef<TSelfReferencing>();
    EXPECT_EQ(g_alive, 1);
    // The construction reference, the one taken inside, and the query's.
    EXPECT_EQ(object->seenDuringConstruction, 3);
    EXPECT_EQ(object->RefCount(), 1);
    EXPECT_TRUE(object->IsAdopted());
    object.reset();
    EXPECT_EQ(g_alive, 0);
}

// A function that, like the loaders, takes whatever it is given as a Ref.
int IdThroughRef(const Ref<IInterface>& object) {
    Ref<INode> node = Query<INode>(object);
    return node ? node->Id() : -1;
}

// A raw pointer never turns into a Ref unnoticed: `LoadPersistObject(&param,
// node)` does not compile, the reference is spelt out.
static_assert(!std::is_convertible_v<TNode*, Ref<INode>>);
static_assert(std::is_constructible_v<Ref<INode>, TNode*>);

TEST(Ref, AnObjectNobodyAdoptedIsNeverDeletedByItsRefs) {
    g_alive = 0;
    {
        TNode onStack(7);
        EXPECT_FALSE(onStack.IsAdopted());
        EXPECT_EQ(IdThroughRef(Ref<IInterface>(&onStack)), 7);
        {
            Ref<INode> a(&onStack);
            Ref<INode> b = a;
            EXPECT_EQ(onStack.RefCount(), 3);
        }
        // Back to its construction reference, and still alive.
        EXPECT_EQ(onStack.RefCount(), 1);
        EXPECT_EQ(g_alive, 1);
        auto owned = std::make_unique<TNode>(8);
        EXPECT_EQ(IdThroughRef(Ref<IInterface>(owned.get())), 8);
        EXPECT_EQ(g_alive, 2);
    }
    EXPECT_EQ(g_alive, 0);
}

TEST(Weak, LocksWhileTheObjectLivesAndAnswersNullAfter) {
    g_alive = 0;
    Ref<TNode> node = MakeRef<TNode>(3);
    Weak<INode> weak(node);
    Weak<INode> copy = weak;
    Weak<IExtra> other = Query<IExtra>(node);
    EXPECT_EQ(node->RefCount(), 1);  // weak references hold no count
    EXPECT_EQ(weak.Get(), node.get());
    {
        Ref<INode> locked = weak.Lock();
        ASSERT_TRUE(locked);
        EXPECT_EQ(locked->Id(), 3);
        EXPECT_EQ(node->RefCount(), 2);
    }
    node.reset();
    EXPECT_EQ(g_alive, 0);
    // The block outlives the object for the weak references still around.
    for (const Weak<INode>* w : {&weak, &copy}) {
        EXPECT_TRUE(w->Expired());
        EXPECT_EQ(w->Get(), nullptr);
        EXPECT_FALSE(w->Lock());
    }
    EXPECT_FALSE(other.Lock());
    Weak<INode> empty;
    EXPECT_FALSE(empty.Lock());
    empty = copy;
    EXPECT_TRUE(empty.Expired());
}

// Holds a weak reference to itself and looks through it while it is being
// destroyed, as a focus or capture holder would be asked during a teardown.
class TLooksAtItselfWhenDying : public INode {
public:
    TLooksAtItselfWhenDying() : self_(this) { ++g_alive; }
    ~TLooksAtItselfWhenDying() override {
        --g_alive;
        lockedWhileDying = bool(self_.Lock());
        // A reference taken and dropped during destruction frees nothing twice.
        Ref<INode> again(this);
    }
    int Id() const override { return 9; }
    static inline bool lockedWhileDying = true;

private:
    Weak<INode> self_;
};

TEST(Weak, AnObjectBeingDestroyedIsNoLongerLockable) {
    g_alive = 0;
    TLooksAtItselfWhenDying::lockedWhileDying = true;
    Weak<INode> outside;
    {
        Ref<INode> object = MakeRef<TLooksAtItselfWhenDying>();
        outside = Weak<INode>(object);
    }
    EXPECT_EQ(g_alive, 0);
    EXPECT_FALSE(TLooksAtItselfWhenDying::lockedWhileDying);
    EXPECT_FALSE(outside.Lock());
}

#ifndef NDEBUG
// Each misuse stops a debug build with a sentence that names it.
TEST(RefDeathTest, MisusesStopWithASentence) {
    EXPECT_DEATH(
        {
            TNode onStack(1);
            onStack.Release();
        },
        "count is already at its floor");
    EXPECT_DEATH(
        {
            TNode* node = MakeRef<TNode>(1).Detach();
            delete node;
        },
        "adopted object was deleted directly");
    EXPECT_DEATH(
        {
            Ref<INode> keep;
            {
                TNode onStack(1);
                keep = Ref<INode>(&onStack);
            }
        },
        "destroyed while a Ref still held it");
    EXPECT_DEATH(
        {
            TNode* node = new TNode(1);
            Ref<TNode> first = Ref<TNode>::Adopt(node);
            Ref<TNode> second = Ref<TNode>::Adopt(node);
        },
        "adopted twice");
}

Ref<INode> g_escaped;

class TEscapesWhenDying : public INode {
public:
    ~TEscapesWhenDying() override { g_escaped = Ref<INode>(this); }
    int Id() const override { return 0; }
};

TEST(RefDeathTest, AReferenceThatOutlivesTheDestructionStops) {
    EXPECT_DEATH({ MakeRef<TEscapesWhenDying>().reset(); },
                 "taken while the object was being destroyed outlived");
}
#endif

}  // namespace
