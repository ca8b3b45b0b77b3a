// The child lists: z order, names, the update pass and the walks that
// survive changes, removal of the dead, moving between lists, and the
// back-links the lists set and clear.
#include <gtest/gtest.h>

#include "core/object/ElHashList.h"
#include "core/storage/XMLStorage.h"
#include "tests/support/LogCapture.h"
#include "tests/support/WidgetHarness.h"
#include "tests/widgets/WidgetTestClasses.h"
#include "widgets/WidgetUtils.h"

namespace widgettest {
namespace {

using Names = std::vector<std::string>;
using Rects = std::vector<TRect>;

// An owner that records the rectangles it is given.
class TRecordingOwner : public TNamedObject, public virtual IWidgetOwner {
public:
    Ref<IEngine> GetEngine() override { return nullptr; }
    Ref<IWindow> GetWindow() override { return nullptr; }
    Ref<IEventHandler> GetEventHandler() override { return nullptr; }
    TPoint ScreenToClient(int32_t x, int32_t y) override { return {x, y}; }
    Ref<IWidget> CreateFactoryWidget(const std::string&, const Ref<IParamCollection>&) override {
        return nullptr;
    }
    Ref<IWidget> FindWidget(std::string_view) override { return nullptr; }
    std::string GetPath() override { return "owner"; }
    void InvalidateRect(const TRect& rect) override { rects.push_back(rect); }

    Rects rects;
};

Ref<TTestWidget> Leaf(const std::string& name, int32_t z = 0) {
    Ref<TTestWidget> widget = CreateObject<TTestWidget>();
    widget->SetName(name);
    widget->SetZ(z);
    return widget;
}

Names NamesOf(ISimpleWidgetCollection& list) {
    Names names;
    for (int32_t i = 0; i < list.GetCount(); ++i)
        names.push_back(list.GetWidgetByIndex(i)->GetName());
    return names;
}

class WidgetLists : public testing::Test {
protected:
    void SetUp() override { Journal().clear(); }
    // The updates of the journal, in order.
    static Names Updates() {
        Names updates;
        for (const std::string& line : Journal())
            if (line.rfind("update ", 0) == 0) updates.push_back(line.substr(7));
        return updates;
    }

