// User profiles: finding and adding by name, the current profile, and the
// profiles' file.
#include <gtest/gtest.h>

#include "tests/game/PlayerDataDescribe.h"
#include "tests/game/PlayerDataTestSupport.h"

namespace playerdata {
namespace {

TEST(UserProfilesTest, NamesAreFoundIgnoringCase) {
    Ref<TUserProfileCollection> profiles = NewProfiles();
    Ref<IUserProfile> ann = profiles->FindOrAdd("Ann");
    EXPECT_EQ(profiles->FindOrAdd("ANN"), ann);
    EXPECT_EQ(profiles->GetItem(Variant("aNn")), ann);
    EXPECT_EQ(profiles->GetItem(Variant(0)), ann);
    EXPECT_EQ(profiles->GetCount(), 1);
    EXPECT_EQ(ann->GetName(), "Ann");
    profiles->SetCurrent("ann");
    EXPECT_EQ(profiles->GetCurrent(), ann);
    EXPECT_FALSE(profiles->GetItem(Variant("Bob")));
}

TEST(UserProfilesTest, DeletingTheCurrentProfileLeavesNoneCurrent) {
    struct Case {
        const char* deleted;  // by name, or "#n" by position
        const char* current;  // afterwards
    } cases[] = {
        {"Bob", "<none>"}, {"BOB", "<none>"}, {"#1", "<none>"},
        {"Ann", "Bob"},    {"#0", "Bob"},     {"Cy", "Bob"},
    };
    for (const Case& c : cases) {
        Ref<TUserProfileCollection> profiles = NewProfiles();
        for (const char* name : {"Ann", "Bob", "Cy"}) profiles->FindOrAdd(name);
        profiles->SetCurrent("Bob");
        const std::string key = c.deleted;
        if (key[0] == '#') {
            profiles->Delete(Variant(std::stoi(key.substr(1))));
        } else {
            profiles->Delete(Variant(key));
        }
        EXPECT_EQ(profiles->GetCount(), 2) << c.deleted;
        const Ref<IUserProfile> current = profiles->GetCurrent();
        EXPECT_EQ(current ? current->GetName() : "<none>", c.current) << c.deleted;
    }
}

TEST(UserProfilesTest, ClearingLeavesNoneCurrent) {
    Ref<TUserProfileCollection> profiles = NewProfiles();
    profiles->FindOrAdd("Ann");
    profiles->SetCurrent("Ann");
    profiles->Clear();
    EXPECT_EQ(profiles->GetCount(), 0);
    EXPECT_FALSE(profiles->GetCurrent());
}

TEST(UserProfilesTest, ANameNoProfileHasLeavesNoneCurrent) {
    Ref<TUserProfileCollection> profiles = NewProfiles();
    profiles->FindOrAdd("Ann");
    profiles->SetCurrent("Ann");
    profiles->SetCurrent("Nobody");
    EXPECT_FALSE(profiles->GetCurrent());
}

class UserProfilesFileTest : public PlayerDataTest {
protected:
    std::string SavedTree(const Ref<TUserProfileCollection>& profiles) {
        EXPECT_TRUE(profiles->Save(Engine()));
        return TreeOf(PlainText(ReadFileBytes(UserFile("users.dat")), GetUsersFileKey()));
    }
};

TEST_F(UserProfilesFileTest, NoCurrentProfileAndNoDataStorageWriteNothingForThem) {
    Ref<TUserProfileCollection> profiles = NewProfiles();
    profiles->FindOrAdd("Ann");
    EXPECT_EQ(SavedTree(profiles), "userprofiles(userprofile[name=Ann](params))");
    Ref<TUserProfileCollection> loaded = NewProfiles();
    ASSERT_EQ(loaded->Load(Engine()), TPlayerFileLoad::kLoaded);
    EXPECT_EQ(Describe(loaded), "current=<none> | Ann{}[]");
}

TEST_F(UserProfilesFileTest, ACurrentNameThatNoProfileHasLoadsEveryProfileAndNoneCurrent) {
    WritePlayerFile(UserFile("users.dat"),
                    "<userprofiles current_user_profile_name=\"Zed\">"
                    "<userprofile name=\"Ann\"><params><param name=\"a\" value=\"1\"/></params>"
                    "<datastorage>free</datastorage></userprofile>"
                    "<userprofile name=\"Bob\"/></userprofiles>",
                    GetUsersFileKey());
    Ref<TUserProfileCollection> profiles = NewProfiles();
    ASSERT_EQ(profiles->Load(Engine()), TPlayerFileLoad::kLoaded);
    EXPECT_EQ(Describe(profiles), "current=<none> | Ann{a=1}[free] | Bob{}[]");
}

TEST_F(UserProfilesFileTest, LoadingMergesIntoProfilesOfTheSameName) {
    ASSERT_TRUE(SampleProfiles()->Save(Engine()));
    Ref<TUserProfileCollection> profiles = NewProfiles();
    Ref<IUserProfile> ann = profiles->FindOrAdd("ANN");
    ann->GetParams()->SetValue("only_in_memory", Variant("kept"));
    ASSERT_EQ(profiles->Load(Engine()), TPlayerFileLoad::kLoaded);
    ASSERT_EQ(profiles->Load(Engine()), TPlayerFileLoad::kLoaded);
    EXPECT_EQ(profiles->GetCount(), 2);
    EXPECT_EQ(profiles->GetItem(Variant("Ann")), ann);
    EXPECT_EQ(DescribeParams(ann->GetParams()),
              "{only_in_memory=kept,location_state_japan=completed,UseAutoComplete=yes}");
    EXPECT_EQ(profiles->GetCurrent(), profiles->GetItem(Variant(kAwkwardName)));
}

TEST_F(UserProfilesFileTest, ASaveAndALoadKeepWhoIsCurrent) {
    // Files as the game or a hand may leave them: a profile without a name
    // and no current name; the same with a current named one; and one whose
    // current name is the nameless profile's.
    const struct {
        const char* xml;
        const char* current;  // who is current after loading the file
    } cases[] = {
        {"<userprofiles><userprofile/></userprofiles>", "<none>"},
        {"<userprofiles><userprofile name=\"Ann\"/><userprofile/></userprofiles>", "<none>"},
        {"<userprofiles current_user_profile_name=\"Ann\"><userprofile/>"
         "<userprofile name=\"Ann\"/></userprofiles>",
         "Ann"},
        // An empty current name is the nameless profile's.
        {"<userprofiles current_user_profile_name=\"\"><userprofile name=\"Ann\"/><userprofile/>"
         "</userprofiles>",
         ""},
    };
    for (const auto& c : cases) {
        WritePlayerFile(UserFile("users.dat"), c.xml, GetUsersFileKey());
        Ref<TUserProfileCollection> first = NewProfiles();
        ASSERT_EQ(first->Load(Engine()), TPlayerFileLoad::kLoaded) << c.xml;
        const std::string loaded = Describe(first);
        EXPECT_EQ(loaded.substr(0, loaded.find(" | ")), std::string("current=") + c.current)
            << c.xml;
        for (int round = 1; round <= 2; ++round) {
            ASSERT_TRUE(first->Save(Engine()));
            Ref<TUserProfileCollection> again = NewProfiles();
            ASSERT_EQ(again->Load(Engine()), TPlayerFileLoad::kLoaded);
            EXPECT_EQ(Describe(again), loaded) << c.xml << " after " << round << " saves";
            first = again;
        }
    }
}

}  // namespace
}  // namespace playerdata
