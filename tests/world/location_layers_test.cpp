// The location's picture brought into line with the profile: the location,
// its current layer, and the magic items bought on that layer.
#include "tests/world/LocationTestSupport.h"

namespace scenetest {
namespace {

class LocationLayersTest : public SceneTest {
protected:
    void Paint(const std::string& location = "japan") {
        PaintLocationLayers(Widget("control_scene"), Game().GetUserProfiles()->GetCurrent(),
                            location);
    }
    std::string Seen() const {
        std::string text;
        for (const char* path :
             {"locations/japan", "locations/rome", "locations/japan/layer_1",
              "locations/japan/layer_1/items", "locations/japan/layer_2",
              "locations/japan/layer_2/items", "locations/japan/layer_3",
              "locations/japan/caption"}) {
            text += Visible(path) ? "1" : "0";
        }
        return text;
    }
    std::string Item(const std::string& layer, const std::string& name) const {
        const std::string path = "locations/japan/" + layer + "/items/" + name;
        return Prop(path, "state") + (Visible(path) ? "+" : "-");
    }
};

TEST_F(LocationLayersTest, ANewProfileShowsTheFirstLayerWithEveryItemLocked) {
    StartGame();
    Widget("locations/rome")->SetVisible(true);
    Widget("locations/japan/layer_2")->SetVisible(true);
    Paint();
    EXPECT_EQ(Seen(), "10110001");  // only japan, only layer_1; the caption is left alone
    EXPECT_EQ(Item("layer_1", "a"), "locked-");
    EXPECT_EQ(Item("layer_1", "b"), "locked-");
    // A decoration is no magic item: it keeps what the data gave it.
    EXPECT_EQ(Item("layer_1", "deco"), "+");
}

TEST_F(LocationLayersTest, BoughtItemsOfTheCurrentLayerAreShownUnlocked) {
    struct TCase {
        const char* layer;
        const char* bought1;  // items_japanlayer_1
        const char* bought2;  // items_japanlayer_2
        const char* seen;
        const char* a;
        const char* b;
        const char* ab;
        const char* d;
    };
    const TCase cases[] = {
        {"layer_1", "a,", "", "10110001", "unlocked+", "locked-", "locked-", "locked-"},
        // Whole names only: "ab," buys ab and not b, whose name it ends with.
        {"layer_1", "ab,", "", "10110001", "locked-", "locked-", "unlocked+", "locked-"},
        // Entries are trimmed, and the last needs no comma after it.
        {"layer_1", " b , a", "", "10110001", "unlocked+", "unlocked+", "locked-", "locked-"},
        // The second layer reads its own list; layer_1's purchases are not looked at.
        {"layer_2", "a,b,", "d,", "10001101", "locked-", "locked-", "locked-", "unlocked+"},
        {"layer_3", "a,", "d,", "10000011", "locked-", "locked-", "locked-", "locked-"},
    };
    StartGame();
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.layer + std::string(" ") + c.bought1);
        Profile()->SetValue("location_layer_japan", Variant(c.layer));
        Profile()->SetValue("items_japanlayer_1", Variant(c.bought1));
        Profile()->SetValue("items_japanlayer_2", Variant(c.bought2));
        // Every item starts hidden and stateless, so only this paint shows.
        for (const char* path : {"layer_1/items/a", "layer_1/items/b", "layer_1/items/ab",
                                 "layer_2/items/d"}) {
            Widget(std::string("locations/japan/") + path)->SetProperty("state", Variant(""));
        }
        Paint();
        EXPECT_EQ(Seen(), c.seen);
        if (std::string(c.layer) == "layer_1") {
            EXPECT_EQ(Item("layer_1", "a"), c.a);
            EXPECT_EQ(Item("layer_1", "b"), c.b);
            EXPECT_EQ(Item("layer_1", "ab"), c.ab);
        }
        if (std::string(c.layer) == "layer_2") {
            EXPECT_EQ(Item("layer_2", "d"), c.d);
            // The hidden layer's items were not looked at.
            EXPECT_EQ(Prop("locations/japan/layer_1/items/a", "state"), "");
        }
    }
}

TEST_F(LocationLayersTest, NothingHappensWithoutAWidgetOrAPictureAndNoProfileMeansDefaults) {
    StartGame();
    Widget("locations/rome")->SetVisible(true);
    PaintLocationLayers(nullptr, Game().GetUserProfiles()->GetCurrent(), "japan");
    EXPECT_TRUE(Visible("locations/rome"));
    // A location without a picture hides the others and stops there.
    Paint("china");
    EXPECT_FALSE(Visible("locations/rome"));
    EXPECT_FALSE(Visible("locations/japan"));
    PaintLocationLayers(Widget("control_scene"), nullptr, "japan");
    EXPECT_EQ(Seen(), "10110001");
}

TEST_F(LocationLayersTest, TheWorldUnitsMakeItTheLevelScreensPainter) {
    StartGame();
    Profile()->SetValue("location_layer_japan", Variant("layer_2"));
    // The hook the level screen calls reaches this painter.
    ShowLocationLayers(Widget("control_scene"), Game().GetUserProfiles()->GetCurrent(), "japan");
    EXPECT_EQ(Seen(), "10001101");
}

}  // namespace
}  // namespace scenetest
