#include <gtest/gtest.h>

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

}  // namespace
