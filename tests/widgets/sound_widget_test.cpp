// The sound widget: it plays after its start delay, notices the end of the
// playing, waits its cycle delay when looping, tries again when the sound
// does not start, and pausing it stops its own channel only.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/audio/EngineSounds.h"
#include "platform/audio/AudioDevice.h"
#include "tests/support/WavFile.h"
#include "tests/support/WidgetHarness.h"
#include "tests/widgets/LeafFixtures.h"
#include "widgets/SoundWidget.h"
#include "widgets/WidgetUtils.h"

namespace leaftest {
namespace {

constexpr int kRate = 44100;

class SoundWidgets : public testing::Test {
protected:
    SoundWidgets() {
        // 100 ms of sound, two playings at once at most.
        screen.Folder().Write("beep.wav",
                              MakeWav16(kRate, 1, std::vector<int16_t>(kRate / 10, 8000)));
        AddBeep("Beep");
    }

    void AddBeep(const std::string& name) {
        AddResources(screen, R"(<resource name=")" + name +
                                 R"(" type="SoundResource" file="beep.wav" maxplaybacks="2"/>)");
    }

    // One sound widget "s" playing the resource through its sound "click".
    TSoundWidget& Load(const std::string& attributes, const std::string& resource = "Beep") {
        screen.Load(R"(<widget type="group_widget"><widgets>
            <widget type="sound_widget" name="s" resourcename="click" )" +
                    attributes + R"(>
              <sounds><sound name="click" resourcename=")" +
                    resource + R"("/></sounds>
            </widget></widgets></widget>)");
        auto* widget = dynamic_cast<TSoundWidget*>(screen.Find("s").get());
        EXPECT_TRUE(widget);
        return *widget;
    }

    IAudioBackend& Channels() { return *screen.Engine().Audio()->GetBackend(); }
    bool Playing(TChannelHandle channel) {
        return channel != 0 && Channels().ChannelActivity(channel) == TChannelActivity::Playing;
    }
    // Lets the output run for ms: the device has no real output to pull it.
    void Listen(int ms) {
        auto& device = static_cast<TAudioDevice&>(Channels());
        std::vector<float> pcm(size_t(2) * kRate * size_t(ms) / 1000);
        device.RenderFloat(pcm.data(), pcm.size() / 2);
    }

    TWidgetHarness screen;
};

TEST_F(SoundWidgets, ItPlaysOnceAfterItsStartDelay) {
    TSoundWidget& widget = Load(R"(startdelaytime="1000")");
    screen.Step(9, 100);
    EXPECT_EQ(widget.GetPhase(), TSoundWidget::kStartDelay);
    EXPECT_EQ(widget.GetChannel(), 0u);
    screen.Step(1, 100);
    EXPECT_EQ(widget.GetPhase(), TSoundWidget::kPlaying);
    const TChannelHandle channel = widget.GetChannel();
    EXPECT_TRUE(Playing(channel));
    screen.Step(3, 100);  // still sounding: no output has run
    EXPECT_EQ(widget.GetPhase(), TSoundWidget::kPlaying);

    Listen(150);
    ASSERT_FALSE(Playing(channel));
    screen.Step(1, 100);
    EXPECT_EQ(widget.GetPhase(), TSoundWidget::kStopped);
    EXPECT_FALSE(widget.GetRunning());
    screen.Step(20, 100);
    EXPECT_EQ(widget.GetChannel(), channel);  // never again
}

TEST_F(SoundWidgets, ALoopWaitsItsCycleDelayAfterEachPlaying) {
    TSoundWidget& widget = Load(R"(loop="yes" cycledelaytime="3000")");
    screen.Step(1, 10);
    const TChannelHandle first = widget.GetChannel();
    ASSERT_TRUE(Playing(first));
    Listen(150);
    screen.Step(1, 10);  // the end is noticed: the delay starts here
    EXPECT_EQ(widget.GetPhase(), TSoundWidget::kCycleDelay);
    EXPECT_EQ(widget.GetCurrentTime(), 0);
    screen.Step(5, 500);
    EXPECT_EQ(widget.GetPhase(), TSoundWidget::kCycleDelay);
    screen.Step(1, 700);  // 3200 ms into the delay: the rest is kept
    EXPECT_EQ(widget.GetPhase(), TSoundWidget::kPlaying);
    EXPECT_TRUE(Playing(widget.GetChannel()));
    EXPECT_EQ(widget.GetCurrentTime(), 200);
}