    Ref<TWidgetCollection> list = CreateObject<TWidgetCollection>();
    Ref<TRecordingOwner> owner = MakeRef<TRecordingOwner>();
};

TEST_F(WidgetLists, ChildrenGoInByZTheLaterAddedAboveItsEquals) {
    list->AddWidget(Leaf("5a", 5));
    list->AddWidget(Leaf("1", 1));
    list->AddWidget(Leaf("5b", 5));
    list->AddWidget(Leaf("3", 3));
    EXPECT_EQ(NamesOf(*list), (Names{"1", "3", "5a", "5b"}));
    list->AddWidget(Leaf("low", -7));
    EXPECT_EQ(NamesOf(*list).front(), "low");

    // Unsorted, and by AddWidgetAs, a widget is appended.
    list->AddWidgetAs(Leaf("x", -100), "as");
    EXPECT_EQ(NamesOf(*list).back(), "x");
    EXPECT_TRUE(list->GetWidgetByName("as"));
    list->SetSortByZ(false);
    list->AddWidget(Leaf("y", -100));
    EXPECT_EQ(NamesOf(*list).back(), "y");
}

TEST_F(WidgetLists, AddWidgetAttachesToTheListsOwnerAndAddWidgetAsDoesNot) {
    list->AttachAll(owner.get());
    Ref<TTestWidget> a = Leaf("a");
    a->SetVisible(true);
    a->SetWidth(4);
    a->SetHeight(4);
    list->AddWidget(a);
    EXPECT_EQ(a->GetOwner(), owner.get());
    EXPECT_EQ(owner->rects, (Rects{{0, 0, 4, 4}}));  // reported as new at once
    EXPECT_TRUE(list->GetInvalidated());

    Ref<TTestWidget> b = Leaf("b");
    list->AddWidgetAs(b, "b");
    EXPECT_EQ(b->GetOwner(), nullptr);

    list->DetachAll();
    EXPECT_EQ(a->GetOwner(), nullptr);
    EXPECT_EQ(list->GetOwner(), nullptr);
}

TEST_F(WidgetLists, UnnamedWidgetsAreAllKeptWhileNamedDuplicatesAreRefused) {
    Ref<IWidget> group = WidgetFromXMLText(R"(
      <widget type="group_widget">
        <widgets>
          <widget type="test_widget" width="1"/>
          <widget type="test_widget" name="dup" width="2"/>
          <widget type="test_widget" width="3"/>
          <widget type="test_widget" name="DUP" width="4"/>
          <widget type="test_widget" width="5"/>
        </widgets>
      </widget>)");
    ASSERT_TRUE(group);
    const Ref<IWidgetCollection> children = group->GetChildren();
    ASSERT_EQ(children->GetCount(), 4);
    EXPECT_EQ(children->GetWidgetByName("")->GetWidth(), 1);
    EXPECT_EQ(children->GetWidgetByName("Dup")->GetWidth(), 2);
    EXPECT_EQ(children->GetWidgetByIndex(3)->GetWidth(), 5);

    // Saving keeps every unnamed child.
    Ref<IWidget> again = WidgetFromXMLText(WidgetToXMLText(group));
    EXPECT_EQ(again->GetChildren()->GetCount(), 4);

    // A widget already in the list is not added again.
    const Ref<IWidget> first = children->GetWidgetByIndex(0);
    children->AddWidget(first);
    EXPECT_EQ(children->GetCount(), 4);
}

TEST_F(WidgetLists, LookupsAndDeletes) {
    list->AddWidget(Leaf("a"));
    list->AddWidget(Leaf("b"));
    EXPECT_EQ(list->GetWidget(Variant(1))->GetName(), "b");
    EXPECT_EQ(list->GetWidget(Variant("A"))->GetName(), "a");
    EXPECT_FALSE(list->GetWidget(Variant("c")));
    EXPECT_FALSE(list->GetWidgetByIndex(2));
    EXPECT_FALSE(list->GetWidgetByIndex(-1));
    EXPECT_EQ(list->IndexOf("B"), 1);
    EXPECT_THROW(list->Delete(Variant("c")), EElHashListError);
    list->Delete(Variant(0));
    EXPECT_EQ(NamesOf(*list), Names{"b"});
    list->AddWidget(nullptr);
    EXPECT_EQ(list->GetCount(), 1);
}

TEST_F(WidgetLists, AChildAddedDuringTheUpdatePassIsUpdatedOnceInTheSameFrame) {
    Ref<TTestWidget> a = Leaf("a", 1);
    Ref<TTestWidget> b = Leaf("b", 2);
    list->AddWidget(a);
    list->AddWidget(b);
    a->onUpdate = [this](TTestWidget&) {
        list->AddWidget(Leaf("ahead", 5));   // after the walk's place
        list->AddWidget(Leaf("behind", 0));  // before it: the next pass finds it
    };
    list->UpdateAll(10);
    EXPECT_EQ(Updates(), (Names{"a 10", "b 10", "ahead 10", "behind 10"}));
    EXPECT_EQ(NamesOf(*list), (Names{"behind", "a", "b", "ahead"}));
}

TEST_F(WidgetLists, PausedDeadAndUpdatedChildrenAreSkipped) {
    Ref<TTestWidget> paused = Leaf("paused");
    Ref<TTestWidget> dead = Leaf("dead");
    Ref<TTestWidget> done = Leaf("done");
    Ref<TTestWidget> live = Leaf("live");
    for (const auto& w : {paused, dead, done, live}) list->AddWidget(w);
    paused->Pause();
    dead->SetDead(true);
    done->SetUpdated(true);
    list->UpdateAll(10);
    EXPECT_EQ(Updates(), Names{"live 10"});
}

TEST_F(WidgetLists, AWidgetRemovingItselfOrItsSiblingsLeavesTheWalkRight) {
    for (const char* name : {"a", "self", "next", "after", "last"}) list->AddWidget(Leaf(name));
    auto& self = dynamic_cast<TTestWidget&>(*list->GetWidgetByName("self"));
    self.onUpdate = [this](TTestWidget& w) {
        // Out of the list and, with no other reference, freed once the walk
        // lets it go; then its next sibling.
        list->Delete(Variant(list->IndexOfWidget(&w)));
        list->Delete(Variant("next"));
    };
    auto& last = dynamic_cast<TTestWidget&>(*list->GetWidgetByName("last"));
    last.onUpdate = [this](TTestWidget&) { list->Delete(Variant("a")); };  // a sibling behind
    list->UpdateAll(10);
    EXPECT_EQ(Updates(), (Names{"a 10", "self 10", "after 10", "last 10"}));
    EXPECT_EQ(NamesOf(*list), (Names{"after", "last"}));
    // Freed, each in its turn, and never touched afterwards.
    EXPECT_NE(std::find(Journal().begin(), Journal().end(), "destroy self"), Journal().end());
    EXPECT_NE(std::find(Journal().begin(), Journal().end(), "destroy next"), Journal().end());
}

TEST_F(WidgetLists, AGroupDroppedByItsOwnChildDuringTheUpdateIsNotUsedAfterwards) {
    TWidgetHarness screen;
    screen.Load(R"(
      <widget type="group_widget">
        <widgets>
          <widget type="group_widget" name="g">
            <widgets>
              <widget type="test_widget" name="killer"/>
              <widget type="test_widget" name="sibling"/>
            </widgets>
          </widget>
        </widgets>
      </widget>)");
    auto& killer = dynamic_cast<TTestWidget&>(*screen.Find("g/killer"));
    const Ref<IWidgetCollection> top = screen.Root()->GetChildren();
    killer.onUpdate = [top](TTestWidget&) { top->Delete(Variant("g")); };
    screen.Step();
    EXPECT_EQ(top->GetCount(), 0);
    // The group's walk ends its pass over what it still holds, then lets go.
    EXPECT_EQ(Updates(), (Names{"killer 10", "sibling 10"}));
    EXPECT_NE(std::find(Journal().begin(), Journal().end(), "destroy sibling"), Journal().end());
}

TEST_F(WidgetLists, AnUpdatePassThatNeverSettlesStopsAndIsLogged) {
    TLogCapture log;
    std::function<void(TTestWidget&)> breed;
    breed = [this, &breed](TTestWidget& w) {
        Ref<TTestWidget> child = Leaf("", w.GetZ() - 1);  // behind: found by the next pass
        child->onUpdate = breed;
        list->AddWidget(child);
    };
    Ref<TTestWidget> first = Leaf("first", 0);
    first->onUpdate = breed;
    list->AddWidget(first);
    list->UpdateAll(10);
    EXPECT_EQ(list->GetCount(), 65);
    EXPECT_TRUE(log.Has({"WIDGET", "kept changing", "64"}));
    list->Clear();
}

TEST_F(WidgetLists, DeadChildrenLeaveAtTheEndOfTheirParentsUpdateAndTheirAreaIsRepainted) {
    TWidgetHarness screen(64, 48);
    screen.Load(R"(
      <widget type="group_widget">
        <widgets>
          <widget type="test_widget" name="back" visible="yes" z="-1" width="64" height="48"
                  color="$FF000000"/>
          <widget type="test_widget" name="d1" visible="yes" timetolive="25" anchor_left="2"
                  width="3" height="3" color="$FFFFFFFF"/>
          <widget type="test_widget" name="d2" visible="yes" timetolive="25" anchor_left="20"
                  width="3" height="3" color="$FFFFFFFF"/>
        </widgets>
      </widget>)");
    screen.Step(2);
    EXPECT_EQ(screen.Pixel(3, 1), 0xFFFFFFFFu);
    Journal().clear();
    screen.Step();  // both reach 30 ms: dead, reported, detached, gone
    EXPECT_EQ(screen.Root()->GetChildren()->GetCount(), 1);
    EXPECT_EQ(screen.FrameRects(), (Rects{{20, 0, 23, 3}, {2, 0, 5, 3}}));
    EXPECT_EQ(screen.Pixel(3, 1), 0xFF000000u);
    EXPECT_EQ(screen.Pixel(21, 1), 0xFF000000u);
    EXPECT_EQ(Journal(), (Names{"update back 10", "update d1 10", "update d2 10", "detach d2",
                                "destroy d2", "detach d1", "destroy d1"}));
}

TEST_F(WidgetLists, AWidgetHasOneListAndMovingItTakesItOutOfTheFirst) {
    Ref<TRecordingOwner> other = MakeRef<TRecordingOwner>();
    Ref<TWidgetCollection> second = CreateObject<TWidgetCollection>();
    list->AttachAll(owner.get());
    second->AttachAll(other.get());
    Ref<TTestWidget> w = Leaf("w");
    w->SetVisible(true);
    w->SetWidth(2);
    w->SetHeight(2);
    list->AddWidget(w);
    owner->rects.clear();
    Journal().clear();

    second->AddWidget(w);
    EXPECT_EQ(list->GetCount(), 0);
    EXPECT_EQ(second->GetCount(), 1);
    EXPECT_EQ(w->GetOwner(), other.get());
    EXPECT_EQ(owner->rects, (Rects{{0, 0, 2, 2}}));  // its old area, repainted
    EXPECT_EQ(Journal(), (Names{"detach w", "attach w"}));
    second->Clear();
}

TEST_F(WidgetLists, AZChangeTakesEffectAtTheNextSort) {
    for (auto [name, z] : {std::pair{"a", 1}, {"b", 2}, {"c", 3}, {"d", 3}})
        list->AddWidget(Leaf(name, z));
    list->GetWidgetByName("a")->SetZ(5);
    EXPECT_EQ(NamesOf(*list), (Names{"a", "b", "c", "d"}));
    list->SortByZ();
    EXPECT_EQ(NamesOf(*list), (Names{"b", "c", "d", "a"}));
    list->GetWidgetByName("b")->SetZ(3);  // now equal to c and d: it keeps its place
    list->SortByZ();
    EXPECT_EQ(NamesOf(*list), (Names{"b", "c", "d", "a"}));
    list->GetWidgetByName("d")->SetZ(-1);
    list->SortByZ();
    EXPECT_EQ(NamesOf(*list), (Names{"d", "b", "c", "a"}));
    // Lookups by name still agree with the new places.
    EXPECT_EQ(list->IndexOf("a"), 3);
    EXPECT_EQ(list->GetWidgetByName("c")->GetZ(), 3);
}

// The list looks at its order only after a change it was told of: each way
// a child's z can change, after a sort that found the order right, must
// still reach the next sort.
TEST_F(WidgetLists, EveryWayOfChangingZReachesTheNextSort) {
    struct TCase {
        const char* how;
        void (*change)(IWidget& widget);
    };
    const TCase cases[] = {
        {"SetZ", [](IWidget& w) { w.SetZ(9); }},
        {"the property", [](IWidget& w) { Query<IPropertyObject>(Ref<IWidget>(&w))->SetProperty("z", Variant(9)); }},
        {"loaded again", [](IWidget& w) {
             Query<IPersistObject>(Ref<IWidget>(&w))
                 ->Load(LoadStorageFromXML(R"(<widget name="a" z="9" visible="yes"/>)"));
         }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.how);
        list->Clear();
        for (auto [name, z] : {std::pair{"a", 1}, {"b", 2}, {"c", 3}}) list->AddWidget(Leaf(name, z));
        list->SortByZ();  // in order: nothing to do, and the list knows it
        c.change(*list->GetWidgetByName("a"));
        list->SortByZ();
        EXPECT_EQ(NamesOf(*list), (Names{"b", "c", "a"}));
        // Back to the front by a sort after a join, without a report of z.
        list->AddWidgetAs(Leaf("d", 0), "d");
        list->SortByZ();
        EXPECT_EQ(NamesOf(*list), (Names{"d", "b", "c", "a"}));
    }
}

TEST_F(WidgetLists, ClearDetachesFromTheLastToTheFirst) {
    list->AttachAll(owner.get());
    for (const char* name : {"a", "b", "c"}) list->AddWidget(Leaf(name));
    Journal().clear();
    list->Clear();
    EXPECT_EQ(Journal(),
              (Names{"detach c", "destroy c", "detach b", "destroy b", "detach a", "destroy a"}));
}

TEST_F(WidgetLists, AChildThatOutlivesItsGroupKeepsNoBackLink) {
    Ref<TTestWidget> child = Leaf("child");
    {
        Ref<IWidget> group = WidgetFromXMLText(R"(<widget type="group_widget"/>)");
        group->Attach(owner.get());
        group->GetChildren()->AddWidget(child);
        EXPECT_EQ(child->GetOwner(), dynamic_cast<IWidgetOwner*>(group.get()));
        group->Detach();
        group->Attach(owner.get());
    }  // the group goes, its list with it
    EXPECT_EQ(child->GetOwner(), nullptr);
    list->AddWidget(child);  // free to join another list
    EXPECT_EQ(list->GetCount(), 1);
    EXPECT_EQ(NamesOf(*list), Names{"child"});
}

}  // namespace
}  // namespace widgettest
