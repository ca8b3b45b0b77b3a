#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "core/base/Exception.h"
#include "core/lang/MultiLanguages.h"
#include "core/storage/XMLStorage.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempDir.h"

namespace {

const std::string kLangDir = std::string(QM_TEST_DATA_DIR) + "/lang/";

// Keeps the process-wide default language file as it was.
class Languages : public ::testing::Test {
protected:
    void SetUp() override { savedDefault_ = DefaultLanguageFile; }
    void TearDown() override { DefaultLanguageFile = savedDefault_; }

    std::string savedDefault_;
};

TEST_F(Languages, TranslateTable) {
    TMultiLanguages ml;
    ml.Strings().SetString("Hello, %username%!", "welcome");
    ml.Strings().SetString("%welcome% Today: %day%.", "greeting");
    ml.Strings().SetString("Monday", "day");
    ml.Strings().SetString("", "empty");
    ml.Strings().SetString("string", "both");
    ml.Strings().SetString("from strings", "username");
    ml.Strings().SetString("key with spaces", "a b");
    ml.SetVariable("username", "Ann");
    ml.SetVariable("both", "variable");
    ml.SetVariable("trap", "%day% stays");

    struct Case {
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        {"", ""},
        {"plain text", "plain text"},
        {"%%", "%"},
        {"100%", "100%"},
        {"%%%", "%%"},
        {"%", "%"},
        {"a%%b", "a%b"},
        {"%welcome%", "Hello, Ann!"},
        {"%Welcome%", "Hello, Ann!"},    // string keys ignore case
        {"%UserName%", "from strings"},  // variable names do not
        {"%both%", "variable"},          // variables come first
        {"%trap%", "%day% stays"},       // variable values are not translated
        {"%greeting%", "Hello, Ann! Today: Monday."},
        {"%unknown%", ""},
        {"[%empty%]", "[]"},
        {"50% off at 10% today", "50 today"},
        {"%a b%", "key with spaces"},
        {"%day%%day%", "MondayMonday"},
        {"x %day", "x %day"},
        {"%day%%", "Monday%"},
        {"\xC3\xA9%day%\xC3\xA9", "\xC3\xA9Monday\xC3\xA9"},
    };
    for (const Case& c : cases) EXPECT_EQ(ml.TranslateText(c.text), c.expected) << c.text;
}

TEST_F(Languages, SelfReferringStringsStopAtABoundedDepth) {
    TMultiLanguages ml;
    ml.Strings().SetString("x%self%", "self");
    ml.Strings().SetString("<%pong%>", "ping");
    ml.Strings().SetString("<%ping%>", "pong");
    // Each level doubles the work: without a bound on expansions this would
    // not finish.
    ml.Strings().SetString("%bomb%%bomb%%bomb%", "bomb");

    const std::string self = ml.TranslateText("%self%");
    EXPECT_EQ(self, std::string(TMultiLanguages::kMaxDepth, 'x') + "%self%");
    const std::string ping = ml.TranslateText("%ping%");
    EXPECT_EQ(ping.substr(0, 3), "<<<");
    EXPECT_NE(ping.find("%p"), std::string::npos);

    const auto start = std::chrono::steady_clock::now();
    const std::string bomb = ml.TranslateText("%bomb%");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_LT(bomb.size(), 10u * 1000 * 1000);
    EXPECT_NE(bomb.find("%bomb%"), std::string::npos);
}

// Strings of a few hundred kilobytes that refer to one another, and a long
// value repeated: the expansions stop once the text has grown by the bound,
// and the rest is kept as written.
TEST_F(Languages, ExpansionsStopAtABoundedLength) {
    TMultiLanguages ml;
    const std::string block(200'000, 'x');
    ml.Strings().SetString(block + "%big%%big%%big%%big%", "big");
    const std::string big = ml.TranslateText("<%big%> end");
    EXPECT_LE(big.size(), 16 + TMultiLanguages::kMaxExpandedLength);
    EXPECT_GT(big.size(), TMultiLanguages::kMaxExpandedLength - block.size());
    EXPECT_EQ(big.substr(0, 1 + block.size()), "<" + block);
    EXPECT_NE(big.find("x%big%"), std::string::npos);
    EXPECT_EQ(big.substr(big.size() - 10), "%big%> end") << "the text past the bound as written";

    ml.SetVariable("v", std::string(100'000, 'v'));
    std::string many;
    for (int i = 0; i < 100; ++i) many += "%v%";
    ml.Strings().SetString(many, "many");
    const std::string repeated = ml.TranslateText("%many%!");
    EXPECT_LE(repeated.size(), TMultiLanguages::kMaxExpandedLength + many.size());
    EXPECT_EQ(repeated.substr(0, 100'000), std::string(100'000, 'v'));
    EXPECT_EQ(repeated.substr(repeated.size() - 4), "%v%!");

    // Below the bound nothing changes.
    ml.SetVariable("w", "ww");
    ml.Strings().SetString("%w%%w%", "two");
    EXPECT_EQ(ml.TranslateText("%two%%two%"), "wwwwwwww");
}

// The strings table against a plain list, through settings that replace and
// move strings, removals by name and by position, and lookups of all kinds.
TEST_F(Languages, StringsTableKeepsTheOrderOfTheLastSetting) {
    TMLStrings strings;
    std::vector<std::pair<std::string, std::string>> model;  // upper-cased name, text
    auto upper = [](std::string s) {
        for (char& c : s) c = static_cast<char>(UpperCaseMap[static_cast<uint8_t>(c)]);
        return s;
    };
    auto modelFind = [&](const std::string& name) {
        for (size_t i = 0; i < model.size(); ++i)
            if (model[i].first == upper(name)) return static_cast<int32_t>(i);
        return -1;
    };
    std::mt19937 rng(4242);
    std::uniform_int_distribution<int> op(0, 9), key(0, 299);
    for (int step = 0; step < 20'000; ++step) {
        const std::string name = (step % 2 ? "Key" : "kEY") + std::to_string(key(rng));
        const int what = op(rng);
        if (what < 6) {
            const std::string text = "t" + std::to_string(step);
            strings.SetString(text, name);
            if (int32_t at = modelFind(name); at >= 0) model.erase(model.begin() + at);
            model.emplace_back(upper(name), text);
        } else if (what == 6) {
            const int32_t at = modelFind(name);
            if (at < 0) {
                EXPECT_THROW(strings.Delete(Variant(name)), EElHashListError);
            } else {
                strings.Delete(Variant(name));
                model.erase(model.begin() + at);
            }
        } else if (what == 7 && !model.empty()) {
            const int32_t at = key(rng) % static_cast<int32_t>(model.size());
            strings.Delete(Variant(at));
            model.erase(model.begin() + at);
        } else {
            const int32_t at = modelFind(name);
            ASSERT_EQ(strings.IndexOf(name), at) << "step " << step;
            ASSERT_EQ(strings.Get(name, "-"), at < 0 ? "-" : model[size_t(at)].second);
            if (!model.empty()) {
                const int32_t position = key(rng) % static_cast<int32_t>(model.size());
                ASSERT_EQ(strings.GetItem(Variant(position)), model[size_t(position)].second);
            }
        }
        ASSERT_EQ(strings.GetCount(), static_cast<int32_t>(model.size())) << "step " << step;
    }
    EXPECT_THROW(strings.Delete(Variant(strings.GetCount())), EElHashListError);
    EXPECT_EQ(strings.GetItem(Variant(-1)), "");
    for (size_t i = 0; i < model.size(); ++i)
        EXPECT_EQ(strings.GetItem(Variant(static_cast<int32_t>(i))), model[i].second);
}

// A large language file loads whole, every string under its key.
TEST_F(Languages, ALargeLanguageFileLoadsEveryString) {
    TTempDir dir("lang");
    std::string text = "<language id=\"xx\" name=\"Big\"><strings>\n";
    constexpr int kStrings = 100'000;
    for (int i = 0; i < kStrings; ++i) {
        text += "<string name=\"k" + std::to_string(i) + "\">v" + std::to_string(i) + "</string>\n";
    }
    text += "<string name=\"K5\">again</string></strings></language>";
    TMultiLanguages ml;
    ASSERT_TRUE(ml.LoadLanguageFile(dir.Write("big.lng", text)));
    EXPECT_EQ(ml.Strings().GetCount(), kStrings);
    EXPECT_EQ(ml.GetString("k99999", ""), "v99999");
    EXPECT_EQ(ml.GetString("k5", ""), "again");
    EXPECT_EQ(ml.Strings().IndexOf("k5"), kStrings - 1);
}

TEST_F(Languages, Variables) {
    TMultiLanguages ml;
    ml.SetVariable("Score", "1");
    ml.SetVariable("other", "o");
    ml.SetVariable("SCORE", "2");
    ASSERT_EQ(ml.VariableNames().size(), 2u);
    EXPECT_EQ(ml.VariableNames().back(), "SCORE");
    EXPECT_EQ(ml.VariableValues().back(), "2");
    EXPECT_EQ(ml.FindVariable("SCORE"), 1);
    EXPECT_EQ(ml.FindVariable("score"), -1);
    EXPECT_EQ(ml.TranslateText("%SCORE%/%Score%"), "2/");
}

TEST_F(Languages, StringsTable) {
    TMLStrings strings;
    strings.SetString("1", "a");
    strings.SetString("2", "b");
    strings.SetString("3", "A");  // replaces "a" and moves to the end
    EXPECT_EQ(strings.GetCount(), 2);
    EXPECT_EQ(strings.IndexOf("a"), 1);
    EXPECT_EQ(strings.GetItem(Variant(1)), "3");
    EXPECT_EQ(strings.Get("a", "d"), "3");
    EXPECT_EQ(strings.Get("zz", "d"), "d");
    strings.Delete(Variant("B"));
    EXPECT_EQ(strings.GetCount(), 1);
    strings.Clear();
    EXPECT_EQ(strings.Find("a"), nullptr);
}

TEST_F(Languages, DefaultLayerWithALanguageLaidOverIt) {
    DefaultLanguageFile = kLangDir + "default.lng";
    TMultiLanguages ml;
    ml.SetLanguagesFolder(kLangDir + "Languages");
    ml.SetVariable("username", "Ann");

    ASSERT_TRUE(ml.LoadLanguage("de"));
    EXPECT_EQ(ml.GetLanguageId(), "de");
    EXPECT_EQ(ml.GetLanguageName(), "German");
    EXPECT_EQ(ml.GetString("welcome", ""), "Hallo, Ann!");
    EXPECT_EQ(ml.GetString("YES", ""), "Jawohl");  // the later "yes" replaced "Yes"
    EXPECT_EQ(ml.GetString("only_default", ""), "from the base layer");
    EXPECT_EQ(ml.GetString("umlaut", ""),
              "Gr\xC3\xBC\xC3\x9F"
              "e");
    EXPECT_EQ(ml.GetString("absent", "%username%?"), "Ann?");
    EXPECT_TRUE(ml.StringExists("No"));
    EXPECT_FALSE(ml.StringExists(""));  // unnamed strings are skipped

    // No file for the language: the default strings alone.
    ASSERT_TRUE(ml.LoadLanguage("xx-none"));
    EXPECT_EQ(ml.GetString("welcome", ""), "Hello, Ann!");
    EXPECT_EQ(ml.GetString("umlaut", "gone"), "gone");  // each load starts empty
    EXPECT_EQ(ml.GetLanguageId(), "default");

    // A broken language file is ignored; the base layer stays.
    EXPECT_TRUE(ml.LoadLanguage("broken"));
    EXPECT_EQ(ml.GetString("yes", ""), "Yes");

    // A file without strings sets the identifier only.
    EXPECT_TRUE(ml.LoadLanguage("nostrings"));
    EXPECT_EQ(ml.GetLanguageId(), "ns");
    EXPECT_EQ(ml.GetString("yes", ""), "Yes");

    // Without the base file the language's own file still loads.
    DefaultLanguageFile = kLangDir + "missing.lng";
    EXPECT_TRUE(ml.LoadLanguage("fr"));
    EXPECT_EQ(ml.GetString("yes", ""), "Oui");
    EXPECT_FALSE(ml.StringExists("welcome"));
    EXPECT_FALSE(ml.LoadLanguage("xx-none"));
    EXPECT_EQ(ml.Strings().GetCount(), 0);
}

// Without the base file every caption is blank: the load goes on and one
// log line names the file and who loaded it; a language of the list whose
// own file is gone is named too, and an unlisted one without a file is not.
TEST_F(Languages, AMissingLanguageFileIsLoggedWithWhoAskedForIt) {
    TTempDir dir("lang");
    dir.Write("fr.lng", R"(<language id="fr" name="French"><strings><string name="yes">Oui</string></strings></language>)");
    dir.Write("it.lng", R"(<language id="it" name="Italian"><strings/></language>)");
    TMultiLanguages ml;
    ml.SetLanguagesFolder(dir.Path().string());
    ml.ScanLanguages(nullptr);
    ASSERT_TRUE(ml.GetLanguages()->Find(Variant("it")));
    std::filesystem::remove(dir.File("it.lng"));
    DefaultLanguageFile = dir.File("default.lng");  // never written
    struct TCase {
        const char* id;
        std::vector<std::vector<std::string>> lines;  // the pieces of each line
    };
    const std::string base = "\"" + DefaultLanguageFile + "\"";
    const TCase cases[] = {
        {"", {{"LANGUAGE: ", base, "the start-up", "blank"}}},
        {"fr", {{"LANGUAGE: ", base, "the language \"fr\""}}},
        {"it", {{"LANGUAGE: ", base, "the language \"it\""},
                {"LANGUAGE: ", "\"" + dir.File("it.lng") + "\"", "the language \"it\""}}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.id);
        TLogCapture log;
        ml.LoadLanguage(c.id);
        ASSERT_EQ(log.Lines().size(), c.lines.size());
        for (size_t i = 0; i < c.lines.size(); ++i) {
            for (const std::string& piece : c.lines[i]) {
                EXPECT_NE(log.Lines()[i].find(piece), std::string::npos) << log.Lines()[i] << " / " << piece;
            }
        }
    }
    // The language's own texts still load over the missing base.
    TLogCapture log;
    EXPECT_TRUE(ml.LoadLanguage("fr"));
    EXPECT_EQ(ml.GetString("yes", ""), "Oui");
}

TEST_F(Languages, BrokenBaseFileRaises) {
    TTempDir dir("lang");
    DefaultLanguageFile = dir.Write("default.lng", "<language><strings>");
    TMultiLanguages ml;
    ml.SetLanguagesFolder(dir.Path().string());
    EXPECT_THROW(ml.LoadLanguage("de"), Exception);
    EXPECT_FALSE(ml.LoadLanguageFile(dir.File("absent.lng")));
    EXPECT_FALSE(ml.LoadFromStorage(LoadStorageFromXML("<language id=\"q\" name=\"Q\"/>")));
    EXPECT_EQ(ml.GetLanguageId(), "q");
    EXPECT_EQ(ml.GetLanguageName(), "Q");
}

TEST_F(Languages, ScanListsTheLanguageFilesOfTheFolder) {
    TMultiLanguages ml;
    ml.SetLanguagesFolder(kLangDir + "Languages/");
    ml.ScanLanguages(nullptr);
    TLanguages* list = ml.GetLanguages();
    // de, fr and nostrings; de_copy repeats the identifier de, noname has no
    // name, broken does not parse, notes.txt is no language file.
    ASSERT_EQ(list->GetCount(), 3);
    TLanguage* de = list->Find(Variant("DE"));
    ASSERT_NE(de, nullptr);
    EXPECT_EQ(de->Name, "German");
    EXPECT_EQ(de->NativeName, "Deutsch");
    EXPECT_EQ(de->FileName, kLangDir + "Languages/de.lng");
    EXPECT_EQ(de->GetDisplayName(), "German - Deutsch");
    TLanguage* fr = list->Find(Variant("fr"));
    ASSERT_NE(fr, nullptr);
    EXPECT_EQ(fr->GetDisplayName(), "French");
    EXPECT_EQ(list->Find(Variant("xx")), nullptr);
    EXPECT_EQ(list->Find(Variant(0)), de);

    // A listed language loads from its listed file.
    DefaultLanguageFile = kLangDir + "default.lng";
    ml.SetLanguagesFolder("/nonexistent/");
    ASSERT_TRUE(ml.LoadLanguage("FR"));
    EXPECT_EQ(ml.GetString("yes", ""), "Oui");
    EXPECT_EQ(ml.GetString("no", ""), "No");

    // The hook decides which files are read.
    TMultiLanguages hooked;
    hooked.SetLanguagesFolder(kLangDir + "Languages");
    hooked.ScanLanguages([](const std::string& path, TLanguages* languages) {
        return languages != nullptr && path.find("Languages/de") == std::string::npos;
    });
    EXPECT_EQ(hooked.GetLanguages()->Find(Variant("de")), nullptr);
    ASSERT_EQ(hooked.GetLanguages()->GetCount(), 2);

    TMultiLanguages nowhere;
    nowhere.SetLanguagesFolder("/nonexistent/folder");
    nowhere.ScanLanguages(nullptr);
    EXPECT_EQ(nowhere.GetLanguages()->GetCount(), 0);
}

TEST_F(Languages, ProcessWideFunctions) {
    ASSERT_NE(GetMultiLanguages(), nullptr);
    SetTextVariable("lt_user", "Zoe");
    EXPECT_EQ(Translate("Hi %lt_user%, 5%"), "Hi Zoe, 5%");
    EXPECT_EQ(GetLanguageList(), GetMultiLanguages()->GetLanguages());

    const std::string folder = GetMultiLanguages()->GetLanguagesFolder();
    DefaultLanguageFile = kLangDir + "default.lng";
    GetMultiLanguages()->SetLanguagesFolder(kLangDir + "Languages");
    const bool loaded = LoadLanguage("de");
    GetMultiLanguages()->SetLanguagesFolder(folder);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(GetLanguageId(), "de");
    EXPECT_EQ(GetLanguageName(), "German");
    EXPECT_TRUE(LanguageStringExists("umlaut"));
    EXPECT_EQ(GetLanguageString("no", "-"), "No");
    EXPECT_EQ(GetLanguageString("absent", "%lt_user%"), "Zoe");

    // Leave the process-wide tables without strings for other tests.
    DefaultLanguageFile = "";
    EXPECT_FALSE(LoadLanguage("none"));
    EXPECT_FALSE(LanguageStringExists("umlaut"));
}

}  // namespace