TEST_F(SoundWidgets, ASoundThatDoesNotStartIsTriedAgainAbout200MsLater) {
    TSoundWidget& widget = Load(R"(startdelaytime="50")", "Later");
    screen.Step(1, 50);
    EXPECT_EQ(widget.GetPhase(), TSoundWidget::kStartDelay);
    EXPECT_EQ(widget.GetChannel(), 0u);
    EXPECT_EQ(widget.GetCurrentTime(), -150);  // the next try at age 50
    screen.Step(1, 150);
    EXPECT_EQ(widget.GetCurrentTime(), 0);
    screen.Step(1, 50);  // tried and failed again
    EXPECT_EQ(widget.GetCurrentTime(), -150);

    AddBeep("Later");
    screen.Step(1, 100);
    EXPECT_EQ(widget.GetChannel(), 0u);
    screen.Step(1, 100);
    EXPECT_EQ(widget.GetPhase(), TSoundWidget::kPlaying);
    EXPECT_TRUE(Playing(widget.GetChannel()));
}

TEST_F(SoundWidgets, PausingStopsItsOwnChannelAndRestartingPlaysAgain) {
    TSoundWidget& widget = Load("");
    screen.Step(1, 10);
    const TChannelHandle mine = widget.GetChannel();
    ASSERT_TRUE(Playing(mine));
    // The same sound played elsewhere goes on.
    const TChannelHandle other = screen.Engine().PlaySound(widget.GetSounds()->Find(Variant(0)));
    ASSERT_TRUE(Playing(other));
    ASSERT_NE(other, mine);

    screen.Root()->Pause();  // a screen pausing its widgets
    EXPECT_FALSE(Playing(mine));
    EXPECT_TRUE(Playing(other));
    EXPECT_EQ(widget.GetPhase(), TSoundWidget::kStopped);
    screen.Root()->Resume();
    screen.Step(3, 100);
    EXPECT_EQ(widget.GetChannel(), mine);  // resuming alone does not play

    screen.Engine().StopSound(widget.GetSounds()->Find(Variant(0)));
    widget.SetProperty("startdelaytime", Variant(300));
    EXPECT_EQ(widget.GetProperty("startdelaytime").ToInt(), 300);
    widget.Restart();
    EXPECT_EQ(widget.GetPhase(), TSoundWidget::kStartDelay);
    // The restart's own step counts as the widget's update of the next frame.
    screen.Step(3, 100);
    EXPECT_EQ(widget.GetCurrentTime(), 200);
    EXPECT_EQ(widget.GetPhase(), TSoundWidget::kStartDelay);
    screen.Step(1, 100);
    EXPECT_EQ(widget.GetPhase(), TSoundWidget::kPlaying);
    EXPECT_TRUE(Playing(widget.GetChannel()));
}

TEST_F(SoundWidgets, AWidgetLoadedPausedPlaysOnlyOnceRestarted) {
    TSoundWidget& widget = Load(R"(paused="yes")");
    screen.Step(3, 100);
    EXPECT_EQ(widget.GetChannel(), 0u);
    widget.Resume();
    screen.Step(3, 100);
    EXPECT_EQ(widget.GetChannel(), 0u);
    EXPECT_FALSE(widget.GetRunning());
    widget.Restart();  // with no start delay the restart's own step plays it
    EXPECT_TRUE(Playing(widget.GetChannel()));
}

TEST_F(SoundWidgets, StoredKeys) {
    const Ref<IWidget> widget = WidgetFromXMLText(
        R"(<widget type="sound_widget" resourcename="click" loop="yes" startdelaytime="5"/>)");
    const std::string saved = WidgetToXMLText(widget);
    for (const char* piece : {R"(resourcename="click")", R"(loop="yes")", R"(startdelaytime="5")",
                              R"(cycledelaytime="0")"}) {
        EXPECT_NE(saved.find(piece), std::string::npos) << piece << " in " << saved;
    }
}

}  // namespace
}  // namespace leaftest
