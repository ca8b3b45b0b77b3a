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

// Names as bytes: UTF-8 ones come back from the file as they went in; any
// other is refused where it enters (no profile, no high-score row, a log
// line), since the file would give it back changed.
TEST_F(UserProfilesFileTest, ANameReadsBackAsItWasWrittenOrIsRefused) {
    const struct {
        const char* name;
        bool utf8;
    } cases[] = {
        {"Zo\xC3\xAB", true},           // Zoë
        {"\xE6\x97\xA5\xE6\x9C\xAC", true},  // two CJK characters
        {"\xF0\x9F\x90\xB1" "cat", true},  // beyond the 16-bit plane
        {"Zo\xC3", false},              // cut inside a sequence
        {"Zo\xEB", false},              // Latin-1
        {"\xFF\xFE", false},
        {"\xC0\xAF", false},             // overlong "/"
        {"a\xED\xA0\x80", false},        // an encoded surrogate
        {"\xF4\x90\x80\x80", false},     // above U+10FFFF
        {"\x80lead", false},             // a continuation byte alone
    };
    for (const auto& c : cases) {
        const std::string name = c.name;
        log.Clear();
        Ref<TUserProfileCollection> profiles = NewProfiles();
        profiles->FindOrAdd("Ann");
        const Ref<IUserProfile> made = profiles->FindOrAdd(name);
        profiles->SetCurrent(name);
        Ref<THighScores> scores = NewHighScores();
        const Ref<IRecord> row =
            scores->AddScore(Params({{"Score", "500"}, {"Player", name}}), "japan");
        ASSERT_TRUE(profiles->Save(Engine()));
        ASSERT_TRUE(scores->Save(Engine()));
        Ref<TUserProfileCollection> profilesBack = NewProfiles();
        ASSERT_EQ(profilesBack->Load(Engine()), TPlayerFileLoad::kLoaded);
        Ref<THighScores> scoresBack = NewHighScores();
        ASSERT_EQ(scoresBack->Load(Engine(), false), TPlayerFileLoad::kLoaded);
        const Ref<IRecordCollection> rows =
            scoresBack->GetTables()->GetItem(Variant("japan"))->GetRecords();
        if (c.utf8) {
            ASSERT_TRUE(made) << name << " " << (log.Lines().empty() ? "" : log.Lines()[0]);
            ASSERT_TRUE(row) << name;
            EXPECT_EQ(profilesBack->GetCount(), 2) << name;
            ASSERT_TRUE(profilesBack->GetCurrent()) << name;
            EXPECT_EQ(profilesBack->GetCurrent()->GetName(), name);
            ASSERT_EQ(rows->GetCount(), 1) << name;
            EXPECT_EQ(TextOf(rows->GetItem(Variant(0))->GetParams()->GetValue("Player", Variant())),
                      name);
            EXPECT_TRUE(log.Lines().empty()) << name;
        } else {
            EXPECT_FALSE(made) << name;
            EXPECT_FALSE(row) << name;
            EXPECT_FALSE(scores->SubmitScore(Params({{"Score", "600"}, {"Player", name}}),
                                             "japan"))
                << name;
            EXPECT_EQ(Describe(profilesBack), "current=<none> | Ann{}[]") << name;
            EXPECT_EQ(rows->GetCount(), 0) << name;
            EXPECT_EQ(log.Lines().size(), 3u) << name;
        }
    }
}

}  // namespace
}  // namespace playerdata
