// What the game world's screen tests share: the standard screens' fixture
// (a game harness, recording stand-in screens, probes), a current profile,
// a sound the engine counts, and widget factories written inline.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "tests/game/ScreenTestSupport.h"
#include "tests/support/WavFile.h"

namespace worldtest {

using namespace screentest;

// A widget factory with the widget's text as its template.
inline std::string Factory(const std::string& name, const std::string& widget) {
    return "<widgetfactory name=\"" + name + "\" type=\"WidgetFactory\"><widgetstring>" + widget +
           "</widgetstring></widgetfactory>";
}

// The resource list of the counted sound "Long" (a muting sound: the engine
// counts its playings) and the files it needs, for Start.
inline std::string SoundResources() {
    return R"(<resourcefiles><resourcefile name="sounds" filename="sounds.xml" loadmode="synch"/>
              </resourcefiles>)";
}
inline std::string SoundsList() {
    return R"(<resources><content><resource name="Long" type="SoundResource"
              file="long.wav" maxplaybacks="20"/></content></resources>)";
}
inline std::string LongWav() {
    constexpr int kRate = 44100;
    return MakeWav16(kRate, 1, std::vector<int16_t>(kRate * 10, 8000));
}
// A widget's "sounds" element playing "Long" under that name.
inline std::string CountedSound(const std::string& name) {
    return "<sounds><sound name=\"" + name +
           "\" resourcename=\"Long\" mutemusic=\"yes\"/></sounds>";
}

class WorldTest : public ScreenTest {
protected:
    // Starts the game with the sound files in its folder.
    TGameHarness& StartWorld(const std::string& definition) {
        return Start(definition, {{"long.wav", LongWav()}, {"sounds.xml", SoundsList()}});
    }
    // The profile of that name, made current.
    Ref<IParamCollection> Profile(const std::string& name = "Ann") {
        const Ref<IUserProfileCollection> profiles = Game().GetUserProfiles();
        const Ref<IUserProfile> profile = profiles->FindOrAdd(name);
        profiles->SetCurrent(name);
        return profile->GetParams();
    }
    std::string ProfileValue(const std::string& key) {
        const Ref<IUserProfile> current = Game().GetUserProfiles()->GetCurrent();
        const Variant value = current ? current->GetParams()->GetValue(key, Variant()) : Variant();
        return value.IsUnassigned() || value.IsNull() ? "-" : value.ToString();
    }
    size_t Sounds() { return harness->Engine().Audio()->GetMutingSoundCount(); }
};

}  // namespace worldtest
